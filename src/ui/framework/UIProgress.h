// A progress bar: a share of its width filled by the fore picture or colour, its text centred.
#pragma once

#include "ui/framework/UILabel.h"

namespace DuiLib {

class CProgressUI : public CLabelUI {
public:
    CProgressUI();
    std::wstring GetClass() const override { return L"ProgressUI"; }
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;

    int GetMinValue() const { return m_min; }
    int GetMaxValue() const { return m_max; }
    int GetValue() const { return m_value; }
    // Kept within min and max.
    void SetValue(int value);
    // The filled part of rect for the current value.
    UiRect FilledRect(const UiRect& rect) const;

protected:
    void PaintStatusImage(IRenderUI& render) override;

    int m_min = 0;
    int m_max = 100;
    int m_value = 0;
    uint32_t m_foreColor = 0;
    ImageSpec m_foreImage;
};

}  // namespace DuiLib
