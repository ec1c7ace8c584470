// The one place where text changes encoding: UTF-16 inside, UTF-8 in files and on the wire.
#pragma once

#include <string>
#include <string_view>
#include <type_traits>

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

// The decimal text of an integer. Not std::to_wstring: that formats through
// MinGW's own printf, which alone brings some 25 KB into the installer.
std::wstring DecimalText(unsigned long long magnitude, bool negative);
template <typename Int>
std::wstring DecimalText(Int value) {
    static_assert(std::is_integral_v<Int>, "integers only");
    if constexpr (std::is_signed_v<Int>) {
        // Negated in unsigned arithmetic: the smallest value has no positive twin.
        const auto magnitude = static_cast<unsigned long long>(value);
        return value < 0 ? DecimalText(0 - magnitude, true) : DecimalText(magnitude, false);
    } else {
        return DecimalText(static_cast<unsigned long long>(value), false);
    }
}

}  // namespace win
