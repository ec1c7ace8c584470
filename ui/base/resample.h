#pragma once
// Smooth resizing of premultiplied BGRA pixels, for pictures drawn at a size
// other than their own (a scale with no picture variant): GDI's AlphaBlend
// stretches by picking the nearest pixel.
#include <windows.h>

namespace Ulmar {

// Resizes the `source` rectangle of an image whose row r starts at `bits + r * stride`
// (stride may be negative: a bottom-up DIB) to `width` x `height` pixels, and writes
// the `part` of that result (inside 0,0,width,height) top-down into `out`. A tent
// filter as wide as the scale: enlarging interpolates, shrinking averages. No pixel
// outside `source` is read, so a sprite's neighbours never bleed in. Returns false
// (nothing written) for an empty size or rectangle, or a part outside the result.
bool ResampleBgra(const BYTE* bits, int stride, const RECT& source, int width, int height, const RECT& part,
                  DWORD* out);

}  // namespace Ulmar
