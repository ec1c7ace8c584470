#include "ui/base/markup_text.h"

#include <windows.h>

#include <climits>

namespace Ulmar {
namespace markup_text {

bool ToUtf16(const unsigned char* bytes, size_t size, CodePage page, std::vector<wchar_t>& out) {
    if (size == 0) return true;
    if (size > static_cast<size_t>(INT_MAX)) return false;
    const UINT cp = page == CodePage::Utf8 ? CP_UTF8 : CP_ACP;
    const auto* in = reinterpret_cast<const char*>(bytes);
    const int n = ::MultiByteToWideChar(cp, 0, in, static_cast<int>(size), nullptr, 0);
    if (n <= 0) return false;
    const size_t at = out.size();
    out.resize(at + static_cast<size_t>(n));
    return ::MultiByteToWideChar(cp, 0, in, static_cast<int>(size), out.data() + at, n) == n;
}

}  // namespace markup_text
}  // namespace Ulmar
