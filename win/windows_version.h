// What Windows this is, asked so that compatibility shims cannot lie.
#pragma once

#include <windows.h>

namespace win {

// ntdll's RtlGetVersion, looked up at run time (GetVersionEx is shimmed).
bool ReadWindowsVersion(OSVERSIONINFOEXW& info);
// This process runs under WOW64 (IsWow64Process, looked up at run time; false
// where it does not exist).
bool IsWow64();

}  // namespace win
