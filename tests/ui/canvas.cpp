#include "tests/ui/canvas.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace test {
namespace {

void Append(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    const auto* bytes = static_cast<const unsigned char*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

std::vector<unsigned char> MakePng(int width, int height, const std::vector<uint32_t>& argb) {
    std::vector<unsigned char> rgba;
    rgba.reserve(argb.size() * 4);
    for (uint32_t p : argb) {
        rgba.push_back(static_cast<unsigned char>(p >> 16));
        rgba.push_back(static_cast<unsigned char>(p >> 8));
        rgba.push_back(static_cast<unsigned char>(p));
        rgba.push_back(static_cast<unsigned char>(p >> 24));
    }
    std::vector<unsigned char> png;
    stbi_write_png_to_func(Append, &png, width, height, 4, rgba.data(), width * 4);
    return png;
}

win::UniqueBitmap MakeBitmap(int width, int height, const std::vector<uint32_t>& argb) {
    void* bits = nullptr;
    win::UniqueBitmap bitmap = win::CreateDib32(width, height, &bits);
    auto* out = static_cast<DWORD*>(bits);
    for (size_t i = 0; i < argb.size(); ++i) {
        const DWORD a = argb[i] >> 24;
        const DWORD r = ((argb[i] >> 16) & 0xFF) * a / 255;
        const DWORD g = ((argb[i] >> 8) & 0xFF) * a / 255;
        const DWORD b = (argb[i] & 0xFF) * a / 255;
        out[i] = a << 24 | r << 16 | g << 8 | b;
    }
    return bitmap;
}

}  // namespace test
