#pragma once
// Attribute tables: each control class declares the attributes it reads as
// {name, setter} rows and hands any other name to its base class, so adding an
// attribute is one row and no class grows an if-chain.
#include <cstddef>
#include <cwchar>

#include "win/text.h"

namespace Ulmar {

template <class Control>
struct AttributeRow {
    const wchar_t* name;
    void (*set)(Control& control, const wchar_t* value);
    // Exact rows match the name's case as well; skins have always written them so.
    bool exactCase = false;
    // The row applies, and the base class still sees the name.
    bool passOn = false;
};

// Applies the first row named `name` to `control`. True when the name is
// settled; false when the caller hands it to its base class.
template <class Control, size_t N>
bool ApplyAttributeRow(const AttributeRow<Control> (&rows)[N], Control& control, const wchar_t* name,
                       const wchar_t* value) {
    if (!name) return false;
    for (const AttributeRow<Control>& row : rows) {
        if (row.exactCase ? std::wcscmp(name, row.name) == 0 : win::EqualsNoCase(name, row.name)) {
            row.set(control, value);
            return !row.passOn;
        }
    }
    return false;
}

}  // namespace Ulmar
