#include "engine/update/backup.h"

#include "win/file_rename.h"
#include "win/link_safe.h"
#include "win/path.h"
#include "win/unique_handle.h"

namespace engine {

DWORD RenameFileNoFollow(const std::wstring& from, const std::wstring& to, const std::wstring& from_folder_final) {
    win::UniqueFile file(::CreateFileW(from.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return ::GetLastError();
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!::GetFileInformationByHandle(file.get(), &info)) return ::GetLastError();
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) return ERROR_CANT_ACCESS_FILE;
    if (!from_folder_final.empty() &&
        !win::EqualsNoCase(win::FinalPathOf(file.get()), win::JoinPath(from_folder_final, win::FileNameOf(from))))
        return ERROR_CANT_ACCESS_FILE;

    return win::RenameOpenFile(file.get(), to, false) ? ERROR_SUCCESS : ::GetLastError();
}

void ClearReadOnly(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY) ||
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)))
        return;
    // Setting attributes follows a link that shows as a plain file (Wine's Unix
    // links): the read-only file is looked at as an entry first.
    if (!win::IsLinkAt(path)) ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
}

bool DeleteOwnedFile(const std::wstring& path) {
    ClearReadOnly(path);
    if (::DeleteFileW(path.c_str())) return true;
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace engine
