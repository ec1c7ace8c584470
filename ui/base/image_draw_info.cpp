// Parsing image attribute strings: "name" or "file='a.png' dest='0,0,10,10' ...".
#include <cwchar>
#include <string>

#include "ui/base/attribute_values.h"
#include "ui/base/image.h"
#include "ui/base/paint_manager.h"

namespace Ulmar {
namespace {

size_t g_parseCount = 0;

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
        // Skin pixels, like every other place the skin gives.
        rcDest = manager->GetDPIObj()->Scale(rcDest);
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
                rcDest = attribute_value::ParseRect(v);
            } else if (name == L"source") {
                rcSource = attribute_value::ParseRect(v);
            } else if (name == L"corner") {
                rcCorner = attribute_value::ParseRect(v);
            } else if (name == L"mask") {
                dwMask = attribute_value::ParseColor(v, false);
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
                szImage = attribute_value::ParseSize(v);
            } else if (name == L"align") {
                sAlign = v;
            } else if (name == L"padding") {
                rcPadding = attribute_value::ParseRect(v);
            }
        }
        if (*p != L' ') return;
    }
}

}  // namespace Ulmar
