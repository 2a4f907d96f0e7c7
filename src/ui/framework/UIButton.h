// Buttons and options: hover, press and release, the state pictures, click and selection.
#pragma once

#include "ui/framework/UILabel.h"

namespace DuiLib {

class CButtonUI : public CLabelUI {
public:
    CButtonUI();
    std::wstring GetClass() const override { return L"ButtonUI"; }
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    bool IsFocusable() const override { return true; }
    void DoEvent(TEventUI& event) override;
    // Sends "click".
    bool Activate() override;

    bool IsHot() const { return m_hot; }
    bool IsPushed() const { return m_pushed; }

protected:
    void PaintBackground(IRenderUI& render) override;
    void PaintStatusImage(IRenderUI& render) override;
    uint32_t CurrentTextColor() const override;
    // The picture for the current state, or null for none.
    virtual const ImageSpec* CurrentImage() const;

    bool m_hot = false;
    bool m_pushed = false;
    ImageSpec m_normalImage;
    ImageSpec m_hotImage;
    ImageSpec m_pushedImage;
    ImageSpec m_focusedImage;
    ImageSpec m_disabledImage;
    uint32_t m_hotTextColor = 0;
    uint32_t m_pushedTextColor = 0;
    uint32_t m_hotBkColor = 0;
    uint32_t m_pushedBkColor = 0;
    uint32_t m_disabledBkColor = 0;
};

// A check box, or a radio button when it belongs to a group.
class COptionUI : public CButtonUI {
public:
    ~COptionUI() override;
    std::wstring GetClass() const override { return L"OptionUI"; }
    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void SetManager(IControlHost* manager, CControlUI* parent) override;

    const std::wstring& GetGroup() const { return m_group; }
    void SetGroup(const std::wstring& group);
    bool IsSelected() const { return m_selected; }
    // Selecting an option of a group deselects the others; "selectchanged" reports a change.
    void Selected(bool selected, bool notify = true);
    // "click" first, then the new state: a check box flips, a radio button is selected.
    bool Activate() override;

protected:
    const ImageSpec* CurrentImage() const override;
    uint32_t CurrentTextColor() const override;

    std::wstring m_group;
    bool m_selected = false;
    ImageSpec m_selectedImage;
    ImageSpec m_selectedHotImage;
    uint32_t m_selectedTextColor = 0;
};

}  // namespace DuiLib
