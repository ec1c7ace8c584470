// Decoding image bytes into a premultiplied DIB section and a GDI+ image.
#include "ui/base/image.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstring>

#define STBI_NO_STDIO
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace Ulmar {
namespace {

size_t g_decodeCount = 0;

struct StbPixels {
    unsigned char* data = nullptr;
    ~StbPixels() { stbi_image_free(data); }
};

// A stream over a private copy of the bytes; GDI+ reads the image from it
// whenever it needs to, so the stream lives as long as the image.
win::ComPtr<IStream> MakeStream(const unsigned char* bytes, size_t size) {
    win::ComPtr<IStream> stream;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory) return stream;
    if (void* target = ::GlobalLock(memory)) {
        std::memcpy(target, bytes, size);
        ::GlobalUnlock(memory);
        // TRUE: the stream frees the memory when released.
        if (SUCCEEDED(::CreateStreamOnHGlobal(memory, TRUE,
                                              reinterpret_cast<IStream**>(stream.put_void())))) {
            return stream;
        }
    }
    ::GlobalFree(memory);
    return stream;
}

void AttachGdiplusImage(CImageData& image, const unsigned char* bytes, size_t size) {
    win::ComPtr<IStream> stream = MakeStream(bytes, size);
    if (!stream) return;
    // Fails (status not Ok) when GDI+ is not started or the format is unknown.
    // GDI+ objects allocate through GdipAlloc and yield null when out of memory.
    std::unique_ptr<Gdiplus::Image> gdiplus(new Gdiplus::Image(stream.get()));
    if (!gdiplus || gdiplus->GetLastStatus() != Gdiplus::Ok) return;
    image.gdiplusStream = std::move(stream);
    image.gdiplusImage = std::move(gdiplus);
}

// Fills the DIB: opaque pixels copied as BGRA, others premultiplied; a pixel
// equal to `mask` after that becomes transparent. Returns the alpha flag.
bool FillPixels(const unsigned char* rgba, int width, int height, DWORD mask, BYTE* bits) {
    bool alpha = false;
    const size_t count = static_cast<size_t>(width) * height;
    auto* out = reinterpret_cast<DWORD*>(bits);
    for (size_t i = 0; i < count; ++i) {
        const unsigned char* p = rgba + i * 4;
        DWORD r = p[0], g = p[1], b = p[2];
        const DWORD a = p[3];
        if (a < 255) {
            r = r * a / 255;
            g = g * a / 255;
            b = b * a / 255;
            alpha = true;
        }
        DWORD value = a << 24 | r << 16 | g << 8 | b;
        if (mask != 0 && value == mask) {
            value = 0;
            alpha = true;
        }
        out[i] = value;
    }
    return alpha;
}

}  // namespace

CImageData::CImageData() = default;
CImageData::~CImageData() = default;

size_t GetImageDecodeCount() { return g_decodeCount; }

std::unique_ptr<CImageData> DecodeImageData(const unsigned char* bytes, size_t size, DWORD mask,
                                            bool gdiplus) {
    if (!bytes || size == 0 || size > 0x7FFFFFFF) return nullptr;
    std::unique_ptr<CImageData> image(new (std::nothrow) CImageData);
    if (!image) return nullptr;
    ++g_decodeCount;

    if (!gdiplus) {
        StbPixels pixels;
        int width = 0, height = 0, channels = 0;
        pixels.data = stbi_load_from_memory(bytes, static_cast<int>(size), &width, &height,
                                            &channels, 4);
        if (pixels.data) {
            void* bits = nullptr;
            image->bitmap = win::CreateDib32(width, height, &bits);
            if (image->bitmap) {
                image->bits = static_cast<BYTE*>(bits);
                image->width = width;
                image->height = height;
                image->alpha = FillPixels(pixels.data, width, height, mask, image->bits);
            }
        }
    }

    AttachGdiplusImage(*image, bytes, size);
    if (!image->bitmap && image->gdiplusImage) {
        image->width = static_cast<int>(image->gdiplusImage->GetWidth());
        image->height = static_cast<int>(image->gdiplusImage->GetHeight());
        image->alpha = Gdiplus::IsAlphaPixelFormat(image->gdiplusImage->GetPixelFormat()) != FALSE;
    }
    if (!image->bitmap && !image->gdiplusImage) return nullptr;
    return image;
}

}  // namespace Ulmar
