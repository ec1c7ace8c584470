#include "win/registry.h"

#include <vector>

#include "win/result.h"

namespace win {

UniqueRegKey OpenRegKey(HKEY root, const std::wstring& subkey, REGSAM access) {
    UniqueRegKey key;
    const LONG rc = ::RegOpenKeyExW(root, subkey.c_str(), 0, access, key.put());
    if (!SucceededWithLastError(rc)) key.reset();
    return key;
}

UniqueRegKey CreateRegKey(HKEY root, const std::wstring& subkey, REGSAM access) {
    UniqueRegKey key;
    const LONG rc = ::RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                                      key.put(), nullptr);
    if (!SucceededWithLastError(rc)) key.reset();
    return key;
}

bool SetRegString(HKEY key, const wchar_t* name, const std::wstring& value) {
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
           ERROR_SUCCESS;
}

bool QueryRegString(HKEY key, const wchar_t* name, size_t max_chars, std::wstring* out) {
    std::vector<wchar_t> buf(max_chars + 1, L'\0');  // one spare for a value stored without its null
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(max_chars * sizeof(wchar_t));
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &bytes) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    size_t n = bytes / sizeof(wchar_t);
    while (n > 0 && buf[n - 1] == L'\0') --n;
    out->assign(buf.data(), n);
    return true;
}

}  // namespace win
