// Drawing operations, checked pixel by pixel on memory DCs.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <set>
#include <string>

#include "tests/ui/canvas.h"
#include "ui/base/blend.h"
#include "ui/base/image.h"
#include "ui/base/paint_manager.h"
#include "ui/base/render.h"

using Ulmar::CRenderClip;
using Ulmar::CRenderer;
using test::Canvas;
using test::ChannelDistance;

namespace {

const RECT kNoCorner = {0, 0, 0, 0};

class Fallbacks {
public:
    explicit Fallbacks(bool force) { Ulmar::Blend::ForceFallbacks(force); }
    ~Fallbacks() { Ulmar::Blend::ForceFallbacks(false); }
};

// ---- fills --------------------------------------------------------------

TEST(DrawColor, AlphaZeroDrawsNothingOpaqueFillsHalfBlends) {
    Canvas canvas(20, 10, 0xFF204060);
    CRenderer::DrawColor(canvas.dc(), RECT{0, 0, 20, 10}, 0x00FF0000);
    EXPECT_EQ(canvas.Pixels(), std::vector<DWORD>(200, 0xFF204060));

    CRenderer::DrawColor(canvas.dc(), RECT{2, 3, 6, 8}, 0xFFFF8000);
    EXPECT_EQ(canvas.At(2, 3), 0xFFFF8000u);
    EXPECT_EQ(canvas.At(5, 7), 0xFFFF8000u);
    EXPECT_EQ(canvas.At(6, 7), 0xFF204060u);
    EXPECT_EQ(canvas.At(5, 8), 0xFF204060u);

    Canvas white(4, 4, 0xFFFFFFFF);
    CRenderer::DrawColor(white.dc(), RECT{0, 0, 4, 4}, 0x80000000);
    EXPECT_LE(ChannelDistance(white.At(1, 1), 0xFF7F7F7F), 2);

    Canvas clear(4, 4, 0);
    CRenderer::DrawColor(clear.dc(), RECT{0, 0, 4, 4}, 0x80FF0000);
    EXPECT_LE(ChannelDistance(clear.At(0, 0), 0x80800000), 1) << "premultiplied, alpha written";
}

TEST(DrawGradient, EndpointsAndDirection) {
    Canvas canvas(100, 40, 0);
    CRenderer::DrawGradient(canvas.dc(), RECT{0, 0, 100, 40}, 0xFFFF0000, 0xFF0000FF, false, 64);
    EXPECT_LE(ChannelDistance(canvas.At(0, 20) | 0xFF000000, 0xFFFF0000), 3);
    EXPECT_LE(ChannelDistance(canvas.At(99, 20) | 0xFF000000, 0xFF0000FF), 3);
    EXPECT_LE(ChannelDistance(canvas.At(50, 0) | 0xFF000000, 0xFF7F0080), 4);
    EXPECT_EQ(canvas.At(50, 0), canvas.At(50, 39)) << "horizontal: columns are uniform";

    canvas.Fill(0);
    CRenderer::DrawGradient(canvas.dc(), RECT{0, 0, 100, 40}, 0xFF000000, 0xFFFFFFFF, true, 64);
    EXPECT_LE(ChannelDistance(canvas.At(30, 0) | 0xFF000000, 0xFF000000), 3);
    EXPECT_LE(ChannelDistance(canvas.At(30, 39) | 0xFF000000, 0xFFFFFFFF), 8);
    EXPECT_EQ(canvas.At(0, 10), canvas.At(99, 10)) << "vertical: rows are uniform";

    canvas.Fill(0xFF112233);
    CRenderer::DrawGradient(canvas.dc(), RECT{0, 0, 100, 40}, 0x00FF0000, 0x000000FF, false, 64);
    EXPECT_EQ(canvas.Pixels(), std::vector<DWORD>(4000, 0xFF112233)) << "mean alpha 0: nothing";

    canvas.Fill(0xFFFFFFFF);
    CRenderer::DrawGradient(canvas.dc(), RECT{0, 0, 100, 40}, 0x80000000, 0x80000000, false, 64);
    EXPECT_LE(ChannelDistance(canvas.At(40, 20) | 0xFF000000, 0xFF7F7F7F), 3) << "blended at the mean alpha";
}

// ---- nine-slice ---------------------------------------------------------

// 120 x 40: three 40-pixel bands, red, green, blue.
win::UniqueBitmap Bands(bool translucent = false) {
    std::vector<uint32_t> px(120 * 40);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 120; ++x) {
            const uint32_t rgb = x < 40 ? 0xFF0000 : x < 80 ? 0x00FF00 : 0x0000FF;
            px[y * 120 + x] = (translucent ? 0x80000000u : 0xFF000000u) | rgb;
        }
    }
    return test::MakeBitmap(120, 40, px);
}

TEST(NineSlice, SourcePartIsStretchedOverTheDestination) {
    auto bitmap = Bands();
    for (bool alpha : {false, true}) {
        Canvas canvas(100, 50, 0xFF000000);
        CRenderer::DrawImage(canvas.dc(), bitmap.get(), RECT{0, 0, 100, 50}, RECT{0, 0, 100, 50},
                             RECT{40, 0, 80, 40}, kNoCorner, alpha);
        // Opaque slices go through StretchBlt, which leaves the alpha byte to GDI.
        for (POINT p : {POINT{0, 0}, POINT{99, 0}, POINT{0, 49}, POINT{99, 49}, POINT{50, 25}}) {
            EXPECT_EQ(canvas.At(p.x, p.y) & 0xFFFFFF, 0x00FF00u) << "alpha " << alpha << " at " << p.x << "," << p.y;
        }
    }
}

