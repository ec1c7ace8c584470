#include "engine/temp_archive.h"

#include <string>
#include <vector>

namespace {

constexpr int kCreateAttempts = 3;  // a name planted again between removal and creation
constexpr DWORD kCopyChunk = 1u << 20;

std::wstring AsideName(const std::wstring& path) {
    return path + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(::GetTickCount64()) +
           L".old";
}

// Takes whatever is at the name out of the way by renaming it aside, which acts
// on the entry itself on every system: deleting a link to a file deletes the
// file it points to under Wine. What was renamed aside is left for its owner.
bool RemoveEntry(const std::wstring& path) {
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            // A dangling link reads as missing but still holds the name.
            ::MoveFileExW(path.c_str(), AsideName(path).c_str(), 0);
            return true;
        }
        return false;
    }
    return ::MoveFileExW(path.c_str(), AsideName(path).c_str(), 0) != FALSE;
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
