#include "ui/base/attribute_values.h"

#include <cwchar>
#include <string>

#include "win/text.h"

namespace Ulmar {
namespace attribute_value {

namespace {

// Reads one integer and steps over exactly one separator after it (not over the end).
long ReadListInt(const wchar_t*& p) {
    wchar_t* end = nullptr;
    const long value = std::wcstol(p, &end, 10);
    p = *end ? end + 1 : end;
    return value;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// A decimal number ([sign] digits [. digits] [e [sign] digits]), read by hand:
// wcstod would bring MinGW's whole number-conversion library for a skin's few
// fractions. Stops at the first character that does not fit, as wcstod does.
double ReadDecimal(const wchar_t*& p) {
    const wchar_t* q = p;
    while (*q == L' ' || *q == L'\t') ++q;
    const bool negative = *q == L'-';
    if (*q == L'-' || *q == L'+') ++q;
    // The digits as a whole number times a power of ten: one rounding for a
    // short fraction ("0.3" is 3 / 10, the double nearest 0.3).
    double digits = 0;
    int exponent = 0;
    bool any = false;
    for (; IsDigit(*q); ++q, any = true) digits = digits * 10 + (*q - L'0');
    if (*q == L'.') {
        for (++q; IsDigit(*q); ++q, any = true) {
            digits = digits * 10 + (*q - L'0');
            --exponent;
        }
    }
    if (!any) return 0;  // nothing read: p stays where it was
    if ((*q == L'e' || *q == L'E') && (IsDigit(q[1]) || ((q[1] == L'-' || q[1] == L'+') && IsDigit(q[2])))) {
        const bool down = q[1] == L'-';
        int written = 0;
        for (q += IsDigit(q[1]) ? 1 : 2; IsDigit(*q); ++q) written = written < 10000 ? written * 10 + (*q - L'0') : written;
        exponent += down ? -written : written;
    }
    p = q;
    double power = 1;
    for (int n = exponent < 0 ? -exponent : exponent; n > 0 && power < 1e308; --n) power *= 10;
    const double value = exponent < 0 ? digits / power : digits * power;
    return negative ? -value : value;
}

double ReadListDouble(const wchar_t*& p) {
    const double value = ReadDecimal(p);
    p = *p ? p + 1 : p;
    return value;
}

struct CursorWord {
    const wchar_t* word;
    WORD id;
};
constexpr CursorWord kCursors[] = {
    {L"arrow", 32512},    {L"ibeam", 32513},    {L"wait", 32514},     {L"cross", 32515},
    {L"uparrow", 32516},  {L"size", 32640},     {L"icon", 32641},     {L"sizenwse", 32642},
    {L"sizenesw", 32643}, {L"sizewe", 32644},   {L"sizens", 32645},   {L"sizeall", 32646},
    {L"no", 32648},       {L"hand", 32649},
};

UINT ApplyAlignWord(UINT flags, const std::wstring& word) {
    const wchar_t* w = word.c_str();
    if (win::EqualsNoCase(w, L"null")) return 0;
    if (win::EqualsNoCase(w, L"left")) return flags & ~(DT_CENTER | DT_RIGHT);
    if (win::EqualsNoCase(w, L"center")) return (flags | DT_CENTER) & ~DT_RIGHT;
    if (win::EqualsNoCase(w, L"right")) return (flags | DT_RIGHT) & ~DT_CENTER;
    if (win::EqualsNoCase(w, L"top")) return flags & ~(DT_VCENTER | DT_BOTTOM);
    if (win::EqualsNoCase(w, L"vcenter")) return (flags | DT_VCENTER) & ~DT_BOTTOM;
    if (win::EqualsNoCase(w, L"bottom")) return (flags | DT_BOTTOM) & ~DT_VCENTER;
    return flags;
}

}  // namespace

bool ParseBool(const wchar_t* value) { return value && win::EqualsNoCase(value, L"true"); }

int ParseInt(const wchar_t* value) {
    if (!value) return 0;
    return static_cast<int>(std::wcstol(value, nullptr, 10));
}

DWORD ParseColor(const wchar_t* value, bool skipSpace) {
    if (!value) return 0;
    if (skipSpace) {
        while (*value && *value <= 0x20) ++value;
    }
    if (*value == L'#') ++value;
    return static_cast<DWORD>(std::wcstoul(value, nullptr, 16));
}

RECT ParseRect(const wchar_t* value) {
    RECT rc = {0, 0, 0, 0};
    if (!value) return rc;
    const wchar_t* p = value;
    rc.left = ReadListInt(p);
    rc.top = ReadListInt(p);
    rc.right = ReadListInt(p);
    rc.bottom = ReadListInt(p);
    return rc;
}

SIZE ParseSize(const wchar_t* value) {
    SIZE size = {0, 0};
    if (!value) return size;
    const wchar_t* p = value;
    size.cx = ReadListInt(p);
    size.cy = ReadListInt(p);
    return size;
}

void ParseFractions(const wchar_t* value, double (&fractions)[4]) {
    const wchar_t* p = value ? value : L"";
    for (double& fraction : fractions) fraction = ReadListDouble(p);
}

UINT ApplyAlignWords(UINT flags, const wchar_t* value) {
    std::wstring word;
    for (const wchar_t* p = value; *p; ++p) {
        if (*p == L',' || *p == L' ') {
            if (!word.empty()) flags = ApplyAlignWord(flags, word);
            word.clear();
        } else {
            word += *p;
        }
    }
    if (!word.empty()) flags = ApplyAlignWord(flags, word);
    return flags;
}

bool ParseCursor(const wchar_t* value, WORD& cursor) {
    for (const CursorWord& c : kCursors) {
        if (win::EqualsNoCase(value, c.word)) {
            cursor = c.id;
            return true;
        }
    }
    return false;
}

}  // namespace attribute_value
}  // namespace Ulmar