TEST(NineSlice, OneToOneCopyKeepsToThePaintRectangle) {
    auto bitmap = Bands();
    Canvas canvas(120, 40, 0xFF000000);
    CRenderer::DrawImage(canvas.dc(), bitmap.get(), RECT{0, 0, 120, 40}, RECT{30, 10, 90, 20},
                         RECT{0, 0, 120, 40}, kNoCorner, false);
    EXPECT_EQ(canvas.At(29, 15), 0xFF000000u);
    EXPECT_EQ(canvas.At(30, 15), 0xFFFF0000u);
    EXPECT_EQ(canvas.At(60, 10), 0xFF00FF00u);
    EXPECT_EQ(canvas.At(89, 19), 0xFF0000FFu);
    EXPECT_EQ(canvas.At(60, 20), 0xFF000000u);
    EXPECT_EQ(canvas.At(90, 15), 0xFF000000u);
}

// A blended picture drawn at another size (a scale with no picture variant) is
// resized smoothly, not by nearest pixels, and only from its own source rectangle.
TEST(NineSlice, BlendedSliceAtAnotherSizeIsResizedSmoothly) {
    // Black | white, both opaque, beside a red pixel that is not part of the source.
    auto pair = test::MakeBitmap(3, 1, {0xFF000000, 0xFFFFFFFF, 0xFFFF0000});
    Canvas wide(8, 1, 0xFF00FF00);
    CRenderer::DrawImage(wide.dc(), pair.get(), RECT{0, 0, 8, 1}, RECT{0, 0, 8, 1}, RECT{0, 0, 2, 1}, kNoCorner,
                         true);
    std::vector<DWORD> greys;
    for (int x = 0; x < 8; ++x) {
        const DWORD p = wide.At(x, 0);
        EXPECT_EQ(p & 0xFF, (p >> 8) & 0xFF) << "grey, no red or green mixed in, at " << x;
        EXPECT_EQ(p & 0xFF, (p >> 16) & 0xFF) << x;
        greys.push_back(p & 0xFF);
    }
    EXPECT_EQ(0u, greys.front());
    EXPECT_EQ(255u, greys.back());
    for (int x = 1; x < 8; ++x) EXPECT_GE(greys[x], greys[x - 1]) << x;
    EXPECT_GE(std::set<DWORD>(greys.begin(), greys.end()).size(), 5u) << "a ramp, not two halves";

    // Shrunk, a checkerboard averages to grey.
    auto checker = test::MakeBitmap(4, 4, {0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF,
                                           0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFF000000,
                                           0xFF000000, 0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF,
                                           0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF, 0xFF000000});
    Canvas small(2, 2, 0xFF00FF00);
    CRenderer::DrawImage(small.dc(), checker.get(), RECT{0, 0, 2, 2}, RECT{0, 0, 2, 2}, RECT{0, 0, 4, 4},
                         kNoCorner, true);
    for (POINT p : {POINT{0, 0}, POINT{1, 0}, POINT{0, 1}, POINT{1, 1}}) {
        EXPECT_LE(ChannelDistance(small.At(p.x, p.y), 0xFF7F7F7F), 4) << p.x << "," << p.y;
    }

    // Drawn within a paint rectangle, the shown part is the same as in the whole drawing.
    Canvas part(8, 1, 0xFF00FF00);
    CRenderer::DrawImage(part.dc(), pair.get(), RECT{0, 0, 8, 1}, RECT{2, 0, 6, 1}, RECT{0, 0, 2, 1}, kNoCorner,
                         true);
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(x >= 2 && x < 6 ? wide.At(x, 0) : 0xFF00FF00u, part.At(x, 0)) << x;
    }
}

