#include "engine/temp_archive.h"

#include <vector>

namespace {

constexpr int kCreateAttempts = 3;  // a name planted again between removal and creation
constexpr DWORD kCopyChunk = 1u << 20;

bool HasOneName(const std::wstring& path) {
    win::UniqueFile file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    return file && ::GetFileInformationByHandle(file.get(), &info) && info.nNumberOfLinks == 1;
}

// Removes the directory entry itself: a link or junction goes, its target stays;
// a hard link loses this one name only.
bool RemoveEntry(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A link to a folder is removed as a folder on Windows, as a file elsewhere.
        return ::DeleteFileW(path.c_str()) || ::RemoveDirectoryW(path.c_str());
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ::RemoveDirectoryW(path.c_str()) != FALSE;
    // A read-only file of its own loses the flag first; attributes belong to the
    // file, not the name, so one with other names (hard links) keeps it and stays.
    if ((attributes & FILE_ATTRIBUTE_READONLY) && HasOneName(path))
        ::SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return ::DeleteFileW(path.c_str()) != FALSE;
}

}  // namespace

win::UniqueFile CreateFreshFile(const std::wstring& path) {
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        if (!RemoveEntry(path)) return {};
        // CREATE_NEW fails on any name that exists, a dangling link included.
        win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ,
                                           nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file) return file;
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return {};
    }
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
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    const bool marked =
        ::SetFileInformationByHandle(m_file.get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
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
