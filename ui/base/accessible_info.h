#pragma once
// What a drawn control tells assistive technology (screen readers, through
// MSAA): its role, name, state, value and default action.
#include <windows.h>
#include <oleacc.h>

#include "ui/base/ui_string.h"

namespace Ulmar {

struct TAccessibleInfo {
    long role = 0;            // ROLE_SYSTEM_*; 0: the control is not shown to assistive technology
    CUiString name;
    CUiString value;          // empty: the control has no value
    CUiString defaultAction;  // empty: the control has none
    DWORD state = 0;          // STATE_SYSTEM_* bits
};

// The skin's role words ("pushbutton", "checkbox", "radiobutton", "link", "progressbar",
// "edit", "text", "graphic"); 0 for any other.
long ParseAccessibleRole(const wchar_t* word);

// The verb a role's default action is read as, for a control in the given state; null for none.
const wchar_t* DefaultActionOf(long role, DWORD state);

}  // namespace Ulmar
