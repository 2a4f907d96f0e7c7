// Buttons and options.
#include "ui/framework/UIButton.h"

#include "system/TextRules.h"

namespace DuiLib {

CButtonUI::CButtonUI() {
    m_align = kAlignCenter | kAlignVCenter;
}

void CButtonUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    auto is = [&](const wchar_t* key) { return sys::EqualsNoCase(name, key); };
    if (is(L"normalimage"))
        m_normalImage = ParseImageSpec(value);
    else if (is(L"hotimage"))
        m_hotImage = ParseImageSpec(value);
    else if (is(L"pushedimage"))
        m_pushedImage = ParseImageSpec(value);
    else if (is(L"focusedimage"))
        m_focusedImage = ParseImageSpec(value);
    else if (is(L"disabledimage"))
        m_disabledImage = ParseImageSpec(value);
    else if (is(L"hottextcolor"))
        ParseColor(value, m_hotTextColor);
    else if (is(L"pushedtextcolor"))
        ParseColor(value, m_pushedTextColor);
    else if (is(L"hotbkcolor"))
        ParseColor(value, m_hotBkColor);
    else if (is(L"pushedbkcolor"))
        ParseColor(value, m_pushedBkColor);
    else if (is(L"disabledbkcolor"))
        ParseColor(value, m_disabledBkColor);
    else {
        CLabelUI::SetAttribute(name, value);
        return;
    }
    Invalidate();
}

void CButtonUI::DoEvent(TEventUI& event) {
    if (!m_enabled) {
        CLabelUI::DoEvent(event);
        return;
    }
    switch (event.type) {
        case UiEvent::MouseEnter:
            m_hot = true;
            Invalidate();
            break;
        case UiEvent::MouseLeave:
            m_hot = false;
            m_pushed = false;
            Invalidate();
            break;
        case UiEvent::ButtonDown:
            m_pushed = true;
            Invalidate();
            break;
        case UiEvent::MouseMove:
            // While the button is held, leaving the control releases the look, not the press.
            break;
        case UiEvent::ButtonUp: {
            const bool wasPushed = m_pushed;
            m_pushed = false;
            Invalidate();
            if (wasPushed && m_rcItem.Contains(event.ptMouse)) Activate();
            break;
        }
        case UiEvent::KeyDown:
            if (event.key == kKeyReturn || event.key == kKeySpace) Activate();
            break;
        default:
            CLabelUI::DoEvent(event);
            break;
    }
}

bool CButtonUI::Activate() {
    if (!CControlUI::Activate()) return false;
    Notify(L"click");
    return true;
}

void CButtonUI::PaintBackground(IRenderUI& render) {
    uint32_t color = m_bkColor;
    if (!m_enabled && m_disabledBkColor)
        color = m_disabledBkColor;
    else if (m_pushed && m_pushedBkColor)
        color = m_pushedBkColor;
    else if ((m_hot || m_pushed) && m_hotBkColor)
        color = m_hotBkColor;
    const UiSize round = m_manager ? m_manager->Scale().Scale(m_borderRound) : m_borderRound;
    if (color >> 24) render.FillRect(m_rcItem, color, round);
    if (!m_bkImage.IsEmpty()) render.DrawImage(m_rcItem, m_bkImage);
}

const ImageSpec* CButtonUI::CurrentImage() const {
    if (!m_enabled && !m_disabledImage.IsEmpty()) return &m_disabledImage;
    if (m_pushed && !m_pushedImage.IsEmpty()) return &m_pushedImage;
    if ((m_hot || m_pushed) && !m_hotImage.IsEmpty()) return &m_hotImage;
    if (m_focused && !m_focusedImage.IsEmpty()) return &m_focusedImage;
    if (!m_normalImage.IsEmpty()) return &m_normalImage;
    return nullptr;
}

void CButtonUI::PaintStatusImage(IRenderUI& render) {
    if (const ImageSpec* image = CurrentImage()) render.DrawImage(m_rcItem, *image);
    // Keyboard focus shows even on buttons without a focused picture.
    if (m_focused && m_focusedImage.IsEmpty()) render.DrawFocus(m_rcItem);
}

uint32_t CButtonUI::CurrentTextColor() const {
    if (m_enabled && m_pushed && m_pushedTextColor) return m_pushedTextColor;
    if (m_enabled && (m_hot || m_pushed) && m_hotTextColor) return m_hotTextColor;
    return CLabelUI::CurrentTextColor();
}

COptionUI::~COptionUI() {
    if (m_manager && !m_group.empty()) m_manager->RemoveOptionGroup(m_group, this);
}

void COptionUI::SetManager(IControlHost* manager, CControlUI* parent) {
    if (manager != m_manager && m_manager && !m_group.empty()) m_manager->RemoveOptionGroup(m_group, this);
    CButtonUI::SetManager(manager, parent);
    if (m_manager && !m_group.empty()) m_manager->AddOptionGroup(m_group, this);
}

void COptionUI::SetGroup(const std::wstring& group) {
    if (group == m_group) return;
    if (m_manager && !m_group.empty()) m_manager->RemoveOptionGroup(m_group, this);
    m_group = group;
    if (m_manager && !m_group.empty()) m_manager->AddOptionGroup(m_group, this);
}

void COptionUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    auto is = [&](const wchar_t* key) { return sys::EqualsNoCase(name, key); };
    if (is(L"group"))
        SetGroup(value);
    else if (is(L"selected"))
        Selected(ParseBool(value), false);
    else if (is(L"selectedimage"))
        m_selectedImage = ParseImageSpec(value);
    else if (is(L"selectedhotimage"))
        m_selectedHotImage = ParseImageSpec(value);
    else if (is(L"selectedtextcolor"))
        ParseColor(value, m_selectedTextColor);
    else {
        CButtonUI::SetAttribute(name, value);
        return;
    }
    Invalidate();
}

void COptionUI::Selected(bool selected, bool notify) {
    if (m_selected == selected) return;
    m_selected = selected;
    if (selected && m_manager && !m_group.empty()) {
        for (COptionUI* other : m_manager->GetOptionGroup(m_group)) {
            if (other != this) other->Selected(false, notify);
        }
    }
    Invalidate();
    if (notify) Notify(L"selectchanged");
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate()) return false;
    if (m_group.empty())
        Selected(!m_selected);
    else
        Selected(true);
    return true;
}

const ImageSpec* COptionUI::CurrentImage() const {
    if (m_selected) {
        if ((m_hot || m_pushed) && !m_selectedHotImage.IsEmpty()) return &m_selectedHotImage;
        if (!m_selectedImage.IsEmpty()) return &m_selectedImage;
    }
    return CButtonUI::CurrentImage();
}

uint32_t COptionUI::CurrentTextColor() const {
    if (m_enabled && m_selected && m_selectedTextColor) return m_selectedTextColor;
    return CButtonUI::CurrentTextColor();
}

}  // namespace DuiLib
