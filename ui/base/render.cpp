// CRenderer: images (nine-slice and GDI+), fills, lines, outlines, clips and
// colour adjustment. Text lives in render_text.cpp and html_text.cpp.
#include "ui/base/render.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "ui/base/blend.h"
#include "ui/base/paint_manager.h"
#include "ui/base/render_internal.h"
#include "ui/base/resample.h"

namespace Ulmar {
namespace {

// An image string leaves a rectangle it does not give at all zeros.
bool IsUnset(const RECT& rc) { return rc.left == 0 && rc.top == 0 && rc.right == 0 && rc.bottom == 0; }

bool Meets(const RECT& a, const RECT& b) {
    RECT out;
    return ::IntersectRect(&out, &a, &b) != FALSE;
}

// Logical rectangle to device coordinates, as clip regions are kept.
RECT ToDevice(HDC dc, const RECT& rc) {
    POINT pts[2] = {{rc.left, rc.top}, {rc.right, rc.bottom}};
    ::LPtoDP(dc, pts, 2);
    return RECT{pts[0].x, pts[0].y, pts[1].x, pts[1].y};
}

// Makes `clip.hRgn` = `region` AND the DC's current clip, selects it and keeps
// the current clip in `clip.hOldRgn` for the clip record to put back.
void ApplyClip(HDC dc, win::UniqueRegion region, const RECT& rc, CRenderClip& clip) {
    clip.hOldRgn = win::GetClipRegion(dc);
    clip.rcItem = rc;
    clip.hDC = dc;
    if (region && clip.hOldRgn) ::CombineRgn(region.get(), region.get(), clip.hOldRgn.get(), RGN_AND);
    clip.hRgn = std::move(region);
    ::SelectClipRgn(dc, clip.hRgn.get());
}

// A picture's pixels, top row first, for smooth resizing. Copied out through GDI
// rather than read from the DIB section's memory: the row order of that memory
// cannot be told from GetObject (Wine reports every DIB section as bottom-up).
struct DibRows {
    std::vector<DWORD> pixels;
    int width = 0;
    const BYTE* first() const { return pixels.empty() ? nullptr : reinterpret_cast<const BYTE*>(pixels.data()); }
    int stride() const { return width * 4; }
};

// `bitmap` must not be selected into a DC (GetDIBits' rule). Empty when it cannot be read.
DibRows RowsOf(HDC dc, HBITMAP bitmap) {
    DibRows rows;
    BITMAP bm = {};
    if (::GetObjectW(bitmap, sizeof(bm), &bm) != sizeof(bm) || bm.bmBitsPixel != 32 || bm.bmWidth <= 0 ||
        bm.bmHeight <= 0) {
        return rows;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = -bm.bmHeight;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    rows.pixels.resize(static_cast<size_t>(bm.bmWidth) * bm.bmHeight);
    if (::GetDIBits(dc, bitmap, 0, bm.bmHeight, rows.pixels.data(), &info, DIB_RGB_COLORS) != bm.bmHeight) {
        rows.pixels.clear();
        return rows;
    }
    rows.width = bm.bmWidth;
    return rows;
}

// A blend of a premultiplied slice, or a plain stretch when opaque (StretchBlt's
// HALFTONE smooths that). A blended slice drawn at another size is resized smoothly
// first where the source's pixels can be read: AlphaBlend would pick nearest pixels.
class SliceDrawer {
public:
    SliceDrawer(HDC dc, HDC source, DibRows rows, const RECT& paint, bool alpha, BYTE fade)
        : dc_(dc), source_(source), rows_(std::move(rows)), paint_(paint), opaque_(!alpha && fade >= 255) {
        blend_.BlendOp = AC_SRC_OVER;
        blend_.BlendFlags = 0;
        blend_.SourceConstantAlpha = fade;
        blend_.AlphaFormat = AC_SRC_ALPHA;
    }

    void Draw(const RECT& dest, int sx, int sy, int sw, int sh) const {
        const int dw = dest.right - dest.left;
        const int dh = dest.bottom - dest.top;
        if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0 || !Meets(dest, paint_)) return;
        if (opaque_) {
            ::StretchBlt(dc_, dest.left, dest.top, dw, dh, source_, sx, sy, sw, sh, SRCCOPY);
        } else if ((dw != sw || dh != sh) && rows_.first() && DrawResized(dest, RECT{sx, sy, sx + sw, sy + sh})) {
            return;
        } else {
            Blend::AlphaBlend(dc_, dest.left, dest.top, dw, dh, source_, sx, sy, sw, sh, blend_);
        }
    }

private:
    // Only the part inside the paint rectangle is resized and drawn.
    bool DrawResized(const RECT& dest, const RECT& source) const {
        RECT shown;
        if (!::IntersectRect(&shown, &dest, &paint_)) return true;
        const int w = shown.right - shown.left, h = shown.bottom - shown.top;
        const RECT part = {shown.left - dest.left, shown.top - dest.top, shown.right - dest.left,
                           shown.bottom - dest.top};
        void* bits = nullptr;
        const win::UniqueBitmap resized = win::CreateDib32(w, h, &bits);
        if (!resized || !ResampleBgra(rows_.first(), rows_.stride(), source, dest.right - dest.left,
                                      dest.bottom - dest.top, part, static_cast<DWORD*>(bits))) {
            return false;
        }
        win::UniqueMemoryDc memory = win::CreateMemoryDc(dc_);
        if (!memory) return false;
        win::ScopedSelectObject select(memory.get(), resized.get());
        if (!select.ok()) return false;
        return Blend::AlphaBlend(dc_, shown.left, shown.top, w, h, memory.get(), 0, 0, w, h, blend_);
    }

    HDC dc_;
    HDC source_;
    DibRows rows_;
    RECT paint_;
    bool opaque_;
    BLENDFUNCTION blend_;
};

// The middle slice repeated instead of stretched; the last tile in a row or
// column is narrowed together with its source.
void DrawTiledMiddle(const SliceDrawer& drawer, const RECT& dest, const RECT& src, bool xtiled,
                     bool ytiled) {
    const int sw = src.right - src.left;
    const int sh = src.bottom - src.top;
    if (sw <= 0 || sh <= 0) return;
    const int stepX = xtiled ? sw : dest.right - dest.left;
    const int stepY = ytiled ? sh : dest.bottom - dest.top;
    if (stepX <= 0 || stepY <= 0) return;
    for (int top = dest.top; top < dest.bottom; top += stepY) {
        const int h = std::min(stepY, static_cast<int>(dest.bottom - top));
        const int srcH = ytiled ? h : sh;
        for (int left = dest.left; left < dest.right; left += stepX) {
            const int w = std::min(stepX, static_cast<int>(dest.right - left));
            const int srcW = xtiled ? w : sw;
            drawer.Draw(RECT{left, top, left + w, top + h}, src.left, src.top, srcW, srcH);
        }
    }
}

// Places a box of `size` inside `dest` as "align" and "padding" say.
RECT AlignBox(CPaintManagerUI* manager, const CImageDrawInfo& info, const RECT& dest) {
    SIZE size = info.szImage;
    RECT padding = info.rcPadding;
    if (CDPI* dpi = manager->GetDPIObj()) {
        size = dpi->Scale(size);
        padding = dpi->Scale(padding);
    }
    const std::wstring& align = info.sAlign.str();
    auto has = [&align](const wchar_t* word) { return align.find(word) != std::wstring::npos; };
    RECT box = dest;
    if (has(L"left")) {
        box.right = box.left + size.cx;
    } else if (has(L"hcenter")) {
        box.left = dest.left + (dest.right - dest.left - size.cx) / 2;
        box.right = box.left + size.cx;
    } else if (has(L"right")) {
        box.left = dest.right - size.cx;
    }
    if (has(L"top")) {
        box.bottom = box.top + size.cy;
    } else if (has(L"vcenter")) {
        box.top = dest.top + (dest.bottom - dest.top - size.cy) / 2;
        box.bottom = box.top + size.cy;
    } else if (has(L"bottom")) {
        box.top = dest.bottom - size.cy;
    } else {
        box.bottom = box.top + size.cy;  // the box keeps its own height
    }
    ::OffsetRect(&box, padding.left - padding.right, padding.top - padding.bottom);
    box.right = std::min(box.right, dest.right);
    box.bottom = std::min(box.bottom, dest.bottom);
    return box;
}

bool DrawGdiplusImage(HDC dc, const CImageData& image, const RECT& dest, const RECT& paint,
                      const RECT& source, int rotate, BYTE fade) {
    Gdiplus::Graphics graphics(dc);
    if (graphics.GetLastStatus() != Gdiplus::Ok) return false;
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.IntersectClip(Gdiplus::Rect(paint.left, paint.top, paint.right - paint.left,
                                         paint.bottom - paint.top));
    if (rotate != 0) {
        const Gdiplus::REAL cx = (dest.left + dest.right) / 2.0f;
        const Gdiplus::REAL cy = (dest.top + dest.bottom) / 2.0f;
        graphics.TranslateTransform(cx, cy);
        graphics.RotateTransform(static_cast<Gdiplus::REAL>(rotate));
        graphics.TranslateTransform(-cx, -cy);
    }
    Gdiplus::ImageAttributes attributes;
    if (fade != 255) {
        Gdiplus::ColorMatrix matrix = {{{1, 0, 0, 0, 0},
                                        {0, 1, 0, 0, 0},
                                        {0, 0, 1, 0, 0},
                                        {0, 0, 0, fade / 255.0f, 0},
                                        {0, 0, 0, 0, 1}}};
        attributes.SetColorMatrix(&matrix);
    }
    const Gdiplus::Rect target(dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top);
    return graphics.DrawImage(image.GetGdiplusImage(), target, source.left, source.top,
                              source.right - source.left, source.bottom - source.top,
                              Gdiplus::UnitPixel, &attributes) == Gdiplus::Ok;
}

// Finds the image in the manager's tables or loads it; a scaled name
// ("x@150.png") that does not exist falls back to the name as written.
const CImageData* FetchImage(CPaintManagerUI* manager, const CImageDrawInfo& info,
                             HINSTANCE instance) {
    const wchar_t* type = info.sResType.IsEmpty() ? nullptr : info.sResType.GetData();
    const CImageData* image =
        manager->GetImageEx(info.sImageName, type, info.dwMask, info.bHSL, info.bGdiplus, instance);
    if (image) return image;
    // Undo exactly what DPI naming inserted, so that a dotted folder or a name
    // with two dots ("skin.v2/bk.png") falls back to itself, not to a cut name.
    const int scale = manager->GetDPIScale();
    if (scale == 100) return nullptr;
    CUiString suffix;
    suffix.Format(L"@%d.", scale);
    CUiString plain = info.sImageName;
    if (plain.Replace(suffix, L".") == 0) return nullptr;
    return manager->GetImageEx(plain, type, info.dwMask, info.bHSL, info.bGdiplus, instance);
}

double HueToRgb(double p, double q, double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0 / 6) return p + (q - p) * 6 * t;
    if (t < 1.0 / 2) return q;
    if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

}  // namespace

CRenderClip::~CRenderClip() {
    if (!hDC) return;
    const DWORD saved = ::GetLastError();
    ::SelectClipRgn(hDC, hOldRgn.get());
    ::SetLastError(saved);
}

bool CRenderer::DrawImage(HDC dc, CPaintManagerUI* manager, const RECT& item, const RECT& paint,
                          const wchar_t* image, const wchar_t* modify, HINSTANCE instance) {
    if (!dc || !manager || !image) return false;
    if (*image == L'\0' && (!modify || *modify == L'\0')) return false;
    const CImageDrawInfo* info = manager->GetDrawInfo(image, modify);
    return DrawImageInfo(dc, manager, item, paint, info, instance);
}

bool CRenderer::DrawImageInfo(HDC dc, CPaintManagerUI* manager, const RECT& item,
                              const RECT& paint, const CImageDrawInfo* info, HINSTANCE instance) {
    if (!dc || !manager || !info || info->sImageName.IsEmpty()) return false;

    RECT dest = item;
    if (!IsUnset(info->rcDest)) {
        dest.left = item.left + info->rcDest.left;
        dest.top = item.top + info->rcDest.top;
        dest.right = std::min(item.left + info->rcDest.right, item.right);
        dest.bottom = std::min(item.top + info->rcDest.bottom, item.bottom);
    }
    if (info->szImage.cx > 0 && info->szImage.cy > 0) dest = AlignBox(manager, *info, dest);

    const CImageData* image = FetchImage(manager, *info, instance);
    if (!image) return false;

    RECT source = info->rcSource;
    if (IsUnset(source)) source = RECT{0, 0, image->width, image->height};
    source.right = std::min<LONG>(source.right, image->width);
    source.bottom = std::min<LONG>(source.bottom, image->height);

    if (!Meets(dest, item) || !Meets(dest, paint)) return true;
    const bool alpha = manager->IsLayered() || image->alpha;

    if ((info->bGdiplus || !image->GetBitmap()) && image->GetGdiplusImage()) {
        DrawGdiplusImage(dc, *image, dest, paint, source, info->nRotate, info->uFade);
        return true;
    }
    if (!image->GetBitmap()) return false;
    DrawImage(dc, image->GetBitmap(), dest, paint, source, info->rcCorner, alpha, info->uFade,
              info->bHole, info->bTiledX, info->bTiledY);
    return true;
}

void CRenderer::DrawImage(HDC dc, HBITMAP bitmap, const RECT& dest, const RECT& paint,
                          const RECT& source, const RECT& corner, bool alpha, BYTE fade, bool hole,
                          bool xtiled, bool ytiled) {
    if (!dc || !bitmap) return;
    const bool opaque = !alpha && fade >= 255;
    const bool noCorners = corner.left == 0 && corner.top == 0 && corner.right == 0 && corner.bottom == 0;
    const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    const int sw = source.right - source.left, sh = source.bottom - source.top;
    // Read before the picture is selected, and only when a blended slice may be resized.
    DibRows rows = !opaque && (dw != sw || dh != sh) ? RowsOf(dc, bitmap) : DibRows{};

    win::UniqueMemoryDc memory = win::CreateMemoryDc(dc);
    if (!memory) return;
    win::ScopedSelectObject select(memory.get(), bitmap);
    if (!select.ok()) return;
    ScopedStretchMode stretch(dc, HALFTONE);

    if (opaque && noCorners && dw == sw && dh == sh) {
        RECT part;
        if (::IntersectRect(&part, &dest, &paint)) {
            ::BitBlt(dc, part.left, part.top, part.right - part.left, part.bottom - part.top,
                     memory.get(), source.left + (part.left - dest.left),
                     source.top + (part.top - dest.top), SRCCOPY);
        }
        return;
    }

    const SliceDrawer drawer(dc, memory.get(), std::move(rows), paint, alpha, fade);
    const int cl = corner.left, ct = corner.top, cr = corner.right, cb = corner.bottom;
    // Destination and source grid lines.
    const int dx[4] = {dest.left, dest.left + cl, dest.right - cr, dest.right};
    const int dy[4] = {dest.top, dest.top + ct, dest.bottom - cb, dest.bottom};
    const int sx[4] = {source.left, source.left + cl, source.right - cr, source.right};
    const int sy[4] = {source.top, source.top + ct, source.bottom - cb, source.bottom};
    // A source span of zero size between two insets (a 6-pixel bar with corners
    // 3 and 3) would leave its destination span blank; it borrows the one pixel
    // column or row just before it instead.
    auto span = [](const int* src, const int* dst, int index, int first, int& start, int& length) {
        start = src[index];
        length = src[index + 1] - src[index];
        if (length == 0 && dst[index + 1] > dst[index]) {
            start = std::max(first, start - 1);
            length = 1;
        }
    };
    auto sourceOf = [&](int col, int row) {
        int x, w, y, h;
        span(sx, dx, col, source.left, x, w);
        span(sy, dy, row, source.top, y, h);
        return RECT{x, y, x + w, y + h};
    };
    auto slice = [&](int col, int row) {
        const RECT src = sourceOf(col, row);
        drawer.Draw(RECT{dx[col], dy[row], dx[col + 1], dy[row + 1]}, src.left, src.top,
                    src.right - src.left, src.bottom - src.top);
    };

    if (!hole) {
        const RECT middle{dx[1], dy[1], dx[2], dy[2]};
        if (xtiled || ytiled) {
            DrawTiledMiddle(drawer, middle, sourceOf(1, 1), xtiled, ytiled);
        } else {
            slice(1, 1);
        }
    }
    if (cl > 0 && ct > 0) slice(0, 0);
    if (ct > 0) slice(1, 0);
    if (cr > 0 && ct > 0) slice(2, 0);
    if (cl > 0) slice(0, 1);
    if (cr > 0) slice(2, 1);
    if (cl > 0 && cb > 0) slice(0, 2);
    if (cb > 0) slice(1, 2);
    if (cr > 0 && cb > 0) slice(2, 2);
}

void CRenderer::DrawColor(HDC dc, const RECT& rc, DWORD color) {
    const BYTE alpha = static_cast<BYTE>(color >> 24);
    const int width = rc.right - rc.left, height = rc.bottom - rc.top;
    if (!dc || alpha == 0 || width <= 0 || height <= 0) return;
    // A premultiplied block of the rectangle's size, copied or blended 1:1: the
    // alpha channel of the target comes out right, which a layered window
    // needs, and no stretching is involved (slow on some systems).
    void* bits = nullptr;
    win::UniqueBitmap block = win::CreateDib32(width, height, &bits);
    win::UniqueMemoryDc memory = win::CreateMemoryDc(dc);
    if (!block || !memory) return;
    std::fill_n(static_cast<DWORD*>(bits), static_cast<size_t>(width) * height, Premultiply(color));
    win::ScopedSelectObject select(memory.get(), block.get());
    if (alpha == 255) {
        ::BitBlt(dc, rc.left, rc.top, width, height, memory.get(), 0, 0, SRCCOPY);
        return;
    }
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    Blend::AlphaBlend(dc, rc.left, rc.top, width, height, memory.get(), 0, 0, width, height, blend);
}

void CRenderer::DrawGradient(HDC dc, const RECT& rc, DWORD first, DWORD second, bool vertical,
                             int /*steps: GradientFill and its fallback are both smooth*/) {
    const int alpha = ((first >> 24) + (second >> 24)) / 2;
    const int width = rc.right - rc.left, height = rc.bottom - rc.top;
    if (!dc || alpha == 0 || width <= 0 || height <= 0) return;

    auto fill = [&](HDC target, int x, int y) {
        TRIVERTEX v[2] = {};
        v[0].x = x;
        v[0].y = y;
        v[0].Red = static_cast<COLOR16>(((first >> 16) & 0xFF) << 8);
        v[0].Green = static_cast<COLOR16>(((first >> 8) & 0xFF) << 8);
        v[0].Blue = static_cast<COLOR16>((first & 0xFF) << 8);
        v[0].Alpha = 0xFF00;
        v[1].x = x + width;
        v[1].y = y + height;
        v[1].Red = static_cast<COLOR16>(((second >> 16) & 0xFF) << 8);
        v[1].Green = static_cast<COLOR16>(((second >> 8) & 0xFF) << 8);
        v[1].Blue = static_cast<COLOR16>((second & 0xFF) << 8);
        v[1].Alpha = 0xFF00;
        GRADIENT_RECT mesh = {0, 1};
        Blend::GradientFill(target, v, 2, &mesh, 1,
                            vertical ? GRADIENT_FILL_RECT_V : GRADIENT_FILL_RECT_H);
    };

    if (alpha >= 255) {
        fill(dc, rc.left, rc.top);
        return;
    }
    win::UniqueMemoryDc memory = win::CreateMemoryDc(dc);
    win::UniqueBitmap bitmap = win::CreateDib32(width, height, nullptr);
    if (!memory || !bitmap) return;
    win::ScopedSelectObject select(memory.get(), bitmap.get());
    fill(memory.get(), 0, 0);
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, static_cast<BYTE>(alpha), 0};
    Blend::AlphaBlend(dc, rc.left, rc.top, width, height, memory.get(), 0, 0, width, height, blend);
}

