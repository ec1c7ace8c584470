#include "tools/skinview/output.h"

#include <windows.h>

#include <algorithm>

#include "win/text.h"

namespace skinview {
namespace {

bool WriteTo(DWORD which, const std::string& bytes) {
    const HANDLE h = ::GetStdHandle(which);  // borrowed
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        if (!::WriteFile(h, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

}  // namespace

void AppendJsonString(std::string& out, std::wstring_view text) {
    static const char hex[] = "0123456789abcdef";
    out += '"';
    size_t plain = 0;  // start of the run not yet copied
    auto flush = [&](size_t end) {
        if (end > plain) out += win::WideToUtf8(text.substr(plain, end - plain));
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        const char* escape = nullptr;
        switch (c) {
        case L'"': escape = "\\\""; break;
        case L'\\': escape = "\\\\"; break;
        case L'\n': escape = "\\n"; break;
        case L'\r': escape = "\\r"; break;
        case L'\t': escape = "\\t"; break;
        case L'\b': escape = "\\b"; break;
        case L'\f': escape = "\\f"; break;
        default: break;
        }
        if (!escape && c >= 0x20) continue;
        flush(i);
        plain = i + 1;
        if (escape) {
            out += escape;
        } else {
            out += "\\u00";
            out += hex[(c >> 4) & 0xF];
            out += hex[c & 0xF];
        }
    }
    flush(text.size());
    out += '"';
}

bool WriteOut(const std::string& bytes) { return WriteTo(STD_OUTPUT_HANDLE, bytes); }
bool WriteErr(const std::string& bytes) { return WriteTo(STD_ERROR_HANDLE, bytes); }

}  // namespace skinview
