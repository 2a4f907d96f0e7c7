// Edit box: attributes, hint text, hand-over to the native editor.
#include "ui/framework/UIEdit.h"

#include "system/TextRules.h"

namespace DuiLib {

CEditUI::CEditUI() {
    m_textPadding = {4, 0, 4, 0};
}

void CEditUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    auto is = [&](const wchar_t* key) { return sys::EqualsNoCase(name, key); };
    if (is(L"tipvalue"))
        m_tipValue = value;
    else if (is(L"tipvaluecolor"))
        ParseColor(value, m_tipValueColor);
    else if (is(L"maxchar"))
        m_maxChar = ParseInt(value, m_maxChar);
    else if (is(L"readonly"))
        m_readOnly = ParseBool(value);
    else if (is(L"password"))
        m_password = ParseBool(value);
    else if (is(L"normalimage"))
        m_normalImage = ParseImageSpec(value);
    else if (is(L"focusedimage"))
        m_focusedImage = ParseImageSpec(value);
    else if (is(L"disabledimage"))
        m_disabledImage = ParseImageSpec(value);
    else if (is(L"focusedbordercolor"))
        ParseColor(value, m_focusedBorderColor);
    else {
        CLabelUI::SetAttribute(name, value);
        return;
    }
    Invalidate();
}

void CEditUI::SetText(const std::wstring& text) {
    std::wstring limited = text;
    if (m_maxChar > 0 && static_cast<int>(limited.size()) > m_maxChar)
        limited.resize(static_cast<size_t>(m_maxChar));
    CLabelUI::SetText(limited);
}

void CEditUI::SetTextFromEditor(const std::wstring& text) {
    if (text == m_text) return;
    SetText(text);
    Notify(L"textchanged");
}

void CEditUI::DoEvent(TEventUI& event) {
    if (!m_enabled) {
        CLabelUI::DoEvent(event);
        return;
    }
    switch (event.type) {
        case UiEvent::ButtonDown:
            if (m_manager) {
                if (m_manager->GetFocus() != this)
                    m_manager->SetFocus(this);
                else
                    m_manager->BeginEdit(this);
            }
            break;
        case UiEvent::SetFocus:
            CLabelUI::DoEvent(event);
            if (m_manager && !m_readOnly) m_manager->BeginEdit(this);
            break;
        default:
            CLabelUI::DoEvent(event);
            break;
    }
}

void CEditUI::PaintStatusImage(IRenderUI& render) {
    const ImageSpec* image = &m_normalImage;
    if (!m_enabled && !m_disabledImage.IsEmpty())
        image = &m_disabledImage;
    else if (m_focused && !m_focusedImage.IsEmpty())
        image = &m_focusedImage;
    if (!image->IsEmpty()) render.DrawImage(m_rcItem, *image);
}

void CEditUI::PaintText(IRenderUI& render) {
    if (m_text.empty()) {
        if (!m_tipValue.empty() && !m_focused)
            render.DrawText(TextRect(), m_tipValue, m_tipValueColor, m_font, m_align);
        return;
    }
    if (m_password) {
        render.DrawText(TextRect(), std::wstring(m_text.size(), L'\x25CF'), CurrentTextColor(), m_font,
                        m_align);
        return;
    }
    render.DrawText(TextRect(), m_text, CurrentTextColor(), m_font,
                    m_align & ~static_cast<unsigned>(kAlignWrap));
}

void CEditUI::PaintBorder(IRenderUI& render) {
    if (m_focused && m_focusedBorderColor && m_borderSize > 0) {
        const UiSize round = m_manager ? m_manager->Scale().Scale(m_borderRound) : m_borderRound;
        render.DrawBorder(m_rcItem, m_focusedBorderColor, Scaled(m_borderSize), round);
        return;
    }
    CLabelUI::PaintBorder(render);
}

}  // namespace DuiLib
