#pragma once
// CRenderer: every drawing operation of the controls, on the window's memory DC.
// Colours are ARGB (0xAARRGGBB). All operations restore the DC's selected objects
// and clip before they return.
//
// Note: <windows.h> maps DrawText and LoadImage to their W names; these members
// are renamed with them, consistently, in every file that includes this header.
#include <windows.h>

#include <memory>

#include "ui/base/image.h"
#include "ui/base/ui_string.h"
#include "win/gdi.h"

namespace Ulmar {

class CPaintManagerUI;

// A clip made for one control's painting. Destroying it puts the DC's earlier
// clip back exactly (or none, when it had none).
class CRenderClip {
public:
    CRenderClip() = default;
    ~CRenderClip();
    CRenderClip(const CRenderClip&) = delete;
    CRenderClip& operator=(const CRenderClip&) = delete;

    RECT rcItem{};
    HDC hDC = nullptr;          // borrowed
    win::UniqueRegion hRgn;     // the clip made for the control
    win::UniqueRegion hOldRgn;  // the DC's clip before; null when it had none
};

class CRenderer {
public:
    // Image attribute string (+ modify string) drawn into `item`, limited to
    // `paint`. False when dc or manager is null, the name is empty or the image
    // cannot be loaded; true (drawing nothing) when it lies outside.
    static bool DrawImage(HDC dc, CPaintManagerUI* manager, const RECT& item, const RECT& paint,
                          const wchar_t* image, const wchar_t* modify = nullptr,
                          HINSTANCE instance = nullptr);
    // The same with an already parsed description.
    static bool DrawImageInfo(HDC dc, CPaintManagerUI* manager, const RECT& item,
                              const RECT& paint, const CImageDrawInfo* info,
                              HINSTANCE instance = nullptr);
    // Nine-slice drawing of `bitmap`'s `source` part onto `dest`, limited to `paint`.
    // `corner`: insets kept unscaled; `hole`: skip the middle; tiled: repeat it.
    static void DrawImage(HDC dc, HBITMAP bitmap, const RECT& dest, const RECT& paint,
                          const RECT& source, const RECT& corner, bool alpha, BYTE fade = 255,
                          bool hole = false, bool xtiled = false, bool ytiled = false);

    static void DrawColor(HDC dc, const RECT& rc, DWORD color);
    static void DrawGradient(HDC dc, const RECT& rc, DWORD first, DWORD second, bool vertical,
                             int steps);
    // Start (left, top) to end (right, bottom); style is a PS_ value 0..4.
    static void DrawLine(HDC dc, const RECT& rc, int width, DWORD color, int style = PS_SOLID);
    static void DrawRect(HDC dc, const RECT& rc, int width, DWORD color, int style = 0);
    static void DrawRoundRect(HDC dc, const RECT& rc, int width, int ellipseWidth,
                              int ellipseHeight, DWORD color, int style = 0);
    // With DT_CALCRECT the text is measured into `rc` and not drawn.
    static void DrawText(HDC dc, CPaintManagerUI* manager, RECT& rc, const wchar_t* text,
                         DWORD color, int font, UINT format);
    // Text with inline tags (see html_text.cpp). On return `linkCount` holds the
    // number of link rectangles written (at most its value on entry).
    static void DrawHtmlText(HDC dc, CPaintManagerUI* manager, RECT& rc, const wchar_t* text,
                             DWORD color, RECT* links, CUiString* linkTexts, int& linkCount,
                             int font, UINT format);
    static SIZE GetTextSize(HDC dc, CPaintManagerUI* manager, const wchar_t* text, int font,
                            UINT format);

    static void GenerateClip(HDC dc, const RECT& rc, CRenderClip& clip);
    static void GenerateRoundClip(HDC dc, const RECT& paint, const RECT& item, int ellipseWidth,
                                  int ellipseHeight, CRenderClip& clip);
    static void UseOldClipBegin(HDC dc, CRenderClip& clip);
    static void UseOldClipEnd(HDC dc, CRenderClip& clip);

    // (180, 100, 100) keeps the colour; otherwise hue shifts by h - 180 degrees,
    // saturation and lightness scale by s / 100 and l / 100.
    static DWORD AdjustColor(DWORD color, short h, short s, short l);

    static std::unique_ptr<CImageData> LoadImage(const wchar_t* name, const wchar_t* type = nullptr,
                                                 DWORD mask = 0, HINSTANCE instance = nullptr,
                                                 bool gdiplus = false);
};

}  // namespace Ulmar
