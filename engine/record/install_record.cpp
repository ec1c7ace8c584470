#include "engine/record/install_record.h"

#include "win/path.h"
#include "win/unique_handle.h"

#include <windows.h>
#include <shlwapi.h>

#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace engine {

namespace {

constexpr DWORD kPathChars = MAX_PATH;

bool HasDrivePrefix(const std::wstring& path) {
    return path.size() >= 3 && path[1] == L':' && win::IsPathSeparator(path[2]) &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

bool IsReparsePoint(const std::wstring& path) {
    const DWORD attrs = ::GetFileAttributesW(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

struct FileCloser {
    void operator()(FILE* f) const noexcept { std::fclose(f); }
};

// Counts failed writes so that a full disk is not reported as success.
class CheckedFileWriter : public pugi::xml_writer {
public:
    explicit CheckedFileWriter(FILE* f) : m_f(f) {}
    void write(const void* data, size_t size) override {
        if (std::fwrite(data, 1, size, m_f) != size) m_failed = true;
    }
    bool failed() const { return m_failed; }

private:
    FILE* m_f;
    bool m_failed = false;
};

}  // namespace

bool WriteInstallRecord(const std::wstring& record_path, const std::vector<std::wstring>& files,
                        const std::vector<std::wstring>& dirs) {
    pugi::xml_document doc;
    pugi::xml_node internal = doc.append_child(L"Uninstall").append_child(L"Internal");
    for (const std::wstring& path : files) internal.append_child(L"File").append_attribute(L"path") = path.c_str();
    for (const std::wstring& path : dirs) internal.append_child(L"Dir").append_attribute(L"path") = path.c_str();

    FILE* raw = _wfopen(record_path.c_str(), L"wb");
    if (!raw) return false;
    std::unique_ptr<FILE, FileCloser> file(raw);
    CheckedFileWriter writer(raw);
    doc.save(writer, L"\t", pugi::format_indent | pugi::format_no_declaration, pugi::encoding_utf8);
    const bool written = !writer.failed() && std::fflush(raw) == 0;
    return std::fclose(file.release()) == 0 && written;
}

bool ReadInstallRecord(const std::wstring& record_path, InstallRecord* record) {
    // Size is checked on the open handle, and no more than the limit is read.
    win::UniqueFile file(::CreateFileW(record_path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 ||
        static_cast<uint64_t>(size.QuadPart) > kMaxInstallRecordBytes)
        return false;
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!bytes.empty() && (!::ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                           read != bytes.size()))
        return false;

    pugi::xml_document doc;
    if (!doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_utf8)) return false;
    const pugi::xml_node internal = doc.child(L"Uninstall").child(L"Internal");
    if (!internal) return false;

    InstallRecord found;
    size_t count = 0;
    for (const pugi::xml_node& node : internal.children()) {
        if (node.type() != pugi::node_element) continue;
        if (++count > kMaxInstallRecordEntries) return false;
        const std::wstring name = node.name();
        if (win::EqualsNoCase(name, L"File"))
            found.files.emplace_back(node.attribute(L"path").value());
        else if (win::EqualsNoCase(name, L"Dir"))
            found.dirs.emplace_back(node.attribute(L"path").value());
    }
    *record = std::move(found);
    return true;
}

bool NormalisePath(const std::wstring& path, std::wstring* full) {
    if (path.empty()) return false;
    wchar_t buf[kPathChars] = {};
    const DWORD n = ::GetFullPathNameW(path.c_str(), kPathChars, buf, nullptr);
    if (n == 0 || n >= kPathChars) return false;
    std::wstring result(buf, n);
    std::replace(result.begin(), result.end(), L'/', L'\\');
    while (result.size() > 3 && result.back() == L'\\') result.pop_back();
    if (result.size() < 4 || result[1] != L':') return false;
    *full = std::move(result);
    return true;
}

bool IsInstallRoot(const std::wstring& folder, const std::wstring& exe_name, std::wstring* root) {
    std::wstring normal;
    if (exe_name.empty() || !NormalisePath(folder, &normal)) return false;
    if (!win::EqualsNoCase(win::FileNameOf(normal), exe_name)) return false;
    if (IsReparsePoint(normal)) return false;
    *root = std::move(normal);
    return true;
}

bool IsInsideRoot(const std::wstring& path, const std::wstring& root, const std::wstring& exe_name,
                  std::wstring* full) {
    std::wstring normal_root;
    if (!IsInstallRoot(root, exe_name, &normal_root) || path.empty()) return false;

    std::wstring candidate = path;
    if (!HasDrivePrefix(path)) {
        wchar_t combined[kPathChars] = {};
        if (!::PathCombineW(combined, normal_root.c_str(), path.c_str())) return false;
        candidate = combined;
    }
    std::wstring normal;
    if (!NormalisePath(candidate, &normal)) return false;
    const size_t n = normal_root.size();
    if (normal.size() <= n || normal[n] != L'\\' || !win::EqualsNoCase(normal.substr(0, n), normal_root))
        return false;
    for (size_t i = n + 1; i <= normal.size(); ++i) {
        if (i < normal.size() && normal[i] != L'\\') continue;
        if (IsReparsePoint(normal.substr(0, i))) return false;
    }
    *full = std::move(normal);
    return true;
}

void RemovePaths(const std::vector<std::wstring>& dirs, const std::vector<std::wstring>& files,
                 const std::wstring& root, const std::wstring& exe_name) {
    std::wstring full;
    for (const std::wstring& file : files) {
        if (IsInsideRoot(file, root, exe_name, &full)) ::DeleteFileW(full.c_str());
    }
    std::vector<std::wstring> folders;
    for (const std::wstring& dir : dirs) {
        if (IsInsideRoot(dir, root, exe_name, &full)) folders.push_back(full);
    }
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    for (const std::wstring& folder : folders) ::RemoveDirectoryW(folder.c_str());
}

bool RemoveEarlierInstallation(const std::wstring& folder, const std::wstring& exe_name) {
    std::wstring root;
    if (!IsInstallRoot(folder, exe_name, &root)) return false;
    const std::wstring record_path = win::JoinPath(root, kInstallRecordFileName);
    InstallRecord record;
    if (!ReadInstallRecord(record_path, &record)) return false;
    RemovePaths(record.dirs, record.files, root, exe_name);
    ::DeleteFileW(record_path.c_str());
    ::RemoveDirectoryW(root.c_str());
    return true;
}

}  // namespace engine
