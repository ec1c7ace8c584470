// Strings of a module's version information (resource VERSIONINFO 1), read
// straight from the resource: version.dll is no system-folder-only library, so
// the installer does not import it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace win {

// The value NAME ("ProductVersion", "CompanyName" ...) of the first string
// table in the VS_VERSIONINFO block DATA; empty when the block is malformed or
// lacks it.
std::wstring ParseVersionString(const void* data, size_t size, const wchar_t* name);

// The same, from the version information linked into MODULE; empty without one.
std::wstring ReadVersionString(HMODULE module, const wchar_t* name);

}  // namespace win
