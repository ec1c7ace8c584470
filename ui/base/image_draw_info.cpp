// Parsing image attribute strings: "name" or "file='a.png' dest='0,0,10,10' ...".
#include <cwchar>
#include <string>

#include "ui/base/image.h"
#include "ui/base/paint_manager.h"

namespace Ulmar {
namespace {

size_t g_parseCount = 0;

// Decimal integers, one separator character skipped between them; a number
// that is missing reads as 0.
void ReadInts(const wchar_t* text, int* values, int count) {
    const wchar_t* p = text;
    for (int i = 0; i < count; ++i) {
        wchar_t* end = nullptr;
        values[i] = static_cast<int>(std::wcstol(p, &end, 10));
        p = end;
        if (*p == L'\0') {
            for (int k = i + 1; k < count; ++k) values[k] = 0;
            return;
        }
        ++p;
    }
}

RECT ReadRect(const wchar_t* text) {
    int v[4] = {};
    ReadInts(text, v, 4);
    return RECT{v[0], v[1], v[2], v[3]};
}

bool IsTrue(const std::wstring& value) { return value == L"true"; }

}  // namespace

size_t GetDrawInfoParseCount() { return g_parseCount; }

void CImageDrawInfo::Clear() {
    sDrawString.Empty();
    sDrawModify.Empty();
    sImageName.Empty();
    sResType.Empty();
    rcDest = RECT{0, 0, 0, 0};
    rcSource = RECT{0, 0, 0, 0};
    rcCorner = RECT{0, 0, 0, 0};
    dwMask = 0;
    uFade = 255;
    nRotate = 0;
    bHole = false;
    bTiledX = false;
    bTiledY = false;
    bHSL = false;
    bGdiplus = false;
    szImage = SIZE{0, 0};
    rcPadding = RECT{0, 0, 0, 0};
    sAlign.Empty();
}

void CImageDrawInfo::Parse(const wchar_t* draw, const wchar_t* modify, CPaintManagerUI* manager) {
    Clear();
    ++g_parseCount;
    sDrawString = draw;
    sDrawModify = modify;
    sImageName = sDrawString;
    ParseItems(sDrawString);
    ParseItems(sDrawModify);

    // Scaled artwork is named "<name>@<percent>.<ext>"; the loader falls back to
    // the plain name when it is missing.
    if (manager) {
        const int scale = manager->GetDPIScale();
        if (scale != 100 && !sImageName.IsEmpty()) {
            CUiString suffix;
            suffix.Format(L"@%d.", scale);
            sImageName.Replace(L".", suffix);
        }
    }
}

void CImageDrawInfo::ParseItems(const wchar_t* text) {
    if (!text) return;
    const wchar_t* p = text;
    while (*p != L'\0') {
        while (*p != L'\0' && *p <= L' ') ++p;
        std::wstring name;
        while (*p != L'\0' && *p != L'=' && *p > L' ') name += *p++;
        while (*p != L'\0' && *p <= L' ') ++p;
        if (*p++ != L'=') return;
        while (*p != L'\0' && *p <= L' ') ++p;
        if (*p++ != L'\'') return;
        std::wstring value;
        while (*p != L'\0' && *p != L'\'') value += *p++;
        if (*p++ != L'\'') return;

        if (!value.empty()) {
            const wchar_t* v = value.c_str();
            if (name == L"file" || name == L"res") {
                sImageName = v;
            } else if (name == L"restype") {
                sResType = v;
            } else if (name == L"dest") {
                rcDest = ReadRect(v);
            } else if (name == L"source") {
                rcSource = ReadRect(v);
            } else if (name == L"corner") {
                rcCorner = ReadRect(v);
            } else if (name == L"mask") {
                dwMask = std::wcstoul(v[0] == L'#' ? v + 1 : v, nullptr, 16);
            } else if (name == L"fade") {
                const long fade = std::wcstol(v, nullptr, 10);
                uFade = static_cast<BYTE>(fade < 0 ? 0 : fade > 255 ? 255 : fade);
            } else if (name == L"rotate") {
                nRotate = static_cast<int>(std::wcstol(v, nullptr, 10));
                bGdiplus = true;
            } else if (name == L"gdiplus") {
                bGdiplus = IsTrue(value);
            } else if (name == L"hole") {
                bHole = IsTrue(value);
            } else if (name == L"xtiled") {
                bTiledX = IsTrue(value);
            } else if (name == L"ytiled") {
                bTiledY = IsTrue(value);
            } else if (name == L"hsl") {
                bHSL = IsTrue(value);
            } else if (name == L"size") {
                int v2[2] = {};
                ReadInts(v, v2, 2);
                szImage = SIZE{v2[0], v2[1]};
            } else if (name == L"align") {
                sAlign = v;
            } else if (name == L"padding") {
                rcPadding = ReadRect(v);
            }
        }
        if (*p != L' ') return;
    }
}

}  // namespace Ulmar
