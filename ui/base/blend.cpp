#include "ui/base/blend.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "win/gdi.h"
#include "win/library_search.h"

namespace Ulmar {
namespace Blend {
namespace {

using AlphaBlendFn = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);
using GradientFillFn = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);

struct Msimg32 {
    AlphaBlendFn alphaBlend = nullptr;
    GradientFillFn gradientFill = nullptr;
};

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
    // Through void(*)(), the one cast from FARPROC the compiler accepts silently.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

Msimg32 Resolve() {
    Msimg32 functions;
    // Kept loaded for the life of the process: the pointers are used until exit.
    if (HMODULE module = win::LoadSystemLibrary(L"msimg32.dll")) {
        functions.alphaBlend = Lookup<AlphaBlendFn>(module, "AlphaBlend");
        functions.gradientFill = Lookup<GradientFillFn>(module, "GradientFill");
    }
    return functions;
}

const Msimg32& System() {
    static const Msimg32 functions = Resolve();
    return functions;
}

std::atomic<bool> g_forceFallbacks{false};

// x * a / 255, rounded, for 8-bit values.
inline uint32_t Mul255(uint32_t x, uint32_t a) {
    const uint32_t t = x * a + 128;
    return (t + (t >> 8)) >> 8;
}

// A 32-bit top-down copy of a region of a DC, drawn into a memory DC.
struct PixelBuffer {
    win::UniqueMemoryDc dc;
    win::UniqueBitmap bitmap;
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;

    bool Create(int w, int h) {
        void* bits = nullptr;
        bitmap = win::CreateDib32(w, h, &bits);
        dc = win::CreateMemoryDc(nullptr);
        if (!bitmap || !dc) return false;
        pixels = static_cast<uint32_t*>(bits);
        width = w;
        height = h;
        return true;
    }
};

// Reads `width` x `height` source pixels at (x, y). BitBlt between 32-bit DIBs
// copies whole pixels, so a 32-bit DIB source keeps its alpha; from anything
// else the pixels count as opaque.
bool ReadSource(HDC source, int x, int y, int width, int height, PixelBuffer& out) {
    if (!out.Create(width, height)) return false;
    HGDIOBJ object = ::GetCurrentObject(source, OBJ_BITMAP);
    DIBSECTION dib = {};
    const bool hasAlpha = object && ::GetObjectW(object, sizeof(dib), &dib) == sizeof(dib) &&
                          dib.dsBm.bmBitsPixel == 32;
    if (hasAlpha && (x < 0 || y < 0 || x + width > dib.dsBm.bmWidth || y + height > dib.dsBm.bmHeight)) {
        return false;  // as msimg32: the source must lie inside its bitmap
    }
    win::ScopedSelectObject select(out.dc.get(), out.bitmap.get());
    if (!::BitBlt(out.dc.get(), 0, 0, width, height, source, x, y, SRCCOPY)) return false;
    ::GdiFlush();
    if (!hasAlpha) {
        for (int i = 0; i < width * height; ++i) out.pixels[i] |= 0xFF000000u;
    }
    return true;
}

}  // namespace

bool HasSystemAlphaBlend() { return System().alphaBlend != nullptr; }
bool HasSystemGradientFill() { return System().gradientFill != nullptr; }
void ForceFallbacks(bool force) { g_forceFallbacks = force; }

bool AlphaBlend(HDC dest, int x, int y, int width, int height, HDC source, int srcX, int srcY,
                int srcWidth, int srcHeight, BLENDFUNCTION blend) {
    const Msimg32& system = System();
    if (system.alphaBlend && !g_forceFallbacks) {
        return system.alphaBlend(dest, x, y, width, height, source, srcX, srcY, srcWidth,
                                 srcHeight, blend) != FALSE;
    }
    return AlphaBlendFallback(dest, x, y, width, height, source, srcX, srcY, srcWidth, srcHeight,
                              blend);
}

bool GradientFill(HDC dc, TRIVERTEX* vertices, ULONG vertexCount, void* mesh, ULONG meshCount,
                  ULONG mode) {
    const Msimg32& system = System();
    if (system.gradientFill && !g_forceFallbacks) {
        return system.gradientFill(dc, vertices, vertexCount, mesh, meshCount, mode) != FALSE;
    }
    return GradientFillFallback(dc, vertices, vertexCount, mesh, meshCount, mode);
}