void CRenderer::DrawLine(HDC dc, const RECT& rc, int width, DWORD color, int style) {
    if (!dc) return;
    win::UniquePen pen(::CreatePen(style, width, ToColorRef(color)));
    if (!pen) return;
    win::ScopedSelectObject select(dc, pen.get());
    POINT previous = {};
    ::MoveToEx(dc, rc.left, rc.top, &previous);
    ::LineTo(dc, rc.right, rc.bottom);
    ::MoveToEx(dc, previous.x, previous.y, nullptr);
}

void CRenderer::DrawRect(HDC dc, const RECT& rc, int width, DWORD color, int style) {
    if (!dc) return;
    Gdiplus::Graphics graphics(dc);
    if (graphics.GetLastStatus() != Gdiplus::Ok) return;
    Gdiplus::Pen pen(Gdiplus::Color(color), static_cast<Gdiplus::REAL>(width));
    pen.SetAlignment(Gdiplus::PenAlignmentInset);
    pen.SetDashStyle(static_cast<Gdiplus::DashStyle>(style));
    graphics.DrawRectangle(&pen, static_cast<INT>(rc.left), static_cast<INT>(rc.top),
                           static_cast<INT>(rc.right - rc.left - 1),
                           static_cast<INT>(rc.bottom - rc.top - 1));
}

