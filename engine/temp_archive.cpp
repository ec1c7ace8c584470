#include "engine/temp_archive.h"

#include "win/file_rename.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr int kCreateAttempts = 3;  // a name planted again at the sibling's name
constexpr DWORD kCopyChunk = 1u << 20;

std::wstring SiblingName(const std::wstring& path, int attempt) {
    return path + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount64()) + L"-" +
           std::to_wstring(attempt) + L".new";
}

bool DeleteThroughHandle(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

// Gives the open file the name `path`, replacing the directory entry there
// (a file, a hard link, a link to a file) without opening what it points to.
bool RenameOver(HANDLE file, const std::wstring& path) { return win::RenameOpenFile(file, path, true); }

// Clears what a rename cannot replace: a reparse point (a link to a folder, a
// junction) is deleted only when the handle opened on it is the link itself;
// where the system hands back its target instead (Wine), nothing is touched.
// A plain read-only file loses its read-only attribute.
bool ClearUnreplaceable(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || !(attributes & FILE_ATTRIBUTE_READONLY)) {
            ::SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
        return ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != FALSE;
    }
    win::UniqueFile link(::CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!link) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(link.get(), &info)) return false;
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ::SetLastError(ERROR_ACCESS_DENIED);  // the handle reached the target
        return false;
    }
    return DeleteThroughHandle(link.get());
}

}  // namespace

win::UniqueFile CreateFreshFile(const std::wstring& path) {
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        // Made new under a name of our own, then renamed over whatever is at
        // `path`: nothing planted there is ever opened for writing.
        win::UniqueFile file(::CreateFileW(SiblingName(path, attempt).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                           FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            return {};
        }
        if (RenameOver(file.get(), path) || (ClearUnreplaceable(path) && RenameOver(file.get(), path))) return file;
        const DWORD error = ::GetLastError();
        DeleteThroughHandle(file.get());
        file.reset();
        ::SetLastError(error);
        return {};
    }
    ::SetLastError(ERROR_FILE_EXISTS);
    return {};
}

bool TempArchive::Create(const std::wstring& path) {
    m_file.reset();
    m_path = path;
    if (path.empty()) {
        ::SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    m_file = CreateFreshFile(path);
    return static_cast<bool>(m_file);
}

bool TempArchive::Delete() {
    if (!m_file) return false;
    // Nobody else may open it for deletion: the name goes through this handle.
    const bool marked = DeleteThroughHandle(m_file.get());
    m_file.reset();
    return marked;
}

bool CopyFileInto(const std::wstring& source, HANDLE target) {
    win::UniqueFile in(::CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!in) return false;
    std::vector<char> buffer(kCopyChunk);
    for (;;) {
        DWORD read = 0, written = 0;
        if (!::ReadFile(in.get(), buffer.data(), kCopyChunk, &read, nullptr)) return false;
        if (read == 0) return true;
        if (!::WriteFile(target, buffer.data(), read, &written, nullptr) || written != read) return false;
    }
}
