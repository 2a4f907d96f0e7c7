// Builds a control tree from a skin document: the Window element with its fonts and styles, then
// one root control and its children.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ui/framework/UIControl.h"

namespace DuiLib {

struct UiFontSpec {
    int id = 0;
    std::wstring name;
    int size = 12;  // pixels at 96 DPI
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool isDefault = false;
};

// What the Window element says about the window itself (skin units).
struct UiWindowSpec {
    UiSize size;
    UiRect caption;
    UiSize roundCorner;
    UiSize minInfo;
    bool showShadow = false;
    int shadowSize = 0;
    UiPoint shadowPosition;
    uint32_t shadowColor = 0x40000000;
    bool bkTrans = false;
    std::vector<UiFontSpec> fonts;
    std::map<std::wstring, std::wstring> styles;        // this window's
    std::map<std::wstring, std::wstring> sharedStyles;  // every window's
};

// Makes controls of classes the framework does not know; returns null for none.
class IDialogBuilderCallback {
public:
    virtual CControlUI* CreateControl(const wchar_t* className) = 0;

protected:
    ~IDialogBuilderCallback() = default;
};

class CDialogBuilder {
public:
    // Parses the UTF-8 document. Returns the root control (owned by the caller) or null with a
    // reason in *error. Styles referred to by style= are looked up in the document, then in the
    // host's. Unknown elements are skipped with their children.
    CControlUI* Create(const std::string& document, IDialogBuilderCallback* callback, IControlHost* host,
                       UiWindowSpec& window, std::string* error = nullptr);

    // A control of a framework class by its element name, or null.
    static CControlUI* CreateBuiltIn(const std::wstring& className);
};

}  // namespace DuiLib
