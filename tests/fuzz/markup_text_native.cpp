// Text conversion for the native fuzzing build of the markup reader: UTF-8 to
// UTF-16 code units (malformed sequences become U+FFFD, as on Windows), and
// Latin-1 standing in for the ANSI code page.
#include "ui/base/markup_text.h"

#include <cstdint>

namespace Ulmar {
namespace markup_text {
namespace {

void PutCodePoint(uint32_t cp, std::vector<wchar_t>& out) {
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<wchar_t>(cp));
    }
}

void DecodeUtf8(const unsigned char* s, size_t n, std::vector<wchar_t>& out) {
    size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        int extra;
        uint32_t cp, min;
        if (c < 0x80) { out.push_back(c); ++i; continue; }
        if ((c & 0xE0) == 0xC0) { extra = 1; cp = c & 0x1F; min = 0x80; }
        else if ((c & 0xF0) == 0xE0) { extra = 2; cp = c & 0x0F; min = 0x800; }
        else if ((c & 0xF8) == 0xF0) { extra = 3; cp = c & 0x07; min = 0x10000; }
        else { out.push_back(0xFFFD); ++i; continue; }
        size_t j = 1;
        for (; j <= static_cast<size_t>(extra) && i + j < n && (s[i + j] & 0xC0) == 0x80; ++j)
            cp = cp << 6 | (s[i + j] & 0x3F);
        if (j <= static_cast<size_t>(extra) || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.push_back(0xFFFD);
            i += j;
            continue;
        }
        PutCodePoint(cp, out);
        i += j;
    }
}

}  // namespace

bool ToUtf16(const unsigned char* bytes, size_t size, CodePage page, std::vector<wchar_t>& out) {
    if (page == CodePage::Utf8) {
        DecodeUtf8(bytes, size, out);
    } else {
        for (size_t i = 0; i < size; ++i) out.push_back(bytes[i]);
    }
    return true;
}

}  // namespace markup_text
}  // namespace Ulmar