// Resized the right way up whichever way the picture's rows lie in memory (under
// Wine, GetObject reports a top-down DIB section as bottom-up).
TEST(NineSlice, PicturesAreResizedTheRightWayUpWhicheverWayTheirRowsLie) {
    auto topDown = test::MakeBitmap(1, 2, {0xFF000000, 0xFFFFFFFF});  // top black, bottom white
    Canvas resized(1, 8, 0xFF00FF00);
    CRenderer::DrawImage(resized.dc(), topDown.get(), RECT{0, 0, 1, 8}, RECT{0, 0, 1, 8}, RECT{0, 0, 1, 2},
                         kNoCorner, true);
    EXPECT_EQ(0xFF000000u, resized.At(0, 0));
    EXPECT_EQ(0xFFFFFFFFu, resized.At(0, 7));
    EXPECT_LT(resized.At(0, 3) & 0xFF, resized.At(0, 4) & 0xFF);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 1;
    info.bmiHeader.biHeight = 2;  // bottom-up: the first row in memory is the bottom one
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    win::UniqueBitmap bitmap(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(bitmap);
    static_cast<DWORD*>(bits)[0] = 0xFFFFFFFF;  // bottom: white
    static_cast<DWORD*>(bits)[1] = 0xFF000000;  // top: black
    Canvas canvas(1, 8, 0xFF00FF00);
    CRenderer::DrawImage(canvas.dc(), bitmap.get(), RECT{0, 0, 1, 8}, RECT{0, 0, 1, 8}, RECT{0, 0, 1, 2}, kNoCorner,
                         true);
    EXPECT_EQ(0xFF000000u, canvas.At(0, 0));
    EXPECT_EQ(0xFFFFFFFFu, canvas.At(0, 7));
    EXPECT_LT(canvas.At(0, 3) & 0xFF, canvas.At(0, 4) & 0xFF);
}

// 6 x 4 bar: columns red, green, white | white, blue, black.
std::vector<uint32_t> BarPixels(uint32_t alpha) {
    const uint32_t cols[6] = {0xFF0000, 0x00FF00, 0xFFFFFF, 0xFFFFFF, 0x0000FF, 0x000000};
    std::vector<uint32_t> px;
    for (int y = 0; y < 4; ++y) {
        for (uint32_t c : cols) px.push_back(alpha << 24 | c);
    }
    return px;
}

TEST(NineSlice, CornersKeepABarsEndsUnscaled) {
    auto bitmap = test::MakeBitmap(6, 4, BarPixels(0xFF));
    for (bool alpha : {false, true}) {
        Canvas canvas(536, 4, 0xFF808080);
        CRenderer::DrawImage(canvas.dc(), bitmap.get(), RECT{0, 0, 536, 4}, RECT{0, 0, 536, 4},
                             RECT{0, 0, 6, 4}, RECT{3, 0, 3, 0}, alpha);
        auto rgb = [&canvas](int x, int y) { return canvas.At(x, y) & 0xFFFFFF; };
        for (int y : {0, 3}) {
            EXPECT_EQ(rgb(0, y), 0xFF0000u);
            EXPECT_EQ(rgb(1, y), 0x00FF00u);
            EXPECT_EQ(rgb(2, y), 0xFFFFFFu);
            EXPECT_EQ(rgb(533, y), 0xFFFFFFu);
            EXPECT_EQ(rgb(534, y), 0x0000FFu);
            EXPECT_EQ(rgb(535, y), 0x000000u);
        }
        // The empty middle of the source borrows the seam column, not left blank.
        EXPECT_EQ(rgb(3, 2), 0xFFFFFFu) << "alpha " << alpha;
        EXPECT_EQ(rgb(268, 2), 0xFFFFFFu) << "alpha " << alpha;
        EXPECT_EQ(rgb(532, 2), 0xFFFFFFu) << "alpha " << alpha;
    }
}

// 9 x 9: a one-pixel frame of blue around a red middle, with green corners.
win::UniqueBitmap Framed() {
    std::vector<uint32_t> px(81);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            const bool edgeX = x == 0 || x == 8, edgeY = y == 0 || y == 8;
            px[y * 9 + x] = edgeX && edgeY ? 0xFF00FF00 : edgeX || edgeY ? 0xFF0000FF : 0xFFFF0000;
        }
    }
    return test::MakeBitmap(9, 9, px);
}

TEST(NineSlice, HoleLeavesTheMiddleAndEdgesStretchAlongTheirLength) {
    auto bitmap = Framed();
    Canvas canvas(40, 30, 0xFF000000);
    CRenderer::DrawImage(canvas.dc(), bitmap.get(), RECT{0, 0, 40, 30}, RECT{0, 0, 40, 30},
                         RECT{0, 0, 9, 9}, RECT{1, 1, 1, 1}, true, 255, /*hole=*/true);
    EXPECT_EQ(canvas.At(0, 0), 0xFF00FF00u);
    EXPECT_EQ(canvas.At(39, 29), 0xFF00FF00u);
    EXPECT_EQ(canvas.At(20, 0), 0xFF0000FFu);
    EXPECT_EQ(canvas.At(0, 15), 0xFF0000FFu);
    EXPECT_EQ(canvas.At(39, 15), 0xFF0000FFu);
    EXPECT_EQ(canvas.At(20, 29), 0xFF0000FFu);
    EXPECT_EQ(canvas.At(1, 1), 0xFF000000u) << "the hole";
    EXPECT_EQ(canvas.At(20, 15), 0xFF000000u) << "the hole";

    CRenderer::DrawImage(canvas.dc(), bitmap.get(), RECT{0, 0, 40, 30}, RECT{0, 0, 40, 30},
                         RECT{0, 0, 9, 9}, RECT{1, 1, 1, 1}, false);
    EXPECT_EQ(canvas.At(20, 15) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(canvas.At(1, 1) & 0xFFFFFF, 0xFF0000u);
}

TEST(NineSlice, TiledMiddleRepeatsAndNarrowsTheLastTile) {
    // 4 x 1 source middle: red, green, blue, white; tiled over 10 pixels.
    const std::vector<uint32_t> px = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
    auto bitmap = test::MakeBitmap(4, 1, px);
    Canvas canvas(10, 3, 0xFF000000);
    CRenderer::DrawImage(canvas.dc(), bitmap.get(), RECT{0, 0, 10, 3}, RECT{0, 0, 10, 3},
                         RECT{0, 0, 4, 1}, kNoCorner, true, 255, false, /*xtiled=*/true);
    const DWORD expect[10] = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFFFF0000,
                              0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00};
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(canvas.At(x, 0), expect[x]) << x;
        EXPECT_EQ(canvas.At(x, 2), expect[x]) << x << ": stretched vertically";
    }

    Canvas both(10, 3, 0xFF000000);
    CRenderer::DrawImage(both.dc(), bitmap.get(), RECT{0, 0, 10, 3}, RECT{0, 0, 10, 3},
                         RECT{0, 0, 4, 1}, kNoCorner, true, 255, false, true, true);
    EXPECT_EQ(both.At(9, 2), 0xFF00FF00u) << "tiles copied unscaled in rows";
    EXPECT_EQ(both.At(5, 1), 0xFF00FF00u);
}

