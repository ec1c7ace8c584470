#pragma once
// Small helpers shared by the render engine's files; not part of its interface.
#include <windows.h>

namespace Gdiplus {
class StringFormat;
}

namespace Ulmar {

// ARGB to the COLORREF (0x00BBGGRR) GDI wants; alpha dropped.
inline COLORREF ToColorRef(DWORD argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

// ARGB to the premultiplied BGRA value of a 32-bit DIB pixel.
inline DWORD Premultiply(DWORD argb) {
    const DWORD a = argb >> 24;
    const DWORD r = ((argb >> 16) & 0xFF) * a / 255;
    const DWORD g = ((argb >> 8) & 0xFF) * a / 255;
    const DWORD b = (argb & 0xFF) * a / 255;
    return a << 24 | r << 16 | g << 8 | b;
}

// SetStretchBltMode for a scope. HALFTONE needs the brush origin reset, which
// is put back as well.
class ScopedStretchMode {
public:
    ScopedStretchMode(HDC dc, int mode) : dc_(dc), old_(::SetStretchBltMode(dc, mode)) {
        ::SetBrushOrgEx(dc, 0, 0, &oldOrigin_);
    }
    ~ScopedStretchMode() {
        if (old_) ::SetStretchBltMode(dc_, old_);
        ::SetBrushOrgEx(dc_, oldOrigin_.x, oldOrigin_.y, nullptr);
    }
    ScopedStretchMode(const ScopedStretchMode&) = delete;
    ScopedStretchMode& operator=(const ScopedStretchMode&) = delete;

private:
    HDC dc_;
    int old_;
    POINT oldOrigin_ = {};
};

// Transparent background and a text colour for a scope.
class ScopedTextStyle {
public:
    ScopedTextStyle(HDC dc, COLORREF color)
        : dc_(dc), oldMode_(::SetBkMode(dc, TRANSPARENT)), oldColor_(::SetTextColor(dc, color)) {}
    ~ScopedTextStyle() {
        if (oldMode_) ::SetBkMode(dc_, oldMode_);
        if (oldColor_ != CLR_INVALID) ::SetTextColor(dc_, oldColor_);
    }
    ScopedTextStyle(const ScopedTextStyle&) = delete;
    ScopedTextStyle& operator=(const ScopedTextStyle&) = delete;

private:
    HDC dc_;
    int oldMode_;
    COLORREF oldColor_;
};

// Draws (or, with DT_CALCRECT, measures into `rc`) text through GDI+ with the
// GDI font `font`, the ARGB colour and DrawText format flags.
void DrawTextGdiplus(HDC dc, HFONT font, RECT& rc, const wchar_t* text, int length, DWORD color,
                     UINT format, int renderingHint);

}  // namespace Ulmar
