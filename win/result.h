// The one way a Win32 failure becomes our result: an HRESULT from an error code or
// from the last error, and a registry-style status turned into bool + last error.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// HRESULT_FROM_WIN32 as a function: 0 and values that are already HRESULTs
// (negative) pass through unchanged.
HRESULT HResultFromWin32(DWORD error);
// The calling thread's last error as an HRESULT; E_FAIL when none is set, so that
// a failed call is never read as success.
HRESULT LastErrorAsHResult();
// For calls that speak through the last error even when they succeed
// (CreateMutexW's ERROR_ALREADY_EXISTS, AdjustTokenPrivileges'
// ERROR_NOT_ALL_ASSIGNED): S_OK only when the call succeeded and left no error.
// Read right after the call.
HRESULT ResultWithLastError(bool succeeded);
// For calls that return their error (the registry's LONG): true on ERROR_SUCCESS;
// otherwise false with the error in GetLastError.
bool SucceededWithLastError(LONG status);
// The system's text for a Windows error code or HRESULT; empty when it has none.
std::wstring SystemMessage(DWORD code);

}  // namespace win
