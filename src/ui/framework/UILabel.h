// A control that shows a text in one of the skin's fonts.
#pragma once

#include "ui/framework/UIControl.h"

namespace DuiLib {

class CLabelUI : public CControlUI {
public:
    CLabelUI();
    std::wstring GetClass() const override { return L"LabelUI"; }
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;

    int GetFont() const { return m_font; }
    unsigned GetTextStyle() const { return m_align; }
    uint32_t GetTextColor() const { return m_textColor; }

protected:
    void PaintText(IRenderUI& render) override;
    // The colour for the current state; a text of colour 0 is not drawn.
    virtual uint32_t CurrentTextColor() const;
    UiRect TextRect() const;

    int m_font = -1;  // the skin's default font
    unsigned m_align = kAlignLeft | kAlignVCenter;
    uint32_t m_textColor = 0xFF000000;
    uint32_t m_disabledTextColor = 0;
    UiRect m_textPadding;
};

}  // namespace DuiLib
