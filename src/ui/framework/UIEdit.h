// A one-line edit box. While it has the keyboard the window puts a native editor over it (typing,
// paste, selection and input methods work as everywhere); otherwise it paints its text, or its hint
// when the text is empty.
#pragma once

#include "ui/framework/UILabel.h"

namespace DuiLib {

class CEditUI : public CLabelUI {
public:
    CEditUI();
    std::wstring GetClass() const override { return L"EditUI"; }
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    // An editor whose mouse input is off (its text changes only through the program) takes no
    // keyboard focus either.
    bool IsFocusable() const override { return IsMouseEnabled(); }
    void DoEvent(TEventUI& event) override;
    // The native editor reports what was typed: the text changes and "textchanged" is sent.
    void SetTextFromEditor(const std::wstring& text);
    void SetText(const std::wstring& text) override;

    const std::wstring& GetTipValue() const { return m_tipValue; }
    int GetMaxChar() const { return m_maxChar; }
    bool IsReadOnly() const { return m_readOnly; }
    bool IsPassword() const { return m_password; }
    uint32_t GetBkColorForEditor() const { return m_bkColor >> 24 ? m_bkColor : 0xFFFFFFFF; }
    // Where the native editor goes: the text rectangle.
    UiRect EditorRect() const { return TextRect(); }

protected:
    void PaintStatusImage(IRenderUI& render) override;
    void PaintText(IRenderUI& render) override;
    void PaintBorder(IRenderUI& render) override;

    std::wstring m_tipValue;
    uint32_t m_tipValueColor = 0xFFBBBBBB;
    int m_maxChar = 255;
    bool m_readOnly = false;
    bool m_password = false;
    ImageSpec m_normalImage;
    ImageSpec m_focusedImage;
    ImageSpec m_disabledImage;
    uint32_t m_focusedBorderColor = 0;
};

}  // namespace DuiLib
