#pragma once
// A 32-bit top-down DIB selected into a memory DC, with pixel access, for
// pixel checks of drawing code; and PNG bytes made in memory for image tests.
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "win/gdi.h"

namespace test {

class Canvas {
public:
    Canvas(int width, int height, DWORD fill = 0) : width_(width), height_(height) {
        void* bits = nullptr;
        bitmap_ = win::CreateDib32(width, height, &bits);
        bits_ = static_cast<DWORD*>(bits);
        select_ = std::make_unique<win::ScopedSelectObject>(dc_.get(), bitmap_.get());
        Fill(fill);
    }
    HDC dc() const { return dc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    DWORD* bits() const { return bits_; }
    DWORD At(int x, int y) const {
        ::GdiFlush();
        return bits_[y * width_ + x];
    }
    void Fill(DWORD value) {
        ::GdiFlush();
        for (int i = 0; i < width_ * height_; ++i) bits_[i] = value;
    }
    std::vector<DWORD> Pixels() const {
        ::GdiFlush();
        return std::vector<DWORD>(bits_, bits_ + width_ * height_);
    }

private:
    int width_;
    int height_;
    win::UniqueMemoryDc dc_{::CreateCompatibleDC(nullptr)};
    win::UniqueBitmap bitmap_;
    DWORD* bits_ = nullptr;
    std::unique_ptr<win::ScopedSelectObject> select_;
};

// Largest difference of the four 8-bit channels.
inline int ChannelDistance(DWORD a, DWORD b) {
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
        if (d > worst) worst = d;
    }
    return worst;
}

// PNG file bytes of a width x height image given as ARGB values, row by row.
std::vector<unsigned char> MakePng(int width, int height, const std::vector<uint32_t>& argb);

// A bitmap (premultiplied DIB) of ARGB values, row by row.
win::UniqueBitmap MakeBitmap(int width, int height, const std::vector<uint32_t>& argb);

}  // namespace test
