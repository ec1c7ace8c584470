// The installer's windows take their controls from the skin by name.
#pragma once

#include "ui/base/control.h"
#include "ui/base/paint_manager.h"

// The named control when it is of the kind asked for (by its interface name);
// the skin is data, so a control of another kind counts as missing.
template <class T>
T* FindControlAs(const Ulmar::CPaintManagerUI& pm, const wchar_t* name, const wchar_t* kind) {
    Ulmar::CControlUI* control = pm.FindControl(name);
    return control ? static_cast<T*>(control->GetInterface(kind)) : nullptr;
}
