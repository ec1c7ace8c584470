// Registry helpers: every call names its root, key, access rights and view.
#pragma once

#include "win/unique_handle.h"

#include <string>

namespace win {

// RegOpenKeyExW; an empty owner on failure, with the error in GetLastError.
UniqueRegKey OpenRegKey(HKEY root, const std::wstring& subkey, REGSAM access);
// RegCreateKeyExW (non-volatile, no class): opens the key, creating it when missing.
UniqueRegKey CreateRegKey(HKEY root, const std::wstring& subkey, REGSAM access);
// REG_SZ with its terminating null: (characters + 1) * 2 bytes.
bool SetRegString(HKEY key, const wchar_t* name, const std::wstring& value);
// A REG_SZ value of at most max_chars characters including its terminator;
// false, and *out untouched, when the value is missing, of another type or longer.
bool QueryRegString(HKEY key, const wchar_t* name, size_t max_chars, std::wstring* out);

}  // namespace win
