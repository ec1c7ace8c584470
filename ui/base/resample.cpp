// Separable tent-filter resampling of premultiplied BGRA pixels.
#include "ui/base/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace Ulmar {

namespace {

// The source pixels (as offsets from the span's start) that one output pixel
// weighs, and their weights, summing to 1.
struct Taps {
    int first = 0;
    std::vector<float> weights;
};

std::vector<Taps> TapsFor(int sourceLength, int length) {
    std::vector<Taps> all(static_cast<size_t>(length));
    const float scale = static_cast<float>(sourceLength) / static_cast<float>(length);
    const float reach = std::max(1.0f, scale);
    for (int i = 0; i < length; ++i) {
        const float centre = (static_cast<float>(i) + 0.5f) * scale - 0.5f;
        const int lo = std::max(0, static_cast<int>(std::ceil(centre - reach)));
        const int hi = std::min(sourceLength - 1, static_cast<int>(std::floor(centre + reach)));
        Taps& taps = all[static_cast<size_t>(i)];
        float sum = 0;
        for (int s = lo; s <= hi; ++s) {
            const float w = std::max(0.0f, 1.0f - std::fabs(static_cast<float>(s) - centre) / reach);
            if (w <= 0 && taps.weights.empty()) continue;  // leading zero weights are skipped
            if (taps.weights.empty()) taps.first = s;
            taps.weights.push_back(w);
            sum += w;
        }
        if (sum <= 0) {  // cannot happen with reach >= 1, but never divide by zero
            taps.first = std::min(sourceLength - 1, std::max(0, static_cast<int>(centre + 0.5f)));
            taps.weights.assign(1, 1.0f);
            continue;
        }
        for (float& w : taps.weights) w /= sum;
    }
    return all;
}

BYTE Channel(float value) {
    const float rounded = value + 0.5f;
    return static_cast<BYTE>(rounded <= 0 ? 0 : rounded >= 255 ? 255 : rounded);
}

}  // namespace

bool ResampleBgra(const BYTE* bits, int stride, const RECT& source, int width, int height, const RECT& part,
                  DWORD* out) {
    const int sw = source.right - source.left, sh = source.bottom - source.top;
    const int pw = part.right - part.left, ph = part.bottom - part.top;
    if (!bits || !out || width <= 0 || height <= 0 || sw <= 0 || sh <= 0) return false;
    if (part.left < 0 || part.top < 0 || part.right > width || part.bottom > height || pw <= 0 || ph <= 0) {
        return false;
    }
    const std::vector<Taps> across = TapsFor(sw, width);
    const std::vector<Taps> down = TapsFor(sh, height);

    // Rows first: each source row of the rectangle, resized across (the part's columns), in floats.
    std::vector<float> rows(static_cast<size_t>(sh) * pw * 4);
    for (int y = 0; y < sh; ++y) {
        const BYTE* row = bits + static_cast<ptrdiff_t>(source.top + y) * stride + source.left * 4;
        float* to = &rows[static_cast<size_t>(y) * pw * 4];
        for (int x = part.left; x < part.right; ++x, to += 4) {
            const Taps& taps = across[static_cast<size_t>(x)];
            const BYTE* from = row + taps.first * 4;
            for (float w : taps.weights) {
                for (int c = 0; c < 4; ++c) to[c] += w * from[c];
                from += 4;
            }
        }
    }
    // Then down the columns. A weighted mean of premultiplied pixels stays premultiplied.
    for (int y = part.top; y < part.bottom; ++y) {
        const Taps& taps = down[static_cast<size_t>(y)];
        for (int x = 0; x < pw; ++x) {
            float sum[4] = {0, 0, 0, 0};
            const float* from = &rows[(static_cast<size_t>(taps.first) * pw + x) * 4];
            for (float w : taps.weights) {
                for (int c = 0; c < 4; ++c) sum[c] += w * from[c];
                from += static_cast<size_t>(pw) * 4;
            }
            const BYTE pixel[4] = {Channel(sum[0]), Channel(sum[1]), Channel(sum[2]), Channel(sum[3])};
            std::memcpy(&out[static_cast<size_t>(y - part.top) * pw + x], pixel, 4);
        }
    }
    return true;
}

}  // namespace Ulmar
