#include "engine/record/install_record.h"

#include "win/link_safe.h"
#include "win/path.h"
#include "win/unique_handle.h"

#include <windows.h>
#include <shlwapi.h>

#include <pugixml.hpp>

#include <algorithm>

namespace engine {

namespace {

constexpr DWORD kPathChars = MAX_PATH;

bool HasDrivePrefix(const std::wstring& path) {
    return path.size() >= 3 && path[1] == L':' && win::IsPathSeparator(path[2]) &&
           ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z'));
}

// Counts failed writes so that a full disk is not reported as success.
class CheckedFileWriter : public pugi::xml_writer {
public:
    explicit CheckedFileWriter(HANDLE file) : m_file(file) {}
    void write(const void* data, size_t size) override {
        DWORD written = 0;
        if (m_failed || !::WriteFile(m_file, data, static_cast<DWORD>(size), &written, nullptr) || written != size)
            m_failed = true;
    }
    bool failed() const { return m_failed; }

private:
    HANDLE m_file;  // borrowed
    bool m_failed = false;
};

}  // namespace

bool WriteInstallRecord(const std::wstring& record_path, const std::vector<std::wstring>& files,
                        const std::vector<std::wstring>& dirs) {
    pugi::xml_document doc;
    pugi::xml_node internal = doc.append_child(L"Uninstall").append_child(L"Internal");
    for (const std::wstring& path : files) internal.append_child(L"File").append_attribute(L"path") = path.c_str();
    for (const std::wstring& path : dirs) internal.append_child(L"Dir").append_attribute(L"path") = path.c_str();

    // A new file in place of whatever is at the name: a link there is replaced,
    // never written through.
    win::UniqueFile file = win::CreateFileBelow(win::FolderOf(record_path), record_path);
    if (!file) return false;
    CheckedFileWriter writer(file.get());
    doc.save(writer, L"\t", pugi::format_indent | pugi::format_no_declaration, pugi::encoding_utf8);
    return !writer.failed() && ::FlushFileBuffers(file.get());
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
    if (win::IsLinkAt(normal)) return false;
    *root = std::move(normal);
    return true;
}

bool InstallRootPaths::Open(const std::wstring& folder, const std::wstring& exe_name) {
    m_walk.reset();
    if (!IsInstallRoot(folder, exe_name, &m_root)) return false;
    m_walk = std::make_unique<win::LinkFreeWalk>(m_root);
    return true;
}

bool InstallRootPaths::Inside(const std::wstring& path, std::wstring* full) {
    std::wstring normal;
    if (!Below(path, &normal) || !m_walk->NoLinkOnTheWay(normal)) return false;
    *full = std::move(normal);
    return true;
}

bool InstallRootPaths::Placed(const std::wstring& path, std::wstring* full) {
    std::wstring normal;
    if (!Below(path, &normal) || !m_walk->NoLinkAbove(normal)) return false;
    *full = std::move(normal);
    return true;
}

bool InstallRootPaths::Below(const std::wstring& path, std::wstring* full) const {
    if (!m_walk || path.empty()) return false;
    std::wstring candidate = path;
    if (!HasDrivePrefix(path)) {
        wchar_t combined[kPathChars] = {};
        if (!::PathCombineW(combined, m_root.c_str(), path.c_str())) return false;
        candidate = combined;
    }
    std::wstring normal;
    if (!NormalisePath(candidate, &normal)) return false;
    const size_t n = m_root.size();
    if (normal.size() <= n || normal[n] != L'\\' || !win::EqualsNoCase(normal.substr(0, n), m_root)) return false;
    *full = std::move(normal);
    return true;
}

bool InstallRootPaths::Delete(const std::wstring& full) { return m_walk && m_walk->DeleteEntry(full); }

bool IsInsideRoot(const std::wstring& path, const std::wstring& root, const std::wstring& exe_name,
                  std::wstring* full) {
    InstallRootPaths paths;
    return paths.Open(root, exe_name) && paths.Inside(path, full);
}

void RemovePaths(const std::vector<std::wstring>& dirs, const std::vector<std::wstring>& files,
                 const std::wstring& root, const std::wstring& exe_name) {
    InstallRootPaths paths;
    if (!paths.Open(root, exe_name)) return;
    std::wstring full;
    for (const std::wstring& file : files) {
        if (paths.Inside(file, &full)) paths.Delete(full);
    }
    std::vector<std::wstring> folders;
    for (const std::wstring& dir : dirs) {
        if (paths.Inside(dir, &full)) folders.push_back(full);
    }
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    for (const std::wstring& folder : folders) paths.Delete(folder);
}

bool RemoveEarlierInstallation(const std::wstring& folder, const std::wstring& exe_name) {
    std::wstring root;
    if (!IsInstallRoot(folder, exe_name, &root)) return false;
    const std::wstring record_path = win::JoinPath(root, kInstallRecordFileName);
    InstallRecord record;
    if (!ReadInstallRecord(record_path, &record)) return false;
    RemovePaths(record.dirs, record.files, root, exe_name);
    win::DeleteEntryBelow(record_path, root);
    ::RemoveDirectoryW(root.c_str());
    return true;
}

std::vector<std::wstring> RecordedRootFileNames(const std::wstring& folder, const std::wstring& exe_name) {
    std::vector<std::wstring> names;
    InstallRootPaths paths;
    InstallRecord record;
    if (!paths.Open(folder, exe_name) ||
        !ReadInstallRecord(win::JoinPath(paths.root(), kInstallRecordFileName), &record))
        return names;
    const std::wstring root_folder = paths.root() + L'\\';
    std::wstring spelled, full;
    // The spelling first: only the few names in the root itself are looked at.
    for (const std::wstring& file : record.files) {
        if (paths.Below(file, &spelled) && win::EqualsNoCase(win::FolderOf(spelled), root_folder) &&
            paths.Inside(spelled, &full))
            names.push_back(win::FileNameOf(full));
    }
    return names;
}

}  // namespace engine
