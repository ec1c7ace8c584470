#pragma once
// Byte-to-UTF-16 conversion for the markup reader: the one system service its
// parse core needs. markup_text.cpp supplies it on Windows; the native fuzzing
// build brings its own.
#include <cstddef>
#include <vector>

namespace Ulmar {
namespace markup_text {

enum class CodePage { Utf8, Ansi };

// Appends the converted text to `out` (no terminator). False when it cannot be
// converted at all; malformed sequences become U+FFFD.
bool ToUtf16(const unsigned char* bytes, size_t size, CodePage page, std::vector<wchar_t>& out);

}  // namespace markup_text
}  // namespace Ulmar
