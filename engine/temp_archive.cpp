#include "engine/temp_archive.h"

#include "win/link_safe.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr DWORD kCopyChunk = 1u << 20;

}  // namespace

bool TempArchive::Create(const std::wstring& path) {
    m_file.reset();
    m_path = path;
    if (path.empty()) {
        ::SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    m_file = win::CreateFreshFile(path);
    return static_cast<bool>(m_file);
}

bool TempArchive::Delete() {
    if (!m_file) return false;
    // Nobody else may open it for deletion: the name goes through this handle.
    const bool marked = win::DeleteThroughHandle(m_file.get());
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
