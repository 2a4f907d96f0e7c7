// Containers: children laid out in a column or a row, with floating children placed by pos.
#pragma once

#include <memory>
#include <vector>

#include "ui/framework/UIControl.h"

namespace DuiLib {

class CContainerUI : public CControlUI {
public:
    std::wstring GetClass() const override { return L"ContainerUI"; }
    ~CContainerUI() override;

    // The container owns what it is given.
    bool Add(CControlUI* control);
    bool Remove(CControlUI* control);
    int GetCount() const { return static_cast<int>(m_items.size()); }
    CControlUI* GetItemAt(int index) const;

    void SetAttribute(const std::wstring& name, const std::wstring& value) override;
    void SetManager(IControlHost* manager, CControlUI* parent) override;
    void SetPos(const UiRect& rect, bool needInvalidate = true) override;
    CControlUI* FindControlAt(UiPoint point) override;
    CControlUI* FindControlByName(const std::wstring& name) override;
    void CollectFocusable(std::vector<CControlUI*>& out) override;
    void DoPaint(IRenderUI& render, const UiRect& dirty) override;

protected:
    // Places the children that are not floating inside the inner rectangle.
    virtual void ArrangeChildren(const UiRect& inner) = 0;
    void ArrangeFloating();
    // The children that are not floating one after the other, in a column or a row: fixed sizes
    // first, the rest shared equally among those that give none.
    void ArrangeLine(const UiRect& inner, bool vertical);
    UiRect Inner() const;
    int ChildPadding() const { return Scaled(m_childPadding); }

    std::vector<CControlUI*> m_items;
    UiRect m_inset;
    int m_childPadding = 0;
};

class CVerticalLayoutUI : public CContainerUI {
public:
    std::wstring GetClass() const override { return L"VerticalLayoutUI"; }

protected:
    void ArrangeChildren(const UiRect& inner) override;
};

class CHorizontalLayoutUI : public CContainerUI {
public:
    std::wstring GetClass() const override { return L"HorizontalLayoutUI"; }

protected:
    void ArrangeChildren(const UiRect& inner) override;
};

}  // namespace DuiLib
