#include "app/install_rules.h"

#include "app/product.h"
#include "win/path.h"
#include "win/result.h"
#include "win/text.h"
#include "win/windows_version.h"

#include <shlwapi.h>

#include <algorithm>
#include <cwchar>

namespace {

bool EndsWithSeparator(const std::wstring& path) {
    return !path.empty() && (path.back() == L'\\' || path.back() == L'/');
}

}  // namespace

int CompareVersions(const std::wstring& a, const std::wstring& b) {
    size_t pa = 0, pb = 0;
    for (int round = 0; round < 4; ++round) {
        const size_t ea = std::min(a.find(L'.', pa), a.size());
        const size_t eb = std::min(b.find(L'.', pb), b.size());
        const std::wstring pieceA = pa < a.size() ? a.substr(pa, ea - pa) : std::wstring();
        const std::wstring pieceB = pb < b.size() ? b.substr(pb, eb - pb) : std::wstring();
        const long na = std::wcstol(pieceA.c_str(), nullptr, 10);
        const long nb = std::wcstol(pieceB.c_str(), nullptr, 10);
        if (na != nb) return na < nb ? -1 : 1;
        if (pieceA.empty() && pieceB.empty()) return 0;
        pa = ea + 1;
        pb = eb + 1;
    }
    return 0;
}

std::wstring GetOsVersionString() {
    OSVERSIONINFOEXW info;
    if (!win::ReadWindowsVersion(info)) return std::wstring();
    return win::DecimalText(info.dwMajorVersion) + L"." + win::DecimalText(info.dwMinorVersion);
}

void NormalizeInstallDir(std::wstring& path) {
    while (path.size() > 3 && EndsWithSeparator(path)) path.pop_back();
    if (!win::EqualsNoCase(::PathFindFileNameW(path.c_str()), EXE_NAME)) {
        if (!EndsWithSeparator(path)) path += L'\\';
        path += EXE_NAME;
    }
    if (!EndsWithSeparator(path)) path += L'\\';
}

HRESULT CreateDirectoryTree(const std::wstring& path) {
    const std::wstring full = EndsWithSeparator(path) ? path : path + L'\\';
    bool created = false;
    for (size_t sep = full.find(L'\\'); sep != std::wstring::npos; sep = full.find(L'\\', sep + 1)) {
        const std::wstring part = full.substr(0, sep);
        if (part.empty() || ::PathFileExistsW(part.c_str())) continue;
        if (!::CreateDirectoryW(part.c_str(), nullptr)) return win::LastErrorAsHResult();
        created = true;
    }
    return created ? 0 : 1;
}

std::wstring CanonicalInstallPath(const std::wstring& typed) {
    wchar_t buffer[MAX_PATH] = {};
    if (typed.size() >= MAX_PATH || !::PathCombineW(buffer, typed.c_str(), L"")) return std::wstring();
    if (!::PathAddBackslashW(buffer)) return std::wstring();
    return buffer;
}

bool IsDrivePath(const std::wstring& path) { return path.size() >= 3 && path[1] == L':'; }

bool IsEnoughFreeSpace(uint64_t totalFreeBytes) {
    return static_cast<double>(totalFreeBytes) * (1.0 / 1073741824.0) >= 0.5;
}

bool HasEnoughFreeSpace(const std::wstring& path) {
    const size_t colon = path.find(L':');
    const std::wstring root = path.substr(0, colon == std::wstring::npos ? 0 : colon) + L":\\";
    ULARGE_INTEGER available{}, total{}, totalFree{};
    if (!::GetDiskFreeSpaceExW(root.c_str(), &available, &total, &totalFree)) return true;
    return IsEnoughFreeSpace(totalFree.QuadPart);
}
