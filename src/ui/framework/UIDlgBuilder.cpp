// Skin documents into control trees.
#include "ui/framework/UIDlgBuilder.h"

#include <tinyxml.h>

#include <memory>

#include "config/ConfigDocument.h"
#include "system/TextConv.h"
#include "system/TextRules.h"
#include "ui/framework/UIButton.h"
#include "ui/framework/UIContainer.h"
#include "ui/framework/UIEdit.h"
#include "ui/framework/UILabel.h"
#include "ui/framework/UIProgress.h"

namespace DuiLib {

namespace {

std::wstring Wide(const char* text) {
    return text ? sys::Utf8ToWide(text) : std::wstring();
}

bool Is(const std::wstring& a, const wchar_t* b) {
    return sys::EqualsNoCase(a, b);
}

void ReadWindow(const TiXmlElement* element, UiWindowSpec& window) {
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        const std::wstring name = Wide(a->Name());
        const std::wstring value = Wide(a->Value());
        if (Is(name, L"size"))
            window.size = ParseSize(value);
        else if (Is(name, L"caption"))
            window.caption = ParseRect(value);
        else if (Is(name, L"roundcorner"))
            window.roundCorner = ParseSize(value);
        else if (Is(name, L"mininfo"))
            window.minInfo = ParseSize(value);
        else if (Is(name, L"showshadow"))
            window.showShadow = ParseBool(value);
        else if (Is(name, L"shadowsize"))
            window.shadowSize = ParseInt(value);
        else if (Is(name, L"shadowposition")) {
            const UiSize p = ParseSize(value);
            window.shadowPosition = {p.cx, p.cy};
        } else if (Is(name, L"shadowcolor"))
            ParseColor(value, window.shadowColor);
        else if (Is(name, L"bktrans"))
            window.bkTrans = ParseBool(value);
    }
}

void ReadFont(const TiXmlElement* element, UiWindowSpec& window) {
    UiFontSpec font;
    font.id = static_cast<int>(window.fonts.size());
    for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        const std::wstring name = Wide(a->Name());
        const std::wstring value = Wide(a->Value());
        if (Is(name, L"id"))
            font.id = ParseInt(value, font.id);
        else if (Is(name, L"name"))
            font.name = value;
        else if (Is(name, L"size"))
            font.size = ParseInt(value, font.size);
        else if (Is(name, L"bold"))
            font.bold = ParseBool(value);
        else if (Is(name, L"italic"))
            font.italic = ParseBool(value);
        else if (Is(name, L"underline"))
            font.underline = ParseBool(value);
        else if (Is(name, L"default"))
            font.isDefault = ParseBool(value);
    }
    window.fonts.push_back(font);
}

void ReadStyle(const TiXmlElement* element, UiWindowSpec& window) {
    const std::wstring name = Wide(element->Attribute("name"));
    if (name.empty()) return;
    const std::wstring value = Wide(element->Attribute("value"));
    const bool shared = ParseBool(Wide(element->Attribute("shared")));
    (shared ? window.sharedStyles : window.styles)[name] = value;
}

class TreeBuilder {
public:
    TreeBuilder(IDialogBuilderCallback* callback, IControlHost* host, const UiWindowSpec& window)
        : m_callback(callback), m_host(host), m_window(window) {}

    // The control of one element with its subtree, or null when its class is unknown.
    CControlUI* Build(const TiXmlElement* element) {
        const std::wstring className = Wide(element->Value());
        CControlUI* made = CDialogBuilder::CreateBuiltIn(className);
        if (!made && m_callback) made = m_callback->CreateControl(className.c_str());
        if (!made) return nullptr;
        std::unique_ptr<CControlUI> control(made);
        control->SetManager(m_host, nullptr);
        for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
            const std::wstring name = Wide(a->Name());
            const std::wstring value = Wide(a->Value());
            if (Is(name, L"style"))
                ApplyStyle(*control, value);
            else
                control->SetAttribute(name, value);
        }
        auto* container = dynamic_cast<CContainerUI*>(control.get());
        for (const TiXmlElement* child = element->FirstChildElement(); child;
             child = child->NextSiblingElement()) {
            CControlUI* item = Build(child);
            if (!item) continue;
            if (container)
                container->Add(item);
            else
                delete item;  // only containers hold children
        }
        return control.release();
    }

private:
    void ApplyStyle(CControlUI& control, const std::wstring& name) {
        auto own = m_window.styles.find(name);
        if (own != m_window.styles.end()) return control.ApplyAttributeList(own->second);
        auto shared = m_window.sharedStyles.find(name);
        if (shared != m_window.sharedStyles.end()) return control.ApplyAttributeList(shared->second);
        if (m_host) {
            if (const std::wstring* style = m_host->GetStyle(name)) control.ApplyAttributeList(*style);
        }
    }

    IDialogBuilderCallback* m_callback;
    IControlHost* m_host;
    const UiWindowSpec& m_window;
};

}  // namespace

CControlUI* CDialogBuilder::CreateBuiltIn(const std::wstring& className) {
    if (Is(className, L"Control")) return new CControlUI;
    if (Is(className, L"VerticalLayout")) return new CVerticalLayoutUI;
    if (Is(className, L"HorizontalLayout")) return new CHorizontalLayoutUI;
    if (Is(className, L"Label") || Is(className, L"Text")) return new CLabelUI;
    if (Is(className, L"Button")) return new CButtonUI;
    if (Is(className, L"Option") || Is(className, L"CheckBox")) return new COptionUI;
    if (Is(className, L"Edit")) return new CEditUI;
    if (Is(className, L"Progress")) return new CProgressUI;
    return nullptr;
}

CControlUI* CDialogBuilder::Create(const std::string& document, IDialogBuilderCallback* callback,
                                   IControlHost* host, UiWindowSpec& window, std::string* error) {
    auto fail = [&](const std::string& why) -> CControlUI* {
        if (error) *error = why;
        return nullptr;
    };
    TiXmlDocument doc;
    if (!config::ParseXmlBuffer(document, doc))
        return fail(doc.ErrorDesc() ? doc.ErrorDesc() : "parse error");
    const TiXmlElement* root = doc.RootElement();
    if (!root || !sys::EqualsNoCase(root->ValueStr(), "Window"))
        return fail("the root element is not Window");
    ReadWindow(root, window);
    TreeBuilder builder(callback, host, window);
    CControlUI* tree = nullptr;
    for (const TiXmlElement* child = root->FirstChildElement(); child; child = child->NextSiblingElement()) {
        const std::wstring name = Wide(child->Value());
        if (Is(name, L"Font"))
            ReadFont(child, window);
        else if (Is(name, L"Style"))
            ReadStyle(child, window);
        else if (!tree)
            tree = builder.Build(child);
    }
    if (!tree) return fail("the window has no control");
    return tree;
}

}  // namespace DuiLib