void CRenderer::DrawRoundRect(HDC dc, const RECT& rc, int width, int ellipseWidth,
                              int ellipseHeight, DWORD color, int style) {
    if (!dc) return;
    Gdiplus::Graphics graphics(dc);
    if (graphics.GetLastStatus() != Gdiplus::Ok) return;
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
    Gdiplus::Pen pen(Gdiplus::Color(color), static_cast<Gdiplus::REAL>(width));
    pen.SetAlignment(Gdiplus::PenAlignmentInset);
    pen.SetDashStyle(static_cast<Gdiplus::DashStyle>(style));
    const INT x = rc.left, y = rc.top;
    const INT w = rc.right - rc.left - 1, h = rc.bottom - rc.top - 1;
    const INT ew = std::min<INT>(ellipseWidth, w), eh = std::min<INT>(ellipseHeight, h);
    if (w <= 0 || h <= 0) return;
    if (ew <= 0 || eh <= 0) {
        graphics.DrawRectangle(&pen, x, y, w, h);
        return;
    }
    Gdiplus::GraphicsPath path;
    path.AddArc(x, y, ew, eh, 180, 90);
    path.AddArc(x + w - ew, y, ew, eh, 270, 90);
    path.AddArc(x + w - ew, y + h - eh, ew, eh, 0, 90);
    path.AddArc(x, y + h - eh, ew, eh, 90, 90);
    path.CloseFigure();
    graphics.DrawPath(&pen, &path);
}

