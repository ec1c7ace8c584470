// CPaintManagerUI: the window's controls as assistive technology sees them.
// WM_GETOBJECT answers the client area's IAccessible; controls raise WinEvents
// through the manager, which knows their child ids.
#include <algorithm>

#include "ui/base/accessible_window.h"
#include "ui/base/control.h"
#include "ui/base/paint_manager.h"

namespace Ulmar {

namespace {

struct AccessibleWalk {
    std::vector<CControlUI*> controls;
};

CControlUI* CollectAccessible(CControlUI* control, void* data) {
    if (control->GetAccessibleInfo().role != 0) static_cast<AccessibleWalk*>(data)->controls.push_back(control);
    return nullptr;
}

CControlUI* MatchAccessibleId(CControlUI* control, void* data) {
    if (control->GetAccessibleId() != *static_cast<const long*>(data)) return nullptr;
    return control->GetAccessibleInfo().role != 0 ? control : nullptr;
}

bool IsInside(const CControlUI* control, const CControlUI* subtree) {
    for (; control; control = control->GetParent()) {
        if (control == subtree) return true;
    }
    return false;
}

}  // namespace

std::vector<CControlUI*> CPaintManagerUI::GetAccessibleChildren() const {
    AccessibleWalk walk;
    // The order Tab walks: each control before its children, the tree's order.
    if (root_) root_->FindControl(CollectAccessible, &walk, UIFIND_VISIBLE | UIFIND_ME_FIRST);
    return walk.controls;
}

long CPaintManagerUI::GetAccessibleChildId(const CControlUI* control) const {
    if (!control) return 0;
    const std::vector<CControlUI*> children = GetAccessibleChildren();
    return std::find(children.begin(), children.end(), control) == children.end() ? 0 : control->GetAccessibleId();
}

CControlUI* CPaintManagerUI::FindAccessibleControl(long id) const {
    if (!root_ || id <= 0) return nullptr;
    return root_->FindControl(MatchAccessibleId, &id, UIFIND_ALL);
}

void CPaintManagerUI::NotifyAccessible(DWORD event, const CControlUI* control) const {
    if (!window_ || !control || control->GetManager() != this) return;
    if (const long id = GetAccessibleChildId(control)) ::NotifyWinEvent(event, window_, OBJID_CLIENT, id);
}

void CPaintManagerUI::NotifyAccessibleSubtree(DWORD event, const CControlUI* subtree) const {
    if (!window_ || !subtree) return;
    bool any = false;
    for (const CControlUI* child : GetAccessibleChildren()) {
        if (!IsInside(child, subtree)) continue;
        ::NotifyWinEvent(event, window_, OBJID_CLIENT, child->GetAccessibleId());
        any = true;
    }
    // The list of children changed.
    if (any) ::NotifyWinEvent(EVENT_OBJECT_REORDER, window_, OBJID_CLIENT, CHILDID_SELF);
}

// A client's call returns before the control acts: a click may open a modal
// box, which must not hold the client's call (and the client) until it ends.
void CPaintManagerUI::PostAccessibleAction(CControlUI* control) {
    if (window_ && control) ::PostMessageW(window_, WM_UI_ACCESSIBLE_ACTION, 0, control->GetAccessibleId());
}

void CPaintManagerUI::RunAccessibleAction(long id) {
    // The control may have gone or hidden meanwhile: act only on one that is still shown.
    CControlUI* control = FindAccessibleControl(id);
    if (control && GetAccessibleChildId(control) != 0) control->DoAccessibleDefaultAction();
}

LRESULT CPaintManagerUI::OnGetObject(WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT) return 0;
    if (!accessible_) accessible_.Attach(CAccessibleWindow::Create(this));
    if (!accessible_) return 0;
    return ::LresultFromObject(IID_IAccessible, wParam, static_cast<IAccessible*>(accessible_.get()));
}

}  // namespace Ulmar
