#include "engine/payload/temp_archive.h"

#include "win/link_safe.h"
#include "win/path.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr DWORD kCopyChunk = 1u << 20;

bool AllDigits(const std::wstring& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// "<base>.<pid>-<tick>-<attempt>.new": the name win::CreateFreshFile gives its
// file before renaming it over `base`.
bool IsFreshFileSibling(const std::wstring& name, const std::wstring& base) {
    const std::wstring suffix = L".new";
    if (name.size() <= base.size() + 1 + suffix.size() || !win::EqualsNoCase(name.substr(0, base.size()), base) ||
        name[base.size()] != L'.' || !win::EqualsNoCase(name.substr(name.size() - suffix.size()), suffix))
        return false;
    const std::wstring middle = name.substr(base.size() + 1, name.size() - base.size() - 1 - suffix.size());
    const size_t first = middle.find(L'-');
    const size_t second = first == std::wstring::npos ? first : middle.find(L'-', first + 1);
    return second != std::wstring::npos && AllDigits(middle.substr(0, first)) &&
           AllDigits(middle.substr(first + 1, second - first - 1)) && AllDigits(middle.substr(second + 1));
}

// A run killed between making its copy and renaming it into place leaves the
// copy under its sibling name; the next run clears such leftovers (files only,
// deleted as entries below the temp folder, never through a link).
void RemoveFreshFileLeftovers(const std::wstring& path) {
    const std::wstring folder = win::FolderOf(path);
    const std::wstring base = win::FileNameOf(path);
    if (folder.empty()) return;
    WIN32_FIND_DATAW data;
    win::UniqueFind find(::FindFirstFileW((path + L".*.new").c_str(), &data));
    if (!find) return;
    do {
        if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        if (IsFreshFileSibling(data.cFileName, base)) win::DeleteEntryBelow(folder + data.cFileName, folder);
    } while (::FindNextFileW(find.get(), &data));
}

}  // namespace

bool TempArchive::Create(const std::wstring& path) {
    m_file.reset();
    m_path = path;
    if (path.empty()) {
        ::SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    RemoveFreshFileLeftovers(path);
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