void CRenderer::GenerateClip(HDC dc, const RECT& rc, CRenderClip& clip) {
    if (!dc) return;
    const RECT device = ToDevice(dc, rc);
    ApplyClip(dc, win::UniqueRegion(::CreateRectRgnIndirect(&device)), rc, clip);
}

void CRenderer::GenerateRoundClip(HDC dc, const RECT& paint, const RECT& item, int ellipseWidth,
                                  int ellipseHeight, CRenderClip& clip) {
    if (!dc) return;
    const RECT devicePaint = ToDevice(dc, paint);
    const RECT deviceItem = ToDevice(dc, item);
    win::UniqueRegion region(::CreateRectRgnIndirect(&devicePaint));
    win::UniqueRegion round(::CreateRoundRectRgn(deviceItem.left, deviceItem.top,
                                                 deviceItem.right + 1, deviceItem.bottom + 1,
                                                 ellipseWidth, ellipseHeight));
    if (region && round) ::CombineRgn(region.get(), region.get(), round.get(), RGN_AND);
    ApplyClip(dc, std::move(region), item, clip);
}

void CRenderer::UseOldClipBegin(HDC dc, CRenderClip& clip) {
    if (dc) ::SelectClipRgn(dc, clip.hOldRgn.get());
}

void CRenderer::UseOldClipEnd(HDC dc, CRenderClip& clip) {
    if (dc) ::SelectClipRgn(dc, clip.hRgn.get());
}

