// The one place where text changes encoding: UTF-16 inside, UTF-8 in files and on the wire.
#pragma once

#include <string>
#include <string_view>

namespace win {

std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);

// Case-insensitive equality of two names, ordinal (no locale rules); a null
// name equals only another null. The one such compare of the ui framework.
bool EqualsNoCase(const wchar_t* a, const wchar_t* b);
// `text` lower-cased, the key under which names compared without case are kept.
std::wstring FoldCase(const wchar_t* text);

// printf-style formatting into a wide string ("%s" takes const wchar_t*).
std::wstring FormatW(const wchar_t* format, ...);

}  // namespace win
