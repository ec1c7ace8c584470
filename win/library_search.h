// Where the process takes libraries from: the system folder only. An installer runs
// elevated from a downloads folder, where a DLL planted beside it would otherwise
// be loaded by name and run as administrator.
#pragma once

#include <windows.h>

namespace win {

// Restricts the search of every later LoadLibrary, and so of the delay-load helper,
// to the system folder. The entry calls it before anything loads a library.
// SetDefaultDllDirectories is looked up at run time: Windows 7 without KB2533623
// lacks it, and there only SetDllDirectoryW(L"") is applied, which drops the
// current folder but not the exe's own; LoadSystemLibrary covers that case.
// Returns true when the system-folder restriction is in force.
bool RestrictLibrarySearch();

// Loads a library of the system folder by file name ("gdiplus.dll") from that
// folder only, whether or not the search is restricted; its own imports are found
// beside it first. nullptr with GetLastError on failure.
HMODULE LoadSystemLibrary(const wchar_t* name);

// Shown a one-line message just before the process ends because a library it
// needs, or a function in one, cannot be loaded (a GUI entry may show a box when
// not silent). The message also goes to standard error and the debugger.
using LibraryFailureHandler = void (*)(const wchar_t* message);
void SetLibraryFailureHandler(LibraryFailureHandler handler);

// Ends the process for a library (function == nullptr) or a function of one that
// cannot be loaded: says so as above, then exits with ERROR_MOD_NOT_FOUND or
// ERROR_PROC_NOT_FOUND. The delay-load hooks call it; so may explicit loaders.
[[noreturn]] void EndForMissingLibrary(const char* library, const char* function, DWORD error);

}  // namespace win
