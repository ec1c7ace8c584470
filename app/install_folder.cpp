#include "app/install_folder.h"

#include "app/install_rules.h"
#include "engine/registry/registry_records.h"
#include "win/path.h"

#include <windows.h>

#include <cwchar>

namespace {

// The longest name the product puts straight into its folder, with room to spare.
constexpr size_t kLongestFileName = 32;

bool IsAsciiLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Each part after the root: "." and ".." are left to the canonical form; any
// other part must not end in a dot or a space (Windows would drop them, so the
// folder made is not the folder named), must not be a device and must hold only
// characters a folder name may have.
bool HasInvalidPart(const std::wstring& path) {
    size_t start = 3;
    while (start < path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos) end = path.size();
        const std::wstring part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == L"." || part == L"..") continue;
        if (part.back() == L'.' || part.back() == L' ' || win::IsDeviceName(part)) return true;
        // A stream (":"), a wildcard or a control character is no folder name.
        for (const wchar_t c : part)
            if (c < 32 || std::wcschr(L"<>:\"|?*", c)) return true;
    }
    return false;
}

// "X:\" and nothing that makes Win32 read it as a device or a relative path.
bool IsFullDrivePath(const std::wstring& path) {
    return path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == L':' && path[2] == L'\\';
}

bool StartsWithFolder(const std::wstring& path, std::wstring folder) {
    if (folder.empty()) return false;
    folder = win::WithTrailingBackslash(folder);
    return path.size() >= folder.size() && win::EqualsNoCase(path.substr(0, folder.size()), folder);
}

std::wstring FolderFromRecord(const std::wstring& file) {
    std::wstring path = file;
    if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') path = path.substr(1, path.size() - 2);
    return win::FolderOf(path);
}

}  // namespace

bool IsInWindowsFolder(const std::wstring& folder) {
    const std::wstring path = win::WithTrailingBackslash(folder);
    wchar_t windows[MAX_PATH] = {};
    if (::GetWindowsDirectoryW(windows, MAX_PATH) && StartsWithFolder(path, windows)) return true;
    wchar_t system[MAX_PATH] = {};
    return ::GetSystemWindowsDirectoryW(system, MAX_PATH) && StartsWithFolder(path, system);
}

std::wstring ResolveInstallFolder(const std::wstring& raw) {
    std::wstring path = raw;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    if (!IsFullDrivePath(path) || HasInvalidPart(path)) return std::wstring();
    path = CanonicalInstallPath(path);
    if (!IsFullDrivePath(path) || HasInvalidPart(path)) return std::wstring();
    NormalizeInstallDir(path);
    if (HasInvalidPart(path) || IsInWindowsFolder(path)) return std::wstring();
    if (path.size() + kLongestFileName >= MAX_PATH) return std::wstring();
    return path;
}

EarlierInstall FindEarlierInstall(const std::wstring& productKey) {
    EarlierInstall earlier;
    const std::wstring machine = engine::ReadInstalledFile(productKey);
    if (!machine.empty()) {
        earlier.recorded = FolderFromRecord(machine);
        if (earlier.recorded.empty()) earlier.recorded = machine;  // refused below
        earlier.machineWide = true;
    } else {
        earlier.recorded = engine::ReadAppPath(productKey);
    }
    if (!earlier.recorded.empty()) earlier.folder = ResolveInstallFolder(earlier.recorded);
    return earlier;
}
