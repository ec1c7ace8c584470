#include "win/path.h"

#include <windows.h>

#include <algorithm>

namespace win {

namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// Win32 drops trailing dots and spaces from a name: two dots among them are "..".
bool IsParentReference(const std::wstring& name) {
    return name.find_first_not_of(L". ") == std::wstring::npos &&
           std::count(name.begin(), name.end(), L'.') >= 2;
}

}  // namespace

bool IsDeviceName(std::wstring name) {
    const size_t dot = name.find(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    while (!name.empty() && name.back() == L' ') name.pop_back();
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
        if (EqualsNoCase(name, device)) return true;
    if (name.size() != 4) return false;
    // Windows also reads the superscript digits 1 to 3 as port numbers; 0 is
    // reserved as well.
    const wchar_t digit = name[3];
    const bool port =
        (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
    return port && (EqualsNoCase(name.substr(0, 3), L"COM") || EqualsNoCase(name.substr(0, 3), L"LPT"));
}

bool IsPathSeparator(wchar_t c) { return IsSeparator(c); }

bool IsContainedRelativePath(const std::wstring& path) {
    if (path.empty()) return true;
    if (IsSeparator(path[0]) || path.find(L':') != std::wstring::npos) return false;
    for (size_t start = 0; start <= path.size();) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        const std::wstring name = path.substr(start, end - start);
        if (IsParentReference(name) || IsDeviceName(name)) return false;
        start = end + 1;
    }
    return true;
}

std::wstring JoinPath(const std::wstring& a, const std::wstring& b) {
    if (a.empty()) return b;
    if (IsSeparator(a.back())) return a + b;
    return a + L'\\' + b;
}

std::wstring FolderOf(const std::wstring& path) {
    size_t pos = path.rfind(L'\\');
    if (pos == std::wstring::npos) pos = path.rfind(L'/');
    return pos == std::wstring::npos ? std::wstring() : path.substr(0, pos + 1);
}

std::wstring FileNameOf(const std::wstring& path) {
    const size_t pos = path.find_last_of(L"\\/");
    return pos == std::wstring::npos ? path : path.substr(pos + 1);
}

std::wstring WithTrailingBackslash(std::wstring path) {
    if (path.empty() || path.back() != L'\\') path += L'\\';
    return path;
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
    while (path.size() > 3 && IsSeparator(path.back())) path.pop_back();
    return path;
}

std::wstring NoCaseKey(std::wstring text) {
    if (!text.empty()) ::CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

std::wstring TempFolder() {
    wchar_t buf[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, buf);
    if (n == 0 || n > MAX_PATH) return {};
    return WithTrailingBackslash(buf);
}

std::wstring ModulePath() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, &buf[0], static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) { buf.resize(n); return buf; }
        buf.resize(buf.size() * 2);
    }
}

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool CreateFolderTree(const std::wstring& folder) {
    for (size_t i = 1; i <= folder.size(); ++i) {
        if (i < folder.size() && !IsSeparator(folder[i])) continue;
        const std::wstring prefix = folder.substr(0, i);
        if (IsSeparator(prefix.back()) || (prefix.size() == 2 && prefix[1] == L':')) continue;
        if (::GetFileAttributesW(prefix.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
        if (!::CreateDirectoryW(prefix.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return true;
}

}  // namespace win
