#pragma once
// Decoded images and the parsed description of an image attribute string.
//
// An image attribute string is either a bare image name or a list of items
// name='value' separated by single spaces:
//   file/res, restype, dest, source, corner, mask, fade, rotate, gdiplus, hole,
//   xtiled, ytiled, hsl, size, align, padding.
// A fault (no "=", no opening or closing quote) ends parsing; items read so far
// stay. Empty values are ignored; unknown names are ignored.
#include <windows.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "ui/base/ui_string.h"
#include "win/com.h"
#include "win/gdi.h"

namespace Gdiplus {
class Image;
}

namespace Ulmar {

class CPaintManagerUI;

// One decoded image: a premultiplied 32-bit top-down DIB section and a GDI+
// image made from the same bytes. Either may be missing, not both.
class CImageData {
public:
    CImageData();
    ~CImageData();
    CImageData(const CImageData&) = delete;
    CImageData& operator=(const CImageData&) = delete;

    HBITMAP GetBitmap() const { return bitmap.get(); }
    Gdiplus::Image* GetGdiplusImage() const { return gdiplusImage.get(); }
    // The DIB's pixels (BGRA premultiplied, top-down, width * 4 bytes a row); null without a DIB.
    BYTE* GetBits() const { return bits; }

    win::UniqueBitmap bitmap;
    BYTE* bits = nullptr;                  // owned by `bitmap`
    win::ComPtr<IStream> gdiplusStream;    // the bytes GDI+ reads; must outlive the image
    std::unique_ptr<Gdiplus::Image> gdiplusImage;
    int width = 0;
    int height = 0;
    bool alpha = false;                    // some pixel is not opaque, or was masked

    // Recorded by the paint manager when it adds the image.
    CUiString resType;
    DWORD mask = 0;
    bool useHSL = false;
    std::vector<BYTE> hslPixels;           // the pixels as loaded, kept while HSL is on
};

// Decodes an image as the skin names it. Without a type: from the skin (archive
// or resource folder, "\" read as "/"), else `name` as a file path. With a type:
// the module resource `name` (a number when it starts with a digit) in
// `instance` or the resource module, else the file routes. Null when nothing
// could be decoded. `gdiplus`: only the GDI+ image is wanted (no DIB).
std::unique_ptr<CImageData> LoadImageData(const wchar_t* name, const wchar_t* type = nullptr,
                                          DWORD mask = 0, HINSTANCE instance = nullptr,
                                          bool gdiplus = false);

// Decodes image file bytes (PNG, JPEG, BMP, ... as stb_image reads them).
// Pixels whose premultiplied BGRA value equals `mask` (when not 0) become
// transparent. Null when the bytes are not an image.
std::unique_ptr<CImageData> DecodeImageData(const unsigned char* bytes, size_t size, DWORD mask = 0,
                                            bool gdiplus = false);

// Counts for benchmarks and tests: images decoded and descriptions parsed since start.
size_t GetImageDecodeCount();
size_t GetDrawInfoParseCount();

// The parsed form of one image attribute string plus its modify string.
class CImageDrawInfo {
public:
    CImageDrawInfo() { Clear(); }

    void Clear();
    // Parses `draw`, then `modify` (whose items override). When the manager's DPI
    // scale is not 100, "@<scale>." replaces every "." of the image name.
    void Parse(const wchar_t* draw, const wchar_t* modify, CPaintManagerUI* manager);

    CUiString sDrawString;
    CUiString sDrawModify;
    CUiString sImageName;
    CUiString sResType;
    RECT rcDest;
    RECT rcSource;
    RECT rcCorner;
    DWORD dwMask;
    BYTE uFade;
    int nRotate;
    bool bHole;
    bool bTiledX;
    bool bTiledY;
    bool bHSL;
    bool bGdiplus;
    SIZE szImage;
    RECT rcPadding;
    CUiString sAlign;

private:
    void ParseItems(const wchar_t* text);
};

}  // namespace Ulmar
