// Label: text attributes and text painting.
#include "ui/framework/UILabel.h"

#include "system/TextRules.h"

namespace DuiLib {

CLabelUI::CLabelUI() = default;

void CLabelUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    auto is = [&](const wchar_t* key) { return sys::EqualsNoCase(name, key); };
    if (is(L"font")) {
        m_font = ParseInt(value, -1);
    } else if (is(L"align")) {
        m_align = ParseAlign(value, m_align);
    } else if (is(L"valign")) {
        m_align = ParseAlign(value, m_align);
    } else if (is(L"textcolor")) {
        ParseColor(value, m_textColor);
    } else if (is(L"disabledtextcolor")) {
        ParseColor(value, m_disabledTextColor);
    } else if (is(L"textpadding")) {
        m_textPadding = ParseRect(value);
    } else if (is(L"wordbreak") || is(L"multiline")) {
        if (ParseBool(value))
            m_align |= kAlignWrap;
        else
            m_align &= ~static_cast<unsigned>(kAlignWrap);
    } else if (is(L"endellipsis")) {
        if (ParseBool(value))
            m_align |= kAlignEllipsis;
        else
            m_align &= ~static_cast<unsigned>(kAlignEllipsis);
    } else {
        CControlUI::SetAttribute(name, value);
        return;
    }
    Invalidate();
}

uint32_t CLabelUI::CurrentTextColor() const {
    if (!m_enabled && m_disabledTextColor) return m_disabledTextColor;
    return m_textColor;
}

UiRect CLabelUI::TextRect() const {
    return m_rcItem.Deflate(m_manager ? m_manager->Scale().Scale(m_textPadding) : m_textPadding);
}

void CLabelUI::PaintText(IRenderUI& render) {
    const uint32_t color = CurrentTextColor();
    if (m_text.empty() || !(color >> 24)) return;
    render.DrawText(TextRect(), m_text, color, m_font, m_align);
}

}  // namespace DuiLib