TEST(NineSlice, FadeAndTranslucentPixelsBlend) {
    auto bitmap = Bands(/*translucent=*/true);
    Canvas canvas(40, 40, 0xFFFFFFFF);
    CRenderer::DrawImage(canvas.dc(), bitmap.get(), RECT{0, 0, 40, 40}, RECT{0, 0, 40, 40},
                         RECT{0, 0, 40, 40}, kNoCorner, true);
    EXPECT_LE(ChannelDistance(canvas.At(10, 10), 0xFFFF7F7F), 2);

    auto opaque = Bands();
    canvas.Fill(0xFF000000);
    CRenderer::DrawImage(canvas.dc(), opaque.get(), RECT{0, 0, 40, 40}, RECT{0, 0, 40, 40},
                         RECT{0, 0, 40, 40}, kNoCorner, false, 128);
    EXPECT_LE(ChannelDistance(canvas.At(10, 10), 0xFF800000), 2) << "fade 128 over black";
}

// ---- blend functions ----------------------------------------------------

TEST(Blend, SystemFunctionsComeFromMsimg32) {
    EXPECT_TRUE(Ulmar::Blend::HasSystemAlphaBlend());
    EXPECT_TRUE(Ulmar::Blend::HasSystemGradientFill());
}

std::vector<uint32_t> RandomPremultiplied(int count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint32_t> px(count);
    for (auto& p : px) {
        const uint32_t a = random() & 0xFF;
        p = a << 24 | (random() % (a + 1)) << 16 | (random() % (a + 1)) << 8 | (random() % (a + 1));
    }
    return px;
}

TEST(Blend, FallbackAlphaBlendMatchesTheSystems) {
    const int w = 32, h = 16;
    const auto source = RandomPremultiplied(w * h, 7);
    const auto dest = RandomPremultiplied(w * h, 11);
    Canvas src(w, h);
    std::copy(source.begin(), source.end(), src.bits());

    for (BYTE constant : {BYTE(255), BYTE(200)}) {
        for (BYTE format : {BYTE(AC_SRC_ALPHA), BYTE(0)}) {
            Canvas system(w, h), fallback(w, h);
            std::copy(dest.begin(), dest.end(), system.bits());
            std::copy(dest.begin(), dest.end(), fallback.bits());
            const BLENDFUNCTION blend = {AC_SRC_OVER, 0, constant, format};
            ASSERT_TRUE(Ulmar::Blend::AlphaBlend(system.dc(), 0, 0, w, h, src.dc(), 0, 0, w, h, blend));
            {
                Fallbacks force(true);
                ASSERT_TRUE(Ulmar::Blend::AlphaBlend(fallback.dc(), 0, 0, w, h, src.dc(), 0, 0, w, h, blend));
            }
            int worst = 0, at = 0;
            for (int i = 0; i < w * h; ++i) {
                const int d = ChannelDistance(system.bits()[i], fallback.bits()[i]);
                if (d > worst) worst = d, at = i;
            }
            EXPECT_LE(worst, 2) << "constant " << int(constant) << " format " << int(format) << std::hex
                                << " src " << source[at] << " dst " << dest[at] << " system "
                                << system.bits()[at] << " fallback " << fallback.bits()[at];
        }
    }

    // Stretched: a uniform source gives the same uniform result, only inside the target.
    Canvas uniform(4, 4, 0x80402010);
    Canvas system(20, 20, 0xFF336699), fallback(20, 20, 0xFF336699);
    const BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    Ulmar::Blend::AlphaBlend(system.dc(), 2, 3, 15, 15, uniform.dc(), 0, 0, 4, 4, blend);
    {
        Fallbacks force(true);
        Ulmar::Blend::AlphaBlend(fallback.dc(), 2, 3, 15, 15, uniform.dc(), 0, 0, 4, 4, blend);
    }
    for (int i = 0; i < 400; ++i) {
        EXPECT_LE(ChannelDistance(system.bits()[i], fallback.bits()[i]), 2) << i;
    }
    EXPECT_EQ(fallback.At(1, 3), 0xFF336699u);
    EXPECT_EQ(fallback.At(17, 17), 0xFF336699u);
}

TEST(Blend, FallbackGradientFillMatchesTheSystems) {
    for (ULONG mode : {ULONG(GRADIENT_FILL_RECT_H), ULONG(GRADIENT_FILL_RECT_V)}) {
        Canvas system(50, 30), fallback(50, 30);
        TRIVERTEX v[2] = {{5, 2, 0xFF00, 0x8000, 0x1000, 0xFF00}, {45, 28, 0x0000, 0x2000, 0xF000, 0xFF00}};
        GRADIENT_RECT mesh = {0, 1};
        ASSERT_TRUE(Ulmar::Blend::GradientFill(system.dc(), v, 2, &mesh, 1, mode));
        {
            Fallbacks force(true);
            ASSERT_TRUE(Ulmar::Blend::GradientFill(fallback.dc(), v, 2, &mesh, 1, mode));
        }
        int worst = 0;
        for (int i = 0; i < 50 * 30; ++i) {
            // Compare colour only; whether the system writes alpha is its own affair.
            worst = std::max(worst, ChannelDistance(system.bits()[i] & 0xFFFFFF, fallback.bits()[i] & 0xFFFFFF));
        }
        EXPECT_LE(worst, 3) << "mode " << mode;
        EXPECT_EQ(fallback.At(4, 10) & 0xFFFFFF, 0u) << "outside the rectangle";
    }
}

TEST(Blend, ImagesDrawTheSameThroughTheFallback) {
    auto bitmap = Framed();
    Canvas system(40, 30, 0xFF000000), fallback(40, 30, 0xFF000000);
    CRenderer::DrawImage(system.dc(), bitmap.get(), RECT{0, 0, 40, 30}, RECT{0, 0, 40, 30},
                         RECT{0, 0, 9, 9}, RECT{1, 1, 1, 1}, true, 200);
    {
        Fallbacks force(true);
        CRenderer::DrawImage(fallback.dc(), bitmap.get(), RECT{0, 0, 40, 30}, RECT{0, 0, 40, 30},
                             RECT{0, 0, 9, 9}, RECT{1, 1, 1, 1}, true, 200);
    }
    for (int i = 0; i < 40 * 30; ++i) {
        ASSERT_LE(ChannelDistance(system.bits()[i], fallback.bits()[i]), 2) << i;
    }
}

