// Finding and ending the product's running processes.
#pragma once

#include "win/unique_handle.h"

#include <windows.h>

#include <string>
#include <vector>

namespace engine {

// Full path of a process's executable; empty when it cannot be opened. Works on
// 64-bit processes from this 32-bit program, which module snapshots do not.
std::wstring ProcessImagePath(DWORD pid);

// Opens process `pid` with the rights EndProcess needs; empty when it cannot.
win::UniqueKernelHandle OpenProcessToEnd(DWORD pid);
// Ends `process` (borrowed, opened by OpenProcessToEnd) with exit code
// 0xFFFFFFFF unless it has ended by itself within `graceMs`, then waits up to
// `waitMs` for it to be gone. True when it is gone; false for no handle.
bool EndProcess(HANDLE process, DWORD graceMs, DWORD waitMs);

// Ends (exit code 0xFFFFFFFF, up to 4 s wait each) every process whose executable
// lies directly in `folder` and is named one of `image_names` (any case): the
// product's own programs. Any other process, wherever it runs from, is left
// alone; sub-folders are not matched. False only when the process list cannot
// be taken.
bool StopProcessesInFolder(const std::wstring& folder, const std::vector<std::wstring>& image_names);

// The first process whose executable file name equals `exe_name` (any case).
bool FindProcessByName(const std::wstring& exe_name, DWORD* pid);
// The last process named `exe_name`; found only when its executable's full path
// equals `full_path` (any case).
bool FindProcessByPath(const std::wstring& exe_name, const std::wstring& full_path, DWORD* pid);

}  // namespace engine
