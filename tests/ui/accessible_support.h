#pragma once
// What the accessibility tests share: a child id as the VARIANT IAccessible takes.
#include <windows.h>
#include <oleauto.h>

namespace uitest {

inline VARIANT ChildId(long id) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

}  // namespace uitest