// ---- lines and outlines -------------------------------------------------

TEST(Lines, DrawLineUsesTheRgbAndRestoresThePen) {
    Canvas canvas(20, 20, 0);
    HGDIOBJ pen = ::GetCurrentObject(canvas.dc(), OBJ_PEN);
    CRenderer::DrawLine(canvas.dc(), RECT{2, 5, 18, 5}, 1, 0x00FF8000);
    EXPECT_EQ(canvas.At(2, 5) & 0xFFFFFF, 0xFF8000u) << "alpha is ignored";
    EXPECT_EQ(canvas.At(17, 5) & 0xFFFFFF, 0xFF8000u);
    EXPECT_EQ(canvas.At(10, 6), 0u);
    EXPECT_EQ(::GetCurrentObject(canvas.dc(), OBJ_PEN), pen);
}

class GdiplusTest : public ::testing::Test {
protected:
    win::ScopedGdiplus gdiplus_;
};

TEST_F(GdiplusTest, DrawRectOutlinesInsideTheRectangle) {
    ASSERT_TRUE(gdiplus_.ok());
    Canvas canvas(20, 20, 0xFF000000);
    CRenderer::DrawRect(canvas.dc(), RECT{2, 2, 12, 10}, 1, 0xFFFFFFFF);
    EXPECT_EQ(canvas.At(2, 2) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(canvas.At(11, 2) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(canvas.At(2, 9) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(canvas.At(11, 9) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(canvas.At(6, 6) & 0xFFFFFF, 0u);
    EXPECT_EQ(canvas.At(12, 6) & 0xFFFFFF, 0u);
    EXPECT_EQ(canvas.At(6, 10) & 0xFFFFFF, 0u);
}

TEST_F(GdiplusTest, DrawRoundRectLeavesTheCornersOpen) {
    ASSERT_TRUE(gdiplus_.ok());
    Canvas canvas(40, 40, 0xFF000000);
    CRenderer::DrawRoundRect(canvas.dc(), RECT{0, 0, 40, 40}, 1, 16, 16, 0xFFFFFFFF);
    EXPECT_EQ(canvas.At(0, 0) & 0xFFFFFF, 0u) << "corner cut";
    EXPECT_GT(canvas.At(20, 0) & 0xFF, 0x80u) << "top edge";
    EXPECT_GT(canvas.At(0, 20) & 0xFF, 0x80u) << "left edge";
    EXPECT_EQ(canvas.At(20, 20) & 0xFFFFFF, 0u);
}

// ---- clips --------------------------------------------------------------

TEST(Clip, ClipRecordsNestAndRestoreTheExactRegion) {
    Canvas canvas(40, 40, 0);
    const HDC dc = canvas.dc();
    {
        CRenderClip outer;
        CRenderer::GenerateClip(dc, RECT{5, 5, 35, 35}, outer);
        {
            CRenderClip round;
            CRenderer::GenerateRoundClip(dc, RECT{0, 0, 40, 40}, RECT{10, 10, 30, 30}, 10, 10, round);
            CRenderer::DrawColor(dc, RECT{0, 0, 40, 40}, 0xFFFF0000);
            EXPECT_EQ(canvas.At(20, 20), 0xFFFF0000u);
            EXPECT_EQ(canvas.At(10, 10), 0u) << "outside the rounded corner";
            EXPECT_EQ(canvas.At(8, 20), 0u);

            CRenderer::UseOldClipBegin(dc, round);
            CRenderer::DrawColor(dc, RECT{0, 0, 40, 40}, 0xFF00FF00);
            CRenderer::UseOldClipEnd(dc, round);
            EXPECT_EQ(canvas.At(8, 20), 0xFF00FF00u) << "the outer clip meanwhile";
            EXPECT_EQ(canvas.At(2, 20), 0u);
            CRenderer::DrawColor(dc, RECT{0, 0, 40, 40}, 0xFF0000FF);
            EXPECT_EQ(canvas.At(8, 20), 0xFF00FF00u) << "the round clip again";
            EXPECT_EQ(canvas.At(20, 20), 0xFF0000FFu);
        }
        canvas.Fill(0);
        CRenderer::DrawColor(dc, RECT{0, 0, 40, 40}, 0xFFFFFFFF);
        EXPECT_EQ(canvas.At(10, 10), 0xFFFFFFFFu) << "the outer clip is back";
        EXPECT_EQ(canvas.At(4, 4), 0u);
    }
    HRGN probe = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(::GetClipRgn(dc, probe), 0) << "no clip, as before";
    ::DeleteObject(probe);
}

TEST(GdiOwners, ScopedHelpersRestoreSelectionClipAndLastError) {
    Canvas canvas(20, 20, 0);
    const HDC dc = canvas.dc();
    const HGDIOBJ brush = ::GetCurrentObject(dc, OBJ_BRUSH);
    {
        win::UniqueBrush red(::CreateSolidBrush(RGB(255, 0, 0)));
        win::ScopedSelectObject select(dc, red.get());
        EXPECT_TRUE(select.ok());
        EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), red.get());
        ::SetLastError(1234);
    }
    EXPECT_EQ(::GetLastError(), 1234u);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BRUSH), brush);

    // A clip of two separate squares survives a scope that replaces it.
    win::UniqueRegion first(::CreateRectRgn(0, 0, 5, 5));
    win::UniqueRegion second(::CreateRectRgn(10, 10, 15, 15));
    ::CombineRgn(first.get(), first.get(), second.get(), RGN_OR);
    ::SelectClipRgn(dc, first.get());
    {
        win::ScopedClip keep(dc);
        ::SelectClipRgn(dc, nullptr);
        ::IntersectClipRect(dc, 6, 6, 8, 8);
    }
    CRenderer::DrawColor(dc, RECT{0, 0, 20, 20}, 0xFFFFFFFF);
    EXPECT_EQ(canvas.At(2, 2), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.At(12, 12), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.At(7, 7), 0u);
    ::SelectClipRgn(dc, nullptr);
}

