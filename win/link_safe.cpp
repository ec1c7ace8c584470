#include "win/link_safe.h"

#include "win/path.h"
#include "win/text.h"

#include <algorithm>

namespace win {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr int kCreateAttempts = 3;  // a name planted again at the sibling's name

bool HandleShowsReparsePoint(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    return ::GetFileInformationByHandle(file, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// A name beside `path` that nobody else chose: process, tick count and attempt.
std::wstring SiblingName(const std::wstring& path, int attempt, const wchar_t* suffix) {
    return path + L"." + win::DecimalText(::GetCurrentProcessId()) + L"-" + win::DecimalText(::GetTickCount64()) + L"-" +
           win::DecimalText(attempt) + suffix;
}

// Gives the open file the name `path`, replacing the directory entry there (a
// file, a hard link, a link to a file) without opening what it points to.
bool RenameOver(HANDLE file, const std::wstring& path) {
    const size_t bytes = path.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + bytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(bytes);
    std::copy(path.begin(), path.end(), info->FileName);  // the buffer's spare WCHAR ends it
    return ::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != FALSE;
}

// Makes room for a rename over `path` when a plain rename was refused. A link is
// deleted as a link; a read-only file is moved aside under a name of its own
// (a rename, which read-only files allow), so that neither its data nor its
// attributes change even when it shares them with a file elsewhere (a hard
// link). A folder stays.
bool ClearUnreplaceable(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveLinkAt(path);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || !(attributes & FILE_ATTRIBUTE_READONLY)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        if (::MoveFileExW(path.c_str(), SiblingName(path, attempt, L".old").c_str(), 0)) return true;
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

// What stands at one entry. `parent_final` is the final path of its folder when
// the caller knows it, empty to look it up; *final_path (when given) gets the
// entry's own final path when it is real.
enum class Entry { Missing, Real, Link, Unknown };

Entry LookAt(const std::wstring& entry_path, std::wstring parent_final, std::wstring* final_path) {
    const DWORD attributes = ::GetFileAttributesW(entry_path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Entry::Missing : Entry::Unknown;
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return Entry::Link;
    const UniqueFile entry = OpenEntry(entry_path, FILE_READ_ATTRIBUTES);
    if (!entry) return Entry::Unknown;
    if (HandleShowsReparsePoint(entry.get())) return Entry::Link;
    // Where the handle really is: the parent's own final path and this name. A
    // short (8.3) spelling of the name also differs; callers then replace an
    // entry that was real, which costs nothing but the work.
    if (parent_final.empty()) {
        const std::wstring parent = FolderOf(entry_path);
        if (parent.empty()) return Entry::Unknown;
        const UniqueFile parent_entry = OpenEntry(parent, FILE_READ_ATTRIBUTES);
        if (parent_entry) parent_final = FinalPathOf(parent_entry.get());
    }
    const std::wstring entry_final = FinalPathOf(entry.get());
    if (entry_final.empty() || parent_final.empty()) return Entry::Unknown;
    if (!EqualsNoCase(entry_final, JoinPath(parent_final, FileNameOf(entry_path)))) return Entry::Link;
    if (final_path) *final_path = entry_final;
    return Entry::Real;
}

}  // namespace

bool DeleteThroughHandle(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    return ::SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

UniqueFile OpenEntry(const std::wstring& path, DWORD access) {
    return UniqueFile(::CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

std::wstring FinalPathOf(HANDLE file) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetFinalPathNameByHandleW(file, &buffer[0], static_cast<DWORD>(buffer.size()),
                                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            break;
        }
        buffer.resize(n + 1);
    }
    if (buffer.compare(0, 8, L"\\\\?\\UNC\\") == 0) return L"\\\\" + buffer.substr(8);
    if (buffer.compare(0, 4, L"\\\\?\\") == 0) return buffer.substr(4);
    return buffer;
}

bool IsStrictlyBelow(const std::wstring& path, const std::wstring& root) {
    const std::wstring base = WithoutTrailingSeparators(root);
    const size_t n = base.size();
    if (n == 0) return false;
    // A drive root ("C:\") already ends in its separator.
    const bool rootEnds = IsPathSeparator(base.back());
    const size_t rest = rootEnds ? n : n + 1;
    if (path.size() <= rest || (!rootEnds && !IsPathSeparator(path[n]))) return false;
    return !IsPathSeparator(path[rest]) && EqualsNoCase(path.substr(0, n), base);
}

bool IsLinkAt(const std::wstring& path) {
    return LookAt(WithoutTrailingSeparators(path), std::wstring(), nullptr) == Entry::Link;
}

bool NoLinkOnTheWay(const std::wstring& root, const std::wstring& path) {
    const std::wstring base = WithoutTrailingSeparators(root);
    const std::wstring target = WithoutTrailingSeparators(path);
    if (!IsStrictlyBelow(target, base)) return false;
    for (size_t i = base.size(); i <= target.size(); ++i) {
        if (i < target.size() && !IsPathSeparator(target[i])) continue;
        if (IsLinkAt(target.substr(0, i))) return false;
    }
    return true;
}

bool RemoveLinkAt(const std::wstring& path) {
    const UniqueFile entry = OpenEntry(WithoutTrailingSeparators(path), DELETE | FILE_READ_ATTRIBUTES);
    if (!entry) return false;
    if (!HandleShowsReparsePoint(entry.get())) {
        ::SetLastError(ERROR_ACCESS_DENIED);  // the handle reached the target
        return false;
    }
    return DeleteThroughHandle(entry.get());
}

bool ReplaceLinkAt(const std::wstring& path) {
    if (!IsLinkAt(path) || RemoveLinkAt(path)) return true;
    if (!CreateFreshFile(path)) return false;
    return !IsLinkAt(path);
}

bool MakeRealFolders(const std::wstring& root, const std::wstring& folder, std::vector<std::wstring>* created) {
    const std::wstring base = WithoutTrailingSeparators(root);
    const std::wstring target = WithoutTrailingSeparators(folder);
    if (EqualsNoCase(target, base)) return true;
    if (!IsStrictlyBelow(target, base)) {
        ::SetLastError(ERROR_BAD_PATHNAME);
        return false;
    }
    const size_t first = IsPathSeparator(base.back()) ? base.size() : base.size() + 1;
    for (size_t i = first; i <= target.size(); ++i) {
        if (i < target.size() && !IsPathSeparator(target[i])) continue;
        const std::wstring prefix = target.substr(0, i);
        const DWORD attributes = ::GetFileAttributesW(prefix.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            const bool link = IsLinkAt(prefix);
            if (!link && (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            if (!link) {
                ::SetLastError(ERROR_FILE_EXISTS);  // a file where a folder belongs
                return false;
            }
            if (!RemoveLinkAt(prefix)) return false;
        } else {
            const DWORD error = ::GetLastError();
            if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return false;
        }
        if (!::CreateDirectoryW(prefix.c_str(), nullptr)) return false;
        if (created) created->push_back(prefix);
    }
    return true;
}

bool IsOpenedBelow(HANDLE file, const std::wstring& root) {
    const UniqueFile root_entry = OpenEntry(WithoutTrailingSeparators(root), FILE_READ_ATTRIBUTES);
    if (!root_entry) return false;
    const std::wstring root_final = FinalPathOf(root_entry.get());
    return !root_final.empty() && IsStrictlyBelow(FinalPathOf(file), root_final);
}

UniqueFile CreateFreshFile(const std::wstring& path) {
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        UniqueFile file(::CreateFileW(SiblingName(path, attempt, L".new").c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
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

UniqueFile CreateFileBelow(const std::wstring& root, const std::wstring& path) {
    const std::wstring folder = WithoutTrailingSeparators(FolderOf(path));
    if (!IsStrictlyBelow(path, root) || !MakeRealFolders(root, folder, nullptr)) {
        if (::GetLastError() == ERROR_SUCCESS) ::SetLastError(ERROR_BAD_PATHNAME);
        return {};
    }
    UniqueFile file = CreateFreshFile(path);
    if (file && !IsOpenedBelow(file.get(), root)) {
        DeleteThroughHandle(file.get());  // ours, wherever it landed
        file.reset();
        ::SetLastError(ERROR_ACCESS_DENIED);
    }
    return file;
}

bool DeleteEntryBelow(const std::wstring& path, const std::wstring& root) {
    const UniqueFile entry = OpenEntry(WithoutTrailingSeparators(path), DELETE | FILE_READ_ATTRIBUTES);
    if (!entry) return false;
    if (!IsOpenedBelow(entry.get(), root)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return DeleteThroughHandle(entry.get());
}

LinkFreeWalk::LinkFreeWalk(const std::wstring& root) : m_root(WithoutTrailingSeparators(root)) {}

bool LinkFreeWalk::IsRealEntry(const std::wstring& entry, const std::wstring& parent) {
    if (m_finalOf.count(entry) || m_missing.count(entry)) return true;
    // Below a missing folder nothing is there either.
    if (m_missing.count(parent)) {
        m_missing.insert(entry);
        return true;
    }
    std::wstring final_path;
    const auto known_parent = m_finalOf.find(parent);
    const std::wstring parent_final = known_parent != m_finalOf.end() ? known_parent->second : std::wstring();
    switch (LookAt(entry, parent_final, &final_path)) {
        case Entry::Link: return false;
        case Entry::Real: m_finalOf.emplace(entry, std::move(final_path)); return true;
        case Entry::Missing: m_missing.insert(entry); return true;
        case Entry::Unknown: return true;  // as IsLinkAt answers it, and not remembered
    }
    return true;
}

bool LinkFreeWalk::NoLinkOnTheWay(const std::wstring& path) {
    const std::wstring target = WithoutTrailingSeparators(path);
    std::wstring parent;
    return NoLinkAbove(target, &parent) && IsRealEntry(target, parent);
}

bool LinkFreeWalk::NoLinkAbove(const std::wstring& path, std::wstring* parent) {
    const std::wstring target = WithoutTrailingSeparators(path);
    if (!IsStrictlyBelow(target, m_root)) return false;
    parent->clear();
    for (size_t i = m_root.size(); i < target.size(); ++i) {
        if (!IsPathSeparator(target[i])) continue;
        std::wstring folder = target.substr(0, i);
        if (!IsRealEntry(folder, *parent)) return false;
        *parent = std::move(folder);
    }
    return true;
}

bool LinkFreeWalk::DeleteEntry(const std::wstring& path) {
    const UniqueFile entry = OpenEntry(WithoutTrailingSeparators(path), DELETE | FILE_READ_ATTRIBUTES);
    if (!entry) return false;
    if (m_rootFinal.empty()) {
        const UniqueFile root_entry = OpenEntry(m_root, FILE_READ_ATTRIBUTES);
        if (root_entry) m_rootFinal = FinalPathOf(root_entry.get());
    }
    if (m_rootFinal.empty() || !IsStrictlyBelow(FinalPathOf(entry.get()), m_rootFinal)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return DeleteThroughHandle(entry.get());
}

}  // namespace win
