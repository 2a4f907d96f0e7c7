// The control tree of the skinned framework: the base control, the services a control needs
// from the window that holds it, the renderer it paints through, and the input events and
// notifications that pass between them. Portable: the Win32 paint manager implements the host
// and the renderer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/framework/UIAttributeText.h"
#include "ui/framework/UIGeometry.h"

namespace DuiLib {

class CControlUI;
class CEditUI;
class COptionUI;

// A user action or state change reported to the window's notifiers ("click", "selectchanged",
// "textchanged", "setfocus", "killfocus", "windowinit", "timer").
struct TNotifyUI {
    std::wstring sType;
    std::wstring sVirtualWnd;
    CControlUI* pSender = nullptr;
    uint32_t dwTimestamp = 0;
    UiPoint ptMouse;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

enum class UiEvent {
    MouseEnter,
    MouseLeave,
    MouseMove,
    ButtonDown,
    ButtonUp,
    KeyDown,
    SetFocus,
    KillFocus,
    Timer,
};

// Virtual keys the controls react to (the Win32 values).
enum UiKey : unsigned { kKeyReturn = 0x0D, kKeyEscape = 0x1B, kKeySpace = 0x20, kKeyTab = 0x09 };

struct TEventUI {
    UiEvent type = UiEvent::MouseMove;
    UiPoint ptMouse;
    unsigned key = 0;  // virtual key of KeyDown; timer id of Timer
    bool shift = false;
};

// What a control paints with. Rectangles are in window pixels.
class IRenderUI {
public:
    virtual ~IRenderUI() = default;
    virtual void FillRect(const UiRect& rect, uint32_t argb, UiSize round) = 0;
    virtual void DrawBorder(const UiRect& rect, uint32_t argb, int width, UiSize round) = 0;
    // Places the picture within controlRect (dest, source, nine-grid corner, fade); false when the
    // picture cannot be had.
    virtual bool DrawImage(const UiRect& controlRect, const ImageSpec& image) = 0;
    virtual void DrawText(const UiRect& rect, const std::wstring& text, uint32_t argb, int fontId,
                          unsigned align) = 0;
    virtual void DrawFocus(const UiRect& rect) = 0;
    virtual void PushClip(const UiRect& rect) = 0;
    virtual void PopClip() = 0;
};

// What a control asks of the window that holds it.
class IControlHost {
public:
    virtual const UiScale& Scale() const = 0;
    virtual void Invalidate(const UiRect& rect) = 0;
    // The layout changed (size, visibility, children): lay the tree out again before painting.
    virtual void NeedUpdate() = 0;
    virtual void SendNotify(CControlUI* sender, const std::wstring& type, uintptr_t wParam = 0,
                            intptr_t lParam = 0) = 0;
    virtual void SetFocus(CControlUI* control) = 0;
    virtual CControlUI* GetFocus() const = 0;
    virtual bool SetTimer(CControlUI* control, unsigned id, unsigned elapse) = 0;
    // Id 0 ends every timer of the control.
    virtual void KillTimer(CControlUI* control, unsigned id) = 0;
    // The options of a group, in the order they joined it.
    virtual void AddOptionGroup(const std::wstring& group, COptionUI* option) = 0;
    virtual void RemoveOptionGroup(const std::wstring& group, COptionUI* option) = 0;
    virtual std::vector<COptionUI*> GetOptionGroup(const std::wstring& group) const = 0;
    // The attribute list of a shared style, or null.
    virtual const std::wstring* GetStyle(const std::wstring& name) const = 0;
    // An edit box takes the keyboard: the host puts a native editor over it.
    virtual void BeginEdit(CEditUI* edit) = 0;
    // A control (with its subtree) is hidden, disabled or destroyed: the host forgets it as hot,
    // pushed or focused.
    virtual void ControlRemoved(CControlUI* control) = 0;

protected:
    ~IControlHost() = default;
};

// The base control: a rectangle with a background, a border, a picture and a text.
class CControlUI {
public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    virtual std::wstring GetClass() const { return L"ControlUI"; }