// ---- colour adjustment --------------------------------------------------

TEST(AdjustColor, ShiftsHueScalesSaturationAndLightness) {
    EXPECT_EQ(CRenderer::AdjustColor(0x80123456, 180, 100, 100), 0x80123456u);
    EXPECT_EQ(CRenderer::AdjustColor(0xFFFF0000, 300, 100, 100), 0xFF00FF00u) << "red + 120 degrees";
    EXPECT_EQ(CRenderer::AdjustColor(0xFFFF0000, 60, 100, 100), 0xFF0000FFu) << "red - 120 degrees";
    EXPECT_EQ(CRenderer::AdjustColor(0x40FF0000, 180, 0, 100), 0x40808080u) << "no saturation: grey";
    EXPECT_EQ(CRenderer::AdjustColor(0xFF336699, 180, 100, 0), 0xFF000000u) << "no lightness: black";
}

// ---- through a paint manager -------------------------------------------

// Image files in a folder of their own, read as the skin's resource folder.
class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"render_test_" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        Ulmar::CPaintManagerUI::SetResourceType(1);
        Ulmar::CPaintManagerUI::SetResourcePath(folder_.c_str());
    }
    void TearDown() override {
        for (const auto& name : written_) ::DeleteFileW((folder_ + name).c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }
    void Write(const std::wstring& name, int w, int h, const std::vector<uint32_t>& argb) {
        const auto png = test::MakePng(w, h, argb);
        std::ofstream((folder_ + name).c_str(), std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
        written_.push_back(name);
    }
    void WriteBands(const std::wstring& name) {
        std::vector<uint32_t> px(120 * 40);
        for (int i = 0; i < 120 * 40; ++i) {
            const int x = i % 120;
            px[i] = x < 40 ? 0xFFFF0000 : x < 80 ? 0xFF00FF00 : 0xFF0000FF;
        }
        Write(name, 120, 40, px);
    }

    std::wstring folder_;
    std::vector<std::wstring> written_;
    Ulmar::CPaintManagerUI manager_;
};

TEST_F(ManagerTest, SourceAndDestPlaceThePart) {
    WriteBands(L"bands.png");
    Canvas canvas(60, 40, 0xFF000000);
    const RECT item = {10, 5, 50, 35};
    ASSERT_TRUE(CRenderer::DrawImage(canvas.dc(), &manager_, item, RECT{0, 0, 60, 40},
                                     L"file='bands.png' source='40,0,80,40'"));
    EXPECT_EQ(canvas.At(10, 5) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(canvas.At(49, 34) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(canvas.At(9, 5), 0xFF000000u);
    EXPECT_EQ(canvas.At(50, 34), 0xFF000000u);

    canvas.Fill(0xFF000000);
    ASSERT_TRUE(CRenderer::DrawImage(canvas.dc(), &manager_, item, RECT{0, 0, 60, 40},
                                     L"file='bands.png' source='40,0,80,40'", L"dest='0,1,15,16'"));
    EXPECT_EQ(canvas.At(10, 5), 0xFF000000u) << "one pixel down";
    EXPECT_EQ(canvas.At(10, 6) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(canvas.At(24, 20) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(canvas.At(25, 20), 0xFF000000u) << "15 wide";
    EXPECT_EQ(canvas.At(24, 21), 0xFF000000u) << "15 tall";
}

TEST_F(ManagerTest, AlignedBoxInsideTheDestination) {
    WriteBands(L"bands.png");
    Canvas canvas(100, 50, 0xFF000000);
    ASSERT_TRUE(CRenderer::DrawImage(canvas.dc(), &manager_, RECT{0, 0, 100, 50}, RECT{0, 0, 100, 50},
                                     L"file='bands.png' source='0,0,40,40' size='10,10' "
                                     L"align='right vcenter' padding='0,0,5,0'"));
    EXPECT_EQ(canvas.At(85, 20) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(canvas.At(94, 29) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(canvas.At(95, 25), 0xFF000000u) << "padding right 5 moves the box left";
    EXPECT_EQ(canvas.At(84, 25), 0xFF000000u);
    EXPECT_EQ(canvas.At(90, 19), 0xFF000000u);
}

TEST_F(ManagerTest, ScaledNameFallsBackToThePlainName) {
    WriteBands(L"bands.png");
    manager_.GetDPIObj()->SetScale(144);
    Canvas canvas(40, 40, 0xFF000000);
    EXPECT_TRUE(CRenderer::DrawImage(canvas.dc(), &manager_, RECT{0, 0, 40, 40}, RECT{0, 0, 40, 40},
                                     L"bands.png"));
    EXPECT_EQ(canvas.At(3, 20) & 0xFFFFFF, 0xFF0000u) << "the whole 120 x 40 image squeezed";
    EXPECT_EQ(canvas.At(20, 20) & 0xFFFFFF, 0x00FF00u);
    EXPECT_FALSE(CRenderer::DrawImage(canvas.dc(), &manager_, RECT{0, 0, 40, 40}, RECT{0, 0, 40, 40},
                                      L"missing.png"));
    EXPECT_FALSE(CRenderer::DrawImage(canvas.dc(), &manager_, RECT{0, 0, 40, 40}, RECT{0, 0, 40, 40}, L""));
    EXPECT_FALSE(CRenderer::DrawImage(canvas.dc(), nullptr, RECT{0, 0, 40, 40}, RECT{0, 0, 40, 40},
                                      L"bands.png"));
}

TEST_F(ManagerTest, ScaledNameWithTwoDotsFallsBackToItself) {
    WriteBands(L"bk.v2.png");
    Write(L"bk.png", 1, 1, {0xFFFFFFFF});
    manager_.GetDPIObj()->SetScale(144);
    Canvas canvas(40, 40, 0xFF000000);
    EXPECT_TRUE(CRenderer::DrawImage(canvas.dc(), &manager_, RECT{0, 0, 40, 40}, RECT{0, 0, 40, 40},
                                     L"file='bk.v2.png'"));
    EXPECT_EQ(canvas.At(3, 20) & 0xFFFFFF, 0xFF0000u) << "bk.v2.png, not bk.png";
}

TEST_F(ManagerTest, SecondPaintDecodesAndParsesNothing) {
    WriteBands(L"bands.png");
    Canvas canvas(40, 40, 0xFF000000);
    const RECT rc = {0, 0, 40, 40};
    ASSERT_TRUE(CRenderer::DrawImage(canvas.dc(), &manager_, rc, rc, L"file='bands.png' fade='200'"));
    const size_t decodes = Ulmar::GetImageDecodeCount();
    const size_t parses = Ulmar::GetDrawInfoParseCount();
    const auto first = canvas.Pixels();
    canvas.Fill(0xFF000000);
    ASSERT_TRUE(CRenderer::DrawImage(canvas.dc(), &manager_, rc, rc, L"file='bands.png' fade='200'"));
    EXPECT_EQ(Ulmar::GetImageDecodeCount(), decodes);
    EXPECT_EQ(Ulmar::GetDrawInfoParseCount(), parses);
    EXPECT_EQ(canvas.Pixels(), first);
}

TEST_F(ManagerTest, NothingOutsideThePaintRectangle) {
    WriteBands(L"bands.png");
    Canvas canvas(40, 40, 0xFF000000);
    EXPECT_TRUE(CRenderer::DrawImage(canvas.dc(), &manager_, RECT{0, 0, 40, 40}, RECT{50, 50, 60, 60},
                                     L"bands.png"));
    EXPECT_EQ(canvas.Pixels(), std::vector<DWORD>(1600, 0xFF000000));
}

TEST_F(ManagerTest, PaintingTwiceGivesTheSamePixelsAndLeavesTheDcAsFound) {
    WriteBands(L"bands.png");
    Canvas canvas(120, 60, 0xFF000000);
    const HDC dc = canvas.dc();
    ::SetTextColor(dc, RGB(1, 2, 3));
    ::SetBkMode(dc, OPAQUE);
    ::SetStretchBltMode(dc, COLORONCOLOR);
    const HGDIOBJ font = ::GetCurrentObject(dc, OBJ_FONT);
    const HGDIOBJ pen = ::GetCurrentObject(dc, OBJ_PEN);
    const HGDIOBJ bitmap = ::GetCurrentObject(dc, OBJ_BITMAP);

    auto paint = [&]() {
        canvas.Fill(0xFF000000);
        const RECT all = {0, 0, 120, 60};
        CRenderClip clip;
        CRenderer::GenerateClip(dc, RECT{0, 0, 110, 60}, clip);
        CRenderer::DrawGradient(dc, RECT{0, 0, 120, 20}, 0xFFFF0000, 0xFF0000FF, false, 64);
        CRenderer::DrawImage(dc, &manager_, RECT{0, 20, 60, 60}, all, L"file='bands.png' corner='5,5,5,5'");
        CRenderer::DrawLine(dc, RECT{0, 59, 119, 59}, 1, 0xFFFFFFFF);
        RECT text = {60, 20, 120, 60};
        CRenderer::DrawText(dc, &manager_, text, L"Ab", 0xFFFFFFFF, -1, DT_SINGLELINE);
        return canvas.Pixels();
    };
    const auto first = paint();
    const auto second = paint();
    EXPECT_EQ(first, second);
    EXPECT_EQ(::GetTextColor(dc), RGB(1, 2, 3));
    EXPECT_EQ(::GetBkMode(dc), OPAQUE);
    EXPECT_EQ(::GetStretchBltMode(dc), COLORONCOLOR);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), font);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_PEN), pen);
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_BITMAP), bitmap);
    HRGN probe = ::CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(::GetClipRgn(dc, probe), 0);
    ::DeleteObject(probe);
    EXPECT_EQ(first[115 + 10 * 120], 0xFF000000u) << "the clip held";
}

// ---- text ---------------------------------------------------------------

int CountInk(const Canvas& canvas, DWORD background) {
    int ink = 0;
    for (DWORD p : canvas.Pixels()) ink += (p & 0xFFFFFF) != (background & 0xFFFFFF);
    return ink;
}

TEST_F(ManagerTest, CharacterReferenceDrawsThatOneCharacter) {
    Canvas a(60, 30, 0), b(60, 30, 0);
    RECT rc = {0, 0, 60, 30};
    CRenderer::DrawText(a.dc(), &manager_, rc, L"x &#x41; y", 0xFFFFFFFF, -1, DT_SINGLELINE);
    rc = RECT{0, 0, 60, 30};
    CRenderer::DrawText(b.dc(), &manager_, rc, L"A", 0xFFFFFFFF, -1, DT_SINGLELINE);
    EXPECT_GT(CountInk(b, 0), 0);
    EXPECT_EQ(a.Pixels(), b.Pixels());

    RECT calc = {0, 0, 500, 100};
    CRenderer::DrawText(a.dc(), &manager_, calc, L"Hello", 0xFFFFFFFF, -1, DT_SINGLELINE | DT_CALCRECT);
    const SIZE size = CRenderer::GetTextSize(a.dc(), &manager_, L"Hello", -1, DT_SINGLELINE);
    EXPECT_GT(size.cx, 10);
    EXPECT_EQ(size.cx, calc.right - calc.left);
    EXPECT_EQ(size.cy, calc.bottom - calc.top);
}

TEST_F(ManagerTest, GdiplusTextDrawsWithAlpha) {
    manager_.SetUseGdiplusText(true);
    Canvas canvas(80, 30, 0);
    RECT rc = {0, 0, 80, 30};
    CRenderer::DrawText(canvas.dc(), &manager_, rc, L"WWW", 0xFFFFFFFF, -1, DT_SINGLELINE);
    EXPECT_GT(CountInk(canvas, 0), 10);
}

TEST_F(ManagerTest, HtmlTextLinksAndLines) {
    Canvas canvas(300, 100, 0xFF000000);
    RECT links[4];
    Ulmar::CUiString texts[4];
    int count = 4;
    RECT rc = {10, 10, 290, 90};
    CRenderer::DrawHtmlText(canvas.dc(), &manager_, rc, L"See <a http://x>here</a> and {a}there{/a}<n>next",
                            0xFFFFFFFF, links, texts, count, -1, 0);
    ASSERT_EQ(count, 2);
    EXPECT_STREQ(texts[0], L"http://x");
    EXPECT_STREQ(texts[1], L"there") << "a link without a target names itself";
    EXPECT_EQ(links[0].top, 10);
    EXPECT_GT(links[0].left, 10);
    EXPECT_GT(links[1].left, links[0].right);
    EXPECT_EQ(links[0].bottom, links[1].bottom);
    // The link is drawn in the manager's link colour (blue), the rest in white.
    bool blue = false;
    for (int x = links[0].left; x < links[0].right; ++x) {
        for (int y = links[0].top; y < links[0].bottom; ++y) {
            if ((canvas.At(x, y) & 0xFFFFFF) == 0x0000FF) blue = true;
        }
    }
    EXPECT_TRUE(blue);

    RECT calc = {0, 0, 280, 0};
    int none = 0;
    CRenderer::DrawHtmlText(canvas.dc(), &manager_, calc, L"one<n>two<p 10>three", 0xFFFFFFFF, nullptr,
                            nullptr, none, -1, DT_CALCRECT);
    RECT single = {0, 0, 280, 0};
    CRenderer::DrawHtmlText(canvas.dc(), &manager_, single, L"one", 0xFFFFFFFF, nullptr, nullptr, none, -1,
                            DT_CALCRECT);
    const int line = single.bottom - single.top;
    EXPECT_GT(line, 5);
    EXPECT_EQ(calc.bottom - calc.top, 3 * line + 10);
}

TEST_F(ManagerTest, HtmlTextWrapsAndStylesChangeTheInk) {
    Canvas canvas(300, 200, 0xFF000000);
    RECT narrow = {0, 0, 60, 0};
    int none = 0;
    CRenderer::DrawHtmlText(canvas.dc(), &manager_, narrow, L"word word word word word", 0xFFFFFFFF,
                            nullptr, nullptr, none, -1, DT_CALCRECT);
    RECT wide = {0, 0, 1000, 0};
    CRenderer::DrawHtmlText(canvas.dc(), &manager_, wide, L"word word word word word", 0xFFFFFFFF,
                            nullptr, nullptr, none, -1, DT_CALCRECT);
    EXPECT_LE(narrow.right - narrow.left, 60);
    EXPECT_GT(narrow.bottom - narrow.top, 2 * (wide.bottom - wide.top));

    RECT plain = {0, 0, 1000, 0}, bold = {0, 0, 1000, 0};
    CRenderer::DrawHtmlText(canvas.dc(), &manager_, plain, L"Bold text", 0, nullptr, nullptr, none, -1,
                            DT_CALCRECT | DT_SINGLELINE);
    CRenderer::DrawHtmlText(canvas.dc(), &manager_, bold, L"<b>Bold text</b>", 0, nullptr, nullptr, none, -1,
                            DT_CALCRECT | DT_SINGLELINE);
    EXPECT_GT(bold.right, plain.right) << "bold glyphs are wider";

    RECT raw = {0, 0, 1000, 0}, tagged = {0, 0, 1000, 0};
    CRenderer::DrawHtmlText(canvas.dc(), &manager_, raw, L"<r><b></r>", 0, nullptr, nullptr, none, -1,
                            DT_CALCRECT | DT_SINGLELINE);
    CRenderer::DrawHtmlText(canvas.dc(), &manager_, tagged, L"<b>", 0, nullptr, nullptr, none, -1,
                            DT_CALCRECT | DT_SINGLELINE);
    EXPECT_GT(raw.right, 0) << "raw text shows the tag";
    EXPECT_EQ(tagged.right, 0);

    Canvas red(100, 30, 0xFF000000);
    RECT rc = {0, 0, 100, 30};
    CRenderer::DrawHtmlText(red.dc(), &manager_, rc, L"<c #FFFF0000>MMM</c>", 0xFFFFFFFF, nullptr,
                            nullptr, none, -1, DT_SINGLELINE);
    int redInk = 0;
    for (DWORD p : red.Pixels()) redInk += (p & 0xFFFFFF) == 0xFF0000;
    EXPECT_GT(redInk, 5);
}

}  // namespace
