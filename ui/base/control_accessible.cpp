// CControlUI: what the control tells assistive technology, and the WinEvents it raises.
#include "ui/base/control.h"
#include "ui/base/paint_manager.h"

namespace Ulmar {

long NextAccessibleId() {
    static LONG last = 0;
    return ::InterlockedIncrement(&last);
}

TAccessibleInfo CControlUI::GetAccessibleInfo() const {
    TAccessibleInfo info;
    info.role = accRole_ != 0 ? accRole_ : DefaultAccessibleRole();
    if (!accName_.IsEmpty()) {
        info.name = accName_;
    } else {
        info.name = GetText();
        if (info.name.IsEmpty()) info.name = GetToolTip();
    }
    if (!IsVisible()) info.state |= STATE_SYSTEM_INVISIBLE;
    if (!IsEnabled()) info.state |= STATE_SYSTEM_UNAVAILABLE;
    if (GetControlFlags() & UIFLAG_TABSTOP) info.state |= STATE_SYSTEM_FOCUSABLE;
    if (manager_ && manager_->GetFocus() == this) info.state |= STATE_SYSTEM_FOCUSED;
    DescribeAccessible(info);
    if (const wchar_t* verb = DefaultActionOf(info.role, info.state)) info.defaultAction = verb;
    return info;
}

bool CControlUI::DoAccessibleDefaultAction() {
    const TAccessibleInfo info = GetAccessibleInfo();
    if (info.defaultAction.IsEmpty() || !IsVisible() || !IsEnabled()) return false;
    return Activate();
}

long CControlUI::DefaultAccessibleRole() const { return 0; }

void CControlUI::DescribeAccessible(TAccessibleInfo&) const {}

void CControlUI::NotifyAccessible(DWORD event) const {
    if (manager_) manager_->NotifyAccessible(event, this);
}

}  // namespace Ulmar
