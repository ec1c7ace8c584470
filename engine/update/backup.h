// File moves of an update on one volume: earlier files renamed into the update's
// backup folder and back, never copied, never through a link.
#pragma once

#include <windows.h>

#include <string>

namespace engine {

// Renames the file at `from` to `to`, which must not exist. The file is opened
// without following links: a link, a folder, or a file another program holds
// open without delete sharing is refused (the Windows error is returned).
DWORD RenameFileNoFollow(const std::wstring& from, const std::wstring& to);

// Deletes a file of the update's own (read-only or not). True when it is gone.
bool DeleteOwnedFile(const std::wstring& path);

// Clears the read-only attribute of a plain file so that it can be deleted.
void ClearReadOnly(const std::wstring& path);

}  // namespace engine