// Source-over of premultiplied pixels: D = S * ca + D * (1 - Sa * ca); without
// AC_SRC_ALPHA, D = S * ca + D * (1 - ca). The source is sampled at the nearest
// pixel when stretched.
bool AlphaBlendFallback(HDC dest, int x, int y, int width, int height, HDC source, int srcX,
                        int srcY, int srcWidth, int srcHeight, BLENDFUNCTION blend) {
    if (!dest || !source || blend.BlendOp != AC_SRC_OVER) return false;
    if (width <= 0 || height <= 0 || srcWidth <= 0 || srcHeight <= 0) return false;

    PixelBuffer src;
    if (!ReadSource(source, srcX, srcY, srcWidth, srcHeight, src)) return false;
    PixelBuffer dst;
    if (!dst.Create(width, height)) return false;
    win::ScopedSelectObject select(dst.dc.get(), dst.bitmap.get());
    if (!::BitBlt(dst.dc.get(), 0, 0, width, height, dest, x, y, SRCCOPY)) return false;
    ::GdiFlush();

    const uint32_t constant = blend.SourceConstantAlpha;
    const bool perPixel = (blend.AlphaFormat & AC_SRC_ALPHA) != 0;
    for (int row = 0; row < height; ++row) {
        const int sy = static_cast<int>((2LL * row + 1) * srcHeight / (2LL * height));
        const uint32_t* srcLine = src.pixels + sy * srcWidth;
        uint32_t* dstLine = dst.pixels + row * width;
        for (int col = 0; col < width; ++col) {
            const int sx = static_cast<int>((2LL * col + 1) * srcWidth / (2LL * width));
            const uint32_t s = srcLine[sx];
            const uint32_t d = dstLine[col];
            uint32_t sc[4] = {s & 0xFF, (s >> 8) & 0xFF, (s >> 16) & 0xFF, s >> 24};
            for (uint32_t& c : sc) c = Mul255(c, constant);
            // Without per-pixel alpha every channel, alpha too, mixes by the constant.
            const uint32_t keep = 255 - (perPixel ? sc[3] : constant);
            uint32_t out = 0;
            for (int ch = 0; ch < 4; ++ch) {
                const uint32_t dc = (d >> (8 * ch)) & 0xFF;
                out |= std::min<uint32_t>(255, sc[ch] + Mul255(dc, keep)) << (8 * ch);
            }
            dstLine[col] = out;
        }
    }
    return ::BitBlt(dest, x, y, width, height, dst.dc.get(), 0, 0, SRCCOPY) != FALSE;
}

// Rectangle modes: each channel interpolated linearly from the left (top) vertex
// to the right (bottom) one, per column (row).
bool GradientFillFallback(HDC dc, TRIVERTEX* vertices, ULONG vertexCount, void* mesh,
                          ULONG meshCount, ULONG mode) {
    if (!dc || !vertices || !mesh) return false;
    if (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V) return false;
    const auto* rects = static_cast<const GRADIENT_RECT*>(mesh);
    for (ULONG i = 0; i < meshCount; ++i) {
        if (rects[i].UpperLeft >= vertexCount || rects[i].LowerRight >= vertexCount) return false;
        TRIVERTEX a = vertices[rects[i].UpperLeft];
        TRIVERTEX b = vertices[rects[i].LowerRight];
        if (a.x > b.x) std::swap(a.x, b.x);
        if (a.y > b.y) std::swap(a.y, b.y);
        const int width = b.x - a.x;
        const int height = b.y - a.y;
        if (width <= 0 || height <= 0) continue;

        PixelBuffer buffer;
        if (!buffer.Create(width, height)) return false;
        const bool vertical = mode == GRADIENT_FILL_RECT_V;
        const int span = vertical ? height : width;
        auto channel = [span](COLOR16 from, COLOR16 to, int pos) -> uint32_t {
            const long long value =
                (static_cast<long long>(from) * (span - pos) + static_cast<long long>(to) * pos) / span;
            return static_cast<uint32_t>(value >> 8) & 0xFF;
        };
        for (int pos = 0; pos < span; ++pos) {
            const uint32_t pixel = channel(vertices[rects[i].UpperLeft].Blue,
                                           vertices[rects[i].LowerRight].Blue, pos) |
                                   channel(vertices[rects[i].UpperLeft].Green,
                                           vertices[rects[i].LowerRight].Green, pos) << 8 |
                                   channel(vertices[rects[i].UpperLeft].Red,
                                           vertices[rects[i].LowerRight].Red, pos) << 16 |
                                   channel(vertices[rects[i].UpperLeft].Alpha,
                                           vertices[rects[i].LowerRight].Alpha, pos) << 24;
            if (vertical) {
                std::fill(buffer.pixels + pos * width, buffer.pixels + (pos + 1) * width, pixel);
            } else {
                for (int row = 0; row < height; ++row) buffer.pixels[row * width + pos] = pixel;
            }
        }
        win::ScopedSelectObject select(buffer.dc.get(), buffer.bitmap.get());
        if (!::BitBlt(dc, a.x, a.y, width, height, buffer.dc.get(), 0, 0, SRCCOPY)) return false;
    }
    return true;
}

}  // namespace Blend
}  // namespace Ulmar
