// The computer's identifier: created once, kept in the registry, sent with every report.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace report {

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal.
std::wstring FormatGuid(const GUID& guid);

// The stored identifier when `read` finds one; otherwise a new one (empty when
// CoCreateGuid fails) that is handed to `write` and returned.
std::wstring ComputerGuid(const std::function<bool(std::wstring&)>& read,
                          const std::function<void(const std::wstring&)>& write);

}  // namespace report
