#include "ui/controls/tab_layout.h"

#include <algorithm>

#include "ui/base/paint_manager.h"
#include "win/text.h"

namespace Ulmar {

const wchar_t* CTabLayoutUI::GetClassName() const { return L"TabLayoutUI"; }

void* CTabLayoutUI::GetInterface(const wchar_t* name) {
    if (name && win::EqualsNoCase(name, L"TabLayout")) return static_cast<CTabLayoutUI*>(this);
    return CContainerUI::GetInterface(name);
}

bool CTabLayoutUI::Add(CControlUI* control) {
    if (!CContainerUI::Add(control)) return false;
    if (selected_ == -1 && control->IsVisible()) {
        selected_ = GetItemIndex(control);
    } else {
        control->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
    if (!CContainerUI::AddAt(control, index)) return false;
    if (selected_ == -1 && control->IsVisible()) {
        selected_ = GetItemIndex(control);
    } else if (selected_ != -1 && index <= selected_) {
        // The selected page moved one place on; the new one keeps its visibility.
        ++selected_;
    } else {
        control->SetVisible(false);
    }
    return true;
}

bool CTabLayoutUI::Remove(CControlUI* control) {
    if (!control) return false;
    const int index = GetItemIndex(control);
    if (!CContainerUI::Remove(control)) return false;
    if (index == selected_) {
        if (GetCount() > 0) {
            selected_ = 0;
            GetItemAt(0)->SetVisible(true);
        } else {
            selected_ = -1;
        }
        NeedParentUpdate();
    } else if (index < selected_) {
        --selected_;
    }
    return true;
}

void CTabLayoutUI::RemoveAll() {
    selected_ = -1;
    CContainerUI::RemoveAll();
    NeedParentUpdate();
}

bool CTabLayoutUI::SelectItem(int index) {
    if (index < 0 || index >= GetCount()) return false;
    if (index == selected_) return true;
    const int old = selected_;
    selected_ = index;
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* page = GetItemAt(i);
        if (i == index) {
            page->SetVisible(true);
            page->SetFocus();
            SetPos(itemRect_, true);
        } else {
            page->SetVisible(false);
        }
    }
    NeedParentUpdate();
    if (manager_) {
        manager_->SetNextTabControl();
        manager_->SendNotify(this, NotifyType::kTabSelect, static_cast<WPARAM>(index),
                             static_cast<LPARAM>(old));
    }
    return true;
}

bool CTabLayoutUI::SelectItem(CControlUI* control) {
    const int index = GetItemIndex(control);
    return index >= 0 && SelectItem(index);
}

const AttributeRow<CTabLayoutUI> CTabLayoutUI::kAttributes[] = {
    {L"selectedid", [](CTabLayoutUI& c, const wchar_t* v) { c.SelectItem(ParseInt(v)); }, false, true},
};

void CTabLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!ApplyAttributeRow(kAttributes, *this, name, value)) CContainerUI::SetAttribute(name, value);
}

void CTabLayoutUI::SetPos(RECT rcPos, bool needInvalidate) {
    CControlUI::SetPos(rcPos, needInvalidate);
    RECT rc = InsetRect();
    for (int i = 0; i < GetCount(); ++i) {
        CControlUI* child = GetItemAt(i);
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        if (i != selected_) continue;
        const RECT p = child->GetPadding();
        RECT area = {rc.left + p.left, rc.top + p.top, rc.right - p.right, rc.bottom - p.bottom};
        SIZE s = child->EstimateSize(SIZE{area.right - area.left, area.bottom - area.top});
        if (s.cx == 0) s.cx = std::max(0, static_cast<int>(area.right - area.left));
        if (s.cy == 0) s.cy = std::max(0, static_cast<int>(area.bottom - area.top));
        s.cx = std::max(child->GetMinWidth(), std::min(static_cast<int>(s.cx), child->GetMaxWidth()));
        s.cy = std::max(child->GetMinHeight(), std::min(static_cast<int>(s.cy), child->GetMaxHeight()));
        child->SetPos(RECT{area.left, area.top, area.left + s.cx, area.top + s.cy}, true);
    }
}

}  // namespace Ulmar
