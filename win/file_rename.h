// Renaming an open file through its handle: whatever is at the name now is not
// opened, and the file renamed is the one the handle holds.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// Gives the file open in `file` (opened with DELETE access) the full path `path`;
// `replace` lets it take the place of a file or link already there.
bool RenameOpenFile(HANDLE file, const std::wstring& path, bool replace);

}  // namespace win