    const std::wstring& GetName() const { return m_name; }
    void SetName(const std::wstring& name) { m_name = name; }
    virtual std::wstring GetText() const { return m_text; }
    virtual void SetText(const std::wstring& text);
    const std::wstring& GetToolTip() const { return m_tooltip; }
    intptr_t GetTag() const { return m_tag; }
    void SetTag(intptr_t tag) { m_tag = tag; }

    bool IsVisible() const { return m_visible; }
    virtual void SetVisible(bool visible = true);
    bool IsEnabled() const { return m_enabled; }
    virtual void SetEnabled(bool enabled = true);
    bool IsMouseEnabled() const { return m_mouseEnabled; }
    void SetMouseEnabled(bool enabled = true) { m_mouseEnabled = enabled; }
    // Whether Tab stops here.
    virtual bool IsFocusable() const { return false; }
    bool IsFocused() const { return m_focused; }
    void SetFocus();
    bool IsHandCursor() const { return m_handCursor; }

    // The laid-out rectangle, in window pixels.
    const UiRect& GetPos() const { return m_rcItem; }
    // Moves the control; a floating control keeps the new place through later layouts.
    virtual void SetPos(const UiRect& rect, bool needInvalidate = true);
    bool IsFloat() const { return m_float; }
    // Fixed sizes in window pixels (0: not fixed).
    int GetFixedWidth() const;
    int GetFixedHeight() const;
    UiRect GetPadding() const;
    // Where a floating control goes inside parentRect.
    UiRect FloatRect(const UiRect& parentRect) const;

    // Sets one skin attribute by name; unknown names are ignored.
    virtual void SetAttribute(const std::wstring& name, const std::wstring& value);
    void ApplyAttributeList(const std::wstring& list);

    CControlUI* GetParent() const { return m_parent; }
    IControlHost* GetManager() const { return m_manager; }
    virtual void SetManager(IControlHost* manager, CControlUI* parent);

    // The deepest visible, mouse-enabled control at the point, or null.
    virtual CControlUI* FindControlAt(UiPoint point);
    // The control of that name in this subtree, or null.
    virtual CControlUI* FindControlByName(const std::wstring& name);
    // Appends the visible, enabled controls that Tab stops at, in tree order.
    virtual void CollectFocusable(std::vector<CControlUI*>& out);

    virtual void DoEvent(TEventUI& event);
    virtual void DoPaint(IRenderUI& render, const UiRect& dirty);
    // What a click, Enter or Space does; false when the control does nothing.
    virtual bool Activate();

    void Invalidate();
    void NeedUpdate();
    void NeedParentUpdate();

protected:
    virtual void PaintBackground(IRenderUI& render);
    virtual void PaintStatusImage(IRenderUI& render) { (void)render; }
    virtual void PaintText(IRenderUI& render) { (void)render; }
    virtual void PaintBorder(IRenderUI& render);
    void Notify(const std::wstring& type, uintptr_t wParam = 0, intptr_t lParam = 0);
    int Scaled(int value) const;

    IControlHost* m_manager = nullptr;
    CControlUI* m_parent = nullptr;
    std::wstring m_name;
    std::wstring m_text;
    std::wstring m_tooltip;
    intptr_t m_tag = 0;
    bool m_visible = true;
    bool m_enabled = true;
    bool m_mouseEnabled = true;
    bool m_focused = false;
    bool m_float = false;
    bool m_handCursor = false;

    // Skin units (96 DPI), scaled when laid out.
    UiSize m_fixed;
    UiRect m_padding;
    UiRect m_floatPos;
    // A floating control moved by SetPos keeps its offset from the parent in window pixels.
    bool m_hasDeviceFloat = false;
    UiRect m_deviceFloat;

    UiRect m_rcItem;
    uint32_t m_bkColor = 0;
    uint32_t m_borderColor = 0;
    int m_borderSize = 0;
    UiSize m_borderRound;
    ImageSpec m_bkImage;
};

}  // namespace DuiLib
