// Plain text: GDI DrawTextW, or GDI+ for layered windows and managers that ask for it.
#include <objidl.h>
#include <gdiplus.h>

#include <cmath>
#include <cwctype>
#include <string>

#include "ui/base/paint_manager.h"
#include "ui/base/render.h"
#include "ui/base/render_internal.h"

namespace Ulmar {
namespace {

// "&#x" followed by up to four hex digits stands for that one character; a
// trailing ";" or space belongs to the reference. Returns false without one.
bool CharacterReference(const wchar_t* text, std::wstring& out) {
    const wchar_t* p = std::wcsstr(text, L"&#x");
    if (!p) return false;
    p += 3;
    unsigned code = 0;
    int digits = 0;
    while (digits < 4 && std::iswxdigit(*p)) {
        const wchar_t c = *p++;
        code = code * 16 + (c <= L'9' ? c - L'0' : (c | 0x20) - L'a' + 10);
        ++digits;
    }
    if (digits == 0) return false;
    out.assign(1, static_cast<wchar_t>(code));
    return true;
}

void SetupFormat(Gdiplus::StringFormat& format, UINT flags) {
    INT formatFlags = 0;
    if ((flags & DT_SINGLELINE) || !(flags & DT_WORDBREAK)) formatFlags |= Gdiplus::StringFormatFlagsNoWrap;
    if (flags & DT_NOCLIP) formatFlags |= Gdiplus::StringFormatFlagsNoClip;
    format.SetFormatFlags(formatFlags);
    format.SetAlignment((flags & DT_CENTER)  ? Gdiplus::StringAlignmentCenter
                        : (flags & DT_RIGHT) ? Gdiplus::StringAlignmentFar
                                             : Gdiplus::StringAlignmentNear);
    format.SetLineAlignment((flags & DT_VCENTER)  ? Gdiplus::StringAlignmentCenter
                            : (flags & DT_BOTTOM) ? Gdiplus::StringAlignmentFar
                                                  : Gdiplus::StringAlignmentNear);
    if (flags & DT_END_ELLIPSIS) format.SetTrimming(Gdiplus::StringTrimmingEllipsisCharacter);
    else if (flags & DT_WORD_ELLIPSIS) format.SetTrimming(Gdiplus::StringTrimmingEllipsisWord);
    else if (flags & DT_PATH_ELLIPSIS) format.SetTrimming(Gdiplus::StringTrimmingEllipsisPath);
    else format.SetTrimming(Gdiplus::StringTrimmingNone);
    format.SetHotkeyPrefix((flags & DT_NOPREFIX) ? Gdiplus::HotkeyPrefixNone : Gdiplus::HotkeyPrefixShow);
}

}  // namespace

void DrawTextGdiplus(HDC dc, HFONT font, RECT& rc, const wchar_t* text, int length, DWORD color,
                     UINT format, int renderingHint) {
    Gdiplus::Graphics graphics(dc);
    if (graphics.GetLastStatus() != Gdiplus::Ok) return;
    graphics.SetTextRenderingHint(static_cast<Gdiplus::TextRenderingHint>(renderingHint));
    Gdiplus::Font gdiplusFont(dc, font ? font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
    if (gdiplusFont.GetLastStatus() != Gdiplus::Ok) return;
    Gdiplus::StringFormat stringFormat;
    SetupFormat(stringFormat, format);

    if (format & DT_CALCRECT) {
        const bool wraps = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE);
        const Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(rc.left), static_cast<Gdiplus::REAL>(rc.top),
                                    wraps ? static_cast<Gdiplus::REAL>(rc.right - rc.left) : 32767.0f,
                                    32767.0f);
        Gdiplus::RectF bound;
        graphics.MeasureString(text, length, &gdiplusFont, layout, &stringFormat, &bound);
        rc.right = rc.left + static_cast<LONG>(std::ceil(bound.Width));
        rc.bottom = rc.top + static_cast<LONG>(std::ceil(bound.Height));
        return;
    }
    // GDI ignores alpha; text given without one is meant opaque here too.
    if ((color >> 24) == 0) color |= 0xFF000000;
    Gdiplus::SolidBrush brush{Gdiplus::Color(color)};
    const Gdiplus::RectF layout(static_cast<Gdiplus::REAL>(rc.left), static_cast<Gdiplus::REAL>(rc.top),
                                static_cast<Gdiplus::REAL>(rc.right - rc.left),
                                static_cast<Gdiplus::REAL>(rc.bottom - rc.top));
    graphics.DrawString(text, length, &gdiplusFont, layout, &stringFormat, &brush);
}

void CRenderer::DrawText(HDC dc, CPaintManagerUI* manager, RECT& rc, const wchar_t* text,
                         DWORD color, int font, UINT format) {
    if (!dc || !manager || !text) return;
    std::wstring reference;
    const wchar_t* shown = CharacterReference(text, reference) ? reference.c_str() : text;
    HFONT hfont = manager->GetFont(font);

    if (manager->IsLayered() || manager->IsUseGdiplusText()) {
        DrawTextGdiplus(dc, hfont, rc, shown, -1, color, format,
                        manager->GetGdiplusTextRenderingHint());
        return;
    }
    ScopedTextStyle style(dc, ToColorRef(color));
    win::ScopedSelectObject select(dc, hfont);
    ::DrawTextW(dc, shown, -1, &rc, format);
}

SIZE CRenderer::GetTextSize(HDC dc, CPaintManagerUI* manager, const wchar_t* text, int font,
                            UINT format) {
    RECT rc = {0, 0, 9999, 9999};
    if (!dc || !manager || !text) return SIZE{0, 0};
    DrawText(dc, manager, rc, text, 0, font, format | DT_CALCRECT);
    return SIZE{rc.right - rc.left, rc.bottom - rc.top};
}

}  // namespace Ulmar
