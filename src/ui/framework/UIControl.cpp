// The base control: attributes, placement, hit testing, painting of background and border.
#include "ui/framework/UIControl.h"

#include "system/TextRules.h"

namespace DuiLib {

CControlUI::CControlUI() = default;

CControlUI::~CControlUI() {
    if (m_manager) {
        m_manager->KillTimer(this, 0);
        m_manager->ControlRemoved(this);
    }
}

void CControlUI::SetText(const std::wstring& text) {
    if (m_text == text) return;
    m_text = text;
    Invalidate();
}

void CControlUI::SetVisible(bool visible) {
    if (m_visible == visible) return;
    m_visible = visible;
    if (!visible && m_manager) m_manager->ControlRemoved(this);
    NeedParentUpdate();
}

void CControlUI::SetEnabled(bool enabled) {
    if (m_enabled == enabled) return;
    m_enabled = enabled;
    if (!enabled && m_manager) m_manager->ControlRemoved(this);
    Invalidate();
}

void CControlUI::SetFocus() {
    if (m_manager) m_manager->SetFocus(this);
}

int CControlUI::Scaled(int value) const {
    return m_manager ? m_manager->Scale().Scale(value) : value;
}

int CControlUI::GetFixedWidth() const {
    return Scaled(m_fixed.cx);
}

int CControlUI::GetFixedHeight() const {
    return Scaled(m_fixed.cy);
}

UiRect CControlUI::GetPadding() const {
    return m_manager ? m_manager->Scale().Scale(m_padding) : m_padding;
}

UiRect CControlUI::FloatRect(const UiRect& parentRect) const {
    if (m_hasDeviceFloat) return m_deviceFloat.Offset(parentRect.left, parentRect.top);
    UiRect r = m_manager ? m_manager->Scale().Scale(m_floatPos) : m_floatPos;
    if (m_fixed.cx > 0) r.right = r.left + GetFixedWidth();
    if (m_fixed.cy > 0) r.bottom = r.top + GetFixedHeight();
    return r.Offset(parentRect.left, parentRect.top);
}

void CControlUI::SetPos(const UiRect& rect, bool needInvalidate) {
    if (needInvalidate) Invalidate();
    if (m_float && m_parent && needInvalidate) {
        // An explicit move (not a layout pass): the place is kept relative to the parent.
        const UiRect& parent = m_parent->GetPos();
        m_deviceFloat = rect.Offset(-parent.left, -parent.top);
        m_hasDeviceFloat = true;
    }
    m_rcItem = rect;
    if (needInvalidate) Invalidate();
}

void CControlUI::ApplyAttributeList(const std::wstring& list) {
    for (const auto& [name, value] : ParseAttributeList(list)) SetAttribute(name, value);
}

void CControlUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    auto is = [&](const wchar_t* key) { return sys::EqualsNoCase(name, key); };
    if (is(L"name")) {
        m_name = value;
    } else if (is(L"text")) {
        SetText(value);
    } else if (is(L"tooltip")) {
        m_tooltip = value;
    } else if (is(L"tag")) {
        m_tag = ParseInt(value);
    } else if (is(L"pos")) {
        m_floatPos = ParseRect(value);
        m_hasDeviceFloat = false;
        NeedParentUpdate();
    } else if (is(L"float")) {
        m_float = ParseBool(value);
        NeedParentUpdate();
    } else if (is(L"width")) {
        m_fixed.cx = ParseInt(value);
        NeedParentUpdate();
    } else if (is(L"height")) {
        m_fixed.cy = ParseInt(value);
        NeedParentUpdate();
    } else if (is(L"padding")) {
        m_padding = ParseRect(value);
        NeedParentUpdate();
    } else if (is(L"visible")) {
        SetVisible(ParseBool(value));
    } else if (is(L"enabled")) {
        SetEnabled(ParseBool(value));
    } else if (is(L"mouse")) {
        m_mouseEnabled = ParseBool(value);
    } else if (is(L"cursor")) {
        m_handCursor = sys::EqualsNoCase(value, L"hand");
    } else if (is(L"bkcolor")) {
        ParseColor(value, m_bkColor);
        Invalidate();
    } else if (is(L"bordercolor")) {
        ParseColor(value, m_borderColor);
        Invalidate();
    } else if (is(L"bordersize")) {
        m_borderSize = ParseInt(value);
        Invalidate();
    } else if (is(L"borderround")) {
        m_borderRound = ParseSize(value);
        Invalidate();
    } else if (is(L"bkimage")) {
        m_bkImage = ParseImageSpec(value);
        Invalidate();
    } else if (is(L"style")) {
        if (m_manager) {
            if (const std::wstring* style = m_manager->GetStyle(value)) ApplyAttributeList(*style);
        }
    }
}

void CControlUI::SetManager(IControlHost* manager, CControlUI* parent) {
    m_manager = manager;
    m_parent = parent;
}

CControlUI* CControlUI::FindControlAt(UiPoint point) {
    if (!m_visible || !m_mouseEnabled || !m_rcItem.Contains(point)) return nullptr;
    return this;
}

CControlUI* CControlUI::FindControlByName(const std::wstring& name) {
    return !name.empty() && sys::EqualsNoCase(m_name, name) ? this : nullptr;
}

void CControlUI::CollectFocusable(std::vector<CControlUI*>& out) {
    if (m_visible && m_enabled && IsFocusable()) out.push_back(this);
}

void CControlUI::DoEvent(TEventUI& event) {
    switch (event.type) {
        case UiEvent::SetFocus:
            m_focused = true;
            Invalidate();
            Notify(L"setfocus");
            break;
        case UiEvent::KillFocus:
            m_focused = false;
            Invalidate();
            Notify(L"killfocus");
            break;
        case UiEvent::Timer:
            Notify(L"timer", event.key);
            break;
        default:
            break;
    }
}

bool CControlUI::Activate() {
    return m_visible && m_enabled;
}

void CControlUI::DoPaint(IRenderUI& render, const UiRect& dirty) {
    if (!m_visible || m_rcItem.Intersect(dirty).IsEmpty()) return;
    PaintBackground(render);
    PaintStatusImage(render);
    PaintText(render);
    PaintBorder(render);
}

void CControlUI::PaintBackground(IRenderUI& render) {
    const UiSize round = m_manager ? m_manager->Scale().Scale(m_borderRound) : m_borderRound;
    if (m_bkColor >> 24) render.FillRect(m_rcItem, m_bkColor, round);
    if (!m_bkImage.IsEmpty()) render.DrawImage(m_rcItem, m_bkImage);
}

void CControlUI::PaintBorder(IRenderUI& render) {
    if (m_borderSize <= 0 || !(m_borderColor >> 24)) return;
    const UiSize round = m_manager ? m_manager->Scale().Scale(m_borderRound) : m_borderRound;
    render.DrawBorder(m_rcItem, m_borderColor, Scaled(m_borderSize), round);
}

void CControlUI::Notify(const std::wstring& type, uintptr_t wParam, intptr_t lParam) {
    if (m_manager) m_manager->SendNotify(this, type, wParam, lParam);
}

void CControlUI::Invalidate() {
    if (m_manager && !m_rcItem.IsEmpty()) m_manager->Invalidate(m_rcItem);
}

void CControlUI::NeedUpdate() {
    if (m_manager) m_manager->NeedUpdate();
}

void CControlUI::NeedParentUpdate() {
    NeedUpdate();
}

}  // namespace DuiLib