DWORD CRenderer::AdjustColor(DWORD color, short h, short s, short l) {
    if (h == 180 && s == 100 && l == 100) return color;
    const double r = ((color >> 16) & 0xFF) / 255.0;
    const double g = ((color >> 8) & 0xFF) / 255.0;
    const double b = (color & 0xFF) / 255.0;
    const double maxc = std::max({r, g, b}), minc = std::min({r, g, b});
    double hue = 0, sat = 0, light = (maxc + minc) / 2;
    if (maxc > minc) {
        const double d = maxc - minc;
        sat = light > 0.5 ? d / (2 - maxc - minc) : d / (maxc + minc);
        if (maxc == r) hue = (g - b) / d + (g < b ? 6 : 0);
        else if (maxc == g) hue = (b - r) / d + 2;
        else hue = (r - g) / d + 4;
        hue *= 60;
    }
    hue = std::fmod(hue + (h - 180), 360.0);
    if (hue < 0) hue += 360;
    sat = std::min(1.0, sat * s / 100.0);
    light = std::min(1.0, light * l / 100.0);

    double nr = light, ng = light, nb = light;
    if (sat > 0) {
        const double q = light < 0.5 ? light * (1 + sat) : light + sat - light * sat;
        const double p = 2 * light - q;
        const double t = hue / 360.0;
        nr = HueToRgb(p, q, t + 1.0 / 3);
        ng = HueToRgb(p, q, t);
        nb = HueToRgb(p, q, t - 1.0 / 3);
    }
    auto byte = [](double v) { return static_cast<DWORD>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    return (color & 0xFF000000) | byte(nr) << 16 | byte(ng) << 8 | byte(nb);
}

std::unique_ptr<CImageData> CRenderer::LoadImage(const wchar_t* name, const wchar_t* type,
                                                 DWORD mask, HINSTANCE instance, bool gdiplus) {
    return LoadImageData(name, type, mask, instance, gdiplus);
}

}  // namespace Ulmar
