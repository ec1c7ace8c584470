#include "tools/skinview/png_writer.h"

#include <vector>

#include "win/unique_handle.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace skinview {

namespace {

void Collect(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    const auto* bytes = static_cast<const unsigned char*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

bool WritePng(const std::wstring& path, const DWORD* bgra, int width, int height, bool opaque) {
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (size_t i = 0; i < rgba.size() / 4; ++i) {
        const DWORD pixel = bgra[i];
        rgba[i * 4 + 0] = static_cast<unsigned char>((pixel >> 16) & 0xFF);
        rgba[i * 4 + 1] = static_cast<unsigned char>((pixel >> 8) & 0xFF);
        rgba[i * 4 + 2] = static_cast<unsigned char>(pixel & 0xFF);
        rgba[i * 4 + 3] = opaque ? 0xFF : static_cast<unsigned char>((pixel >> 24) & 0xFF);
    }
    std::vector<unsigned char> png;
    if (!stbi_write_png_to_func(&Collect, &png, width, height, 4, rgba.data(), width * 4) || png.empty()) {
        return false;
    }
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.get(), png.data(), static_cast<DWORD>(png.size()), &written, nullptr) &&
           written == png.size();
}

}  // namespace skinview
