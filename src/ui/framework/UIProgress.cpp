// Progress bar.
#include "ui/framework/UIProgress.h"

#include <algorithm>

#include "system/TextRules.h"

namespace DuiLib {

CProgressUI::CProgressUI() {
    m_align = kAlignCenter | kAlignVCenter;
}

void CProgressUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    auto is = [&](const wchar_t* key) { return sys::EqualsNoCase(name, key); };
    if (is(L"min"))
        m_min = ParseInt(value);
    else if (is(L"max"))
        m_max = ParseInt(value, 100);
    else if (is(L"value"))
        SetValue(ParseInt(value));
    else if (is(L"foreimage"))
        m_foreImage = ParseImageSpec(value);
    else if (is(L"forecolor"))
        ParseColor(value, m_foreColor);
    else {
        CLabelUI::SetAttribute(name, value);
        return;
    }
    Invalidate();
}

void CProgressUI::SetValue(int value) {
    const int low = std::min(m_min, m_max);
    const int high = std::max(m_min, m_max);
    value = std::clamp(value, low, high);
    if (value == m_value) return;
    m_value = value;
    Invalidate();
}

UiRect CProgressUI::FilledRect(const UiRect& rect) const {
    UiRect filled = rect;
    const long long range = static_cast<long long>(m_max) - m_min;
    if (range <= 0) {
        filled.right = filled.left;
        return filled;
    }
    filled.right =
        rect.left + static_cast<int>(rect.Width() * (static_cast<long long>(m_value) - m_min) / range);
    return filled;
}

void CProgressUI::PaintStatusImage(IRenderUI& render) {
    const UiRect filled = FilledRect(m_rcItem);
    if (filled.IsEmpty()) return;
    const UiSize round = m_manager ? m_manager->Scale().Scale(m_borderRound) : m_borderRound;
    render.PushClip(filled);
    if (m_foreColor >> 24) render.FillRect(m_rcItem, m_foreColor, round);
    if (!m_foreImage.IsEmpty()) render.DrawImage(m_rcItem, m_foreImage);
    render.PopClip();
}

}  // namespace DuiLib
