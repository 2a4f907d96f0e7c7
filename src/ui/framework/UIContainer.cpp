// Layout of columns and rows: fixed sizes first, the rest shared equally among the children that
// give none; floating children go where their pos says, relative to the container.
#include "ui/framework/UIContainer.h"

#include <algorithm>

#include "system/TextRules.h"

namespace DuiLib {

CContainerUI::~CContainerUI() {
    for (CControlUI* item : m_items) delete item;
}

bool CContainerUI::Add(CControlUI* control) {
    if (!control) return false;
    m_items.push_back(control);
    control->SetManager(m_manager, this);
    NeedUpdate();
    return true;
}

bool CContainerUI::Remove(CControlUI* control) {
    auto it = std::find(m_items.begin(), m_items.end(), control);
    if (it == m_items.end()) return false;
    m_items.erase(it);
    delete control;
    NeedUpdate();
    return true;
}

CControlUI* CContainerUI::GetItemAt(int index) const {
    return index >= 0 && index < GetCount() ? m_items[static_cast<size_t>(index)] : nullptr;
}

void CContainerUI::SetAttribute(const std::wstring& name, const std::wstring& value) {
    if (sys::EqualsNoCase(name, L"inset")) {
        m_inset = ParseRect(value);
        NeedUpdate();
    } else if (sys::EqualsNoCase(name, L"childpadding")) {
        m_childPadding = ParseInt(value);
        NeedUpdate();
    } else {
        CControlUI::SetAttribute(name, value);
    }
}

void CContainerUI::SetManager(IControlHost* manager, CControlUI* parent) {
    CControlUI::SetManager(manager, parent);
    for (CControlUI* item : m_items) item->SetManager(manager, this);
}

UiRect CContainerUI::Inner() const {
    return m_rcItem.Deflate(m_manager ? m_manager->Scale().Scale(m_inset) : m_inset);
}

void CContainerUI::SetPos(const UiRect& rect, bool needInvalidate) {
    CControlUI::SetPos(rect, needInvalidate);
    ArrangeChildren(Inner());
    ArrangeFloating();
}

void CContainerUI::ArrangeFloating() {
    for (CControlUI* item : m_items) {
        if (item->IsFloat()) item->SetPos(item->FloatRect(m_rcItem), false);
    }
}

CControlUI* CContainerUI::FindControlAt(UiPoint point) {
    if (!m_visible || !m_rcItem.Contains(point)) return nullptr;
    // Later children lie on top of earlier ones, floating ones on top of the rest.
    for (int pass = 0; pass < 2; ++pass) {
        for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
            if ((*it)->IsFloat() != (pass == 0)) continue;
            if (CControlUI* hit = (*it)->FindControlAt(point)) return hit;
        }
    }
    return m_mouseEnabled ? this : nullptr;
}

CControlUI* CContainerUI::FindControlByName(const std::wstring& name) {
    if (CControlUI* self = CControlUI::FindControlByName(name)) return self;
    for (CControlUI* item : m_items) {
        if (CControlUI* found = item->FindControlByName(name)) return found;
    }
    return nullptr;
}

void CContainerUI::CollectFocusable(std::vector<CControlUI*>& out) {
    if (!m_visible || !m_enabled) return;
    CControlUI::CollectFocusable(out);
    for (CControlUI* item : m_items) item->CollectFocusable(out);
}

void CContainerUI::DoPaint(IRenderUI& render, const UiRect& dirty) {
    if (!m_visible || m_rcItem.Intersect(dirty).IsEmpty()) return;
    CControlUI::DoPaint(render, dirty);
    render.PushClip(m_rcItem);
    for (int pass = 0; pass < 2; ++pass) {
        for (CControlUI* item : m_items) {
            if (item->IsFloat() == (pass == 1)) item->DoPaint(render, dirty);
        }
    }
    render.PopClip();
}

namespace {

// Shares `free` among `count` children; the first ones get the remainder's pixels.
int ShareOf(int free, int count, int index) {
    if (count <= 0 || free <= 0) return 0;
    return free / count + (index < free % count ? 1 : 0);
}

// Rows are laid out as columns with the two axes swapped.
UiRect Transposed(const UiRect& r) {
    return {r.top, r.left, r.bottom, r.right};
}

}  // namespace

void CContainerUI::ArrangeLine(const UiRect& innerRect, bool vertical) {
    auto axes = [vertical](const UiRect& r) { return vertical ? r : Transposed(r); };
    auto along = [vertical](const CControlUI* item) {
        return vertical ? item->GetFixedHeight() : item->GetFixedWidth();
    };
    auto across = [vertical](const CControlUI* item) {
        return vertical ? item->GetFixedWidth() : item->GetFixedHeight();
    };
    const UiRect inner = axes(innerRect);
    int fixedTotal = 0;
    int flexible = 0;
    int placed = 0;
    for (CControlUI* item : m_items) {
        if (!item->IsVisible() || item->IsFloat()) continue;
        const UiRect pad = axes(item->GetPadding());
        fixedTotal += pad.top + pad.bottom;
        if (along(item) > 0)
            fixedTotal += along(item);
        else
            ++flexible;
        ++placed;
    }
    if (placed > 1) fixedTotal += ChildPadding() * (placed - 1);
    const int free = inner.Height() - fixedTotal;
    int y = inner.top;
    int flexIndex = 0;
    for (CControlUI* item : m_items) {
        if (item->IsFloat()) continue;
        const UiRect pad = axes(item->GetPadding());
        const bool shown = item->IsVisible();
        // A hidden child takes no room but gets a place at the start of the line, so that pages
        // sharing one place have their rectangles before they are first shown.
        const int length =
            along(item) > 0 ? along(item) : (shown ? ShareOf(free, flexible, flexIndex++) : inner.Height());
        const int available = inner.Width() - pad.left - pad.right;
        const int breadth = across(item) > 0 ? std::min(across(item), std::max(available, 0)) : available;
        const int top = (shown ? y : inner.top) + pad.top;
        item->SetPos(axes({inner.left + pad.left, top, inner.left + pad.left + breadth, top + length}),
                     false);
        if (shown) y = top + length + pad.bottom + ChildPadding();
    }
}

void CVerticalLayoutUI::ArrangeChildren(const UiRect& inner) {
    ArrangeLine(inner, true);
}

void CHorizontalLayoutUI::ArrangeChildren(const UiRect& inner) {
    ArrangeLine(inner, false);
}

}  // namespace DuiLib
