#include "win/gdi.h"

#include <gdiplus.h>

namespace win {

UniqueBitmap CreateDib32(int width, int height, void** bits) {
    if (bits) *bits = nullptr;
    if (width <= 0 || height <= 0) return UniqueBitmap();
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (bitmap && bits) *bits = pixels;
    return bitmap;
}

UniqueRegion GetClipRegion(HDC dc) {
    UniqueRegion region(::CreateRectRgn(0, 0, 0, 0));
    if (!region) return region;
    // 1: the DC has a clip region, copied into ours; 0: none; -1: failure.
    if (::GetClipRgn(dc, region.get()) != 1) region.reset();
    return region;
}

ScopedClip::ScopedClip(HDC dc) noexcept : m_dc(dc), m_saved(dc ? GetClipRegion(dc) : UniqueRegion()) {}

ScopedClip::~ScopedClip() {
    // SelectClipRgn copies the region, so ours is freed by the owner afterwards.
    if (!m_dc) return;
    const DWORD saved = ::GetLastError();
    ::SelectClipRgn(m_dc, m_saved.get());
    ::SetLastError(saved);
}

ScopedGdiplus::ScopedGdiplus() noexcept {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) m_token = token;
}

ScopedGdiplus::~ScopedGdiplus() {
    if (m_token) Gdiplus::GdiplusShutdown(m_token);
}

}  // namespace win
