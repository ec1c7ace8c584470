#pragma once
// AlphaBlend and GradientFill of msimg32, resolved once per process from the
// system folder only (never the program's folder: the installer runs as
// administrator, and a planted DLL beside it must not load). When the library
// or a function is missing, an internal version with the same results is used.
#include <windows.h>

namespace Ulmar {
namespace Blend {

// Same arguments and meaning as msimg32's AlphaBlend: source-over with a constant
// alpha and, with AC_SRC_ALPHA, the source's premultiplied per-pixel alpha.
bool AlphaBlend(HDC dest, int x, int y, int width, int height, HDC source, int srcX, int srcY,
                int srcWidth, int srcHeight, BLENDFUNCTION blend);

// Same arguments and meaning as msimg32's GradientFill (rectangle modes).
bool GradientFill(HDC dc, TRIVERTEX* vertices, ULONG vertexCount, void* mesh, ULONG meshCount,
                  ULONG mode);

// The internal versions, used when msimg32 lacks a function; public so that
// tests can compare them with the system's.
bool AlphaBlendFallback(HDC dest, int x, int y, int width, int height, HDC source, int srcX,
                        int srcY, int srcWidth, int srcHeight, BLENDFUNCTION blend);
bool GradientFillFallback(HDC dc, TRIVERTEX* vertices, ULONG vertexCount, void* mesh,
                          ULONG meshCount, ULONG mode);

// Whether the system's functions were found (resolves them on first call).
bool HasSystemAlphaBlend();
bool HasSystemGradientFill();

// Tests only: route AlphaBlend/GradientFill to the internal versions.
void ForceFallbacks(bool force);

}  // namespace Blend
}  // namespace Ulmar
