// File moves of an update on one volume: earlier files renamed into the update's
// backup folder and back, never copied, never through a link.
#pragma once

#include <windows.h>

#include <string>

namespace engine {

// Renames the file at `from` to `to`, which must not exist. The file is opened
// without following links: a link, a folder, or a file another program holds
// open without delete sharing is refused (the Windows error is returned; a link
// or folder gives ERROR_CANT_ACCESS_FILE). With `from_folder_final`, the final
// path of `from`'s folder, a handle found anywhere but at that folder and name
// (a system that follows a link whatever the flags, as Wine does for a Unix
// link to a file) is refused too, before anything moves.
DWORD RenameFileNoFollow(const std::wstring& from, const std::wstring& to,
                         const std::wstring& from_folder_final = std::wstring());

// Deletes a file of the update's own (read-only or not). True when it is gone.
bool DeleteOwnedFile(const std::wstring& path);

// Clears the read-only attribute of a plain file so that it can be deleted; a
// link is left as it is.
void ClearReadOnly(const std::wstring& path);

}  // namespace engine
