// Image attribute strings and image decoding.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/ui/canvas.h"
#include "ui/base/image.h"
#include "ui/base/paint_manager.h"

using Ulmar::CImageDrawInfo;

namespace {

bool SameRect(const RECT& rc, LONG l, LONG t, LONG r, LONG b) {
    return rc.left == l && rc.top == t && rc.right == r && rc.bottom == b;
}

TEST(ImageDrawInfo, BareNameIsTheImageNameWithDefaults) {
    CImageDrawInfo info;
    info.Parse(L"skin\\btn normal.png", nullptr, nullptr);
    EXPECT_STREQ(info.sImageName, L"skin\\btn normal.png");
    EXPECT_EQ(info.uFade, 255);
    EXPECT_TRUE(SameRect(info.rcDest, 0, 0, 0, 0));
    EXPECT_FALSE(info.bGdiplus);
}

TEST(ImageDrawInfo, ReadsEveryItem) {
    CImageDrawInfo info;
    info.Parse(L"file='a.png' restype='PNG' dest='1,2,30,40' source='-5,6,7,8' corner='3,0,3,0' "
               L"mask='#FFFF00FF' fade='128' hole='true' xtiled='true' ytiled='false' hsl='true' "
               L"size='16,12' align='right vcenter' padding='1,2,3,4'",
               nullptr, nullptr);
    EXPECT_STREQ(info.sImageName, L"a.png");
    EXPECT_STREQ(info.sResType, L"PNG");
    EXPECT_TRUE(SameRect(info.rcDest, 1, 2, 30, 40));
    EXPECT_TRUE(SameRect(info.rcSource, -5, 6, 7, 8));
    EXPECT_TRUE(SameRect(info.rcCorner, 3, 0, 3, 0));
    EXPECT_EQ(info.dwMask, 0xFFFF00FFu);
    EXPECT_EQ(info.uFade, 128);
    EXPECT_TRUE(info.bHole);
    EXPECT_TRUE(info.bTiledX);
    EXPECT_FALSE(info.bTiledY);
    EXPECT_TRUE(info.bHSL);
    EXPECT_EQ(info.szImage.cx, 16);
    EXPECT_EQ(info.szImage.cy, 12);
    EXPECT_STREQ(info.sAlign, L"right vcenter");
    EXPECT_TRUE(SameRect(info.rcPadding, 1, 2, 3, 4));
    EXPECT_FALSE(info.bGdiplus);

    info.Parse(L"res='101' mask='FF00FF' rotate='45' fade='999'", nullptr, nullptr);
    EXPECT_STREQ(info.sImageName, L"101");
    EXPECT_EQ(info.dwMask, 0xFF00FFu) << "the '#' is optional";
    EXPECT_EQ(info.nRotate, 45);
    EXPECT_TRUE(info.bGdiplus) << "rotation needs the GDI+ path";
    EXPECT_EQ(info.uFade, 255) << "fade is kept within 0..255";
}

TEST(ImageDrawInfo, ModifyStringOverridesAndAdds) {
    CImageDrawInfo info;
    info.Parse(L"file='bar.png' dest='0,0,10,10' corner='3,0,3,0'", L"dest='0,0,268,4'", nullptr);
    EXPECT_STREQ(info.sImageName, L"bar.png");
    EXPECT_TRUE(SameRect(info.rcDest, 0, 0, 268, 4));
    EXPECT_TRUE(SameRect(info.rcCorner, 3, 0, 3, 0));
    EXPECT_STREQ(info.sDrawModify, L"dest='0,0,268,4'");

    info.Parse(L"bar.png", L"source='0,0,2,2'", nullptr);
    EXPECT_STREQ(info.sImageName, L"bar.png") << "a bare name survives a modify string";
    EXPECT_TRUE(SameRect(info.rcSource, 0, 0, 2, 2));
}

TEST(ImageDrawInfo, FaultsEndParsingKeepingEarlierItems) {
    CImageDrawInfo info;
    info.Parse(L"file='a.png' dest='1,2,3,4' corner='5,5,5,5", nullptr, nullptr);
    EXPECT_STREQ(info.sImageName, L"a.png");
    EXPECT_TRUE(SameRect(info.rcDest, 1, 2, 3, 4));
    EXPECT_TRUE(SameRect(info.rcCorner, 0, 0, 0, 0)) << "the unterminated value is dropped";

    info.Parse(L"file='a.png' fade 100 dest='1,2,3,4'", nullptr, nullptr);
    EXPECT_EQ(info.uFade, 255);
    EXPECT_TRUE(SameRect(info.rcDest, 0, 0, 0, 0)) << "nothing after a name without '='";

    info.Parse(L"file='a.png',dest='1,2,3,4'", nullptr, nullptr);
    EXPECT_TRUE(SameRect(info.rcDest, 0, 0, 0, 0)) << "items are separated by a space";
}

TEST(ImageDrawInfo, EmptyValuesAndOtherCaseNamesAreIgnored) {
    CImageDrawInfo info;
    info.Parse(L"file='a.png' file='' dest='' File='b.png' FADE='10' fade='20'", nullptr, nullptr);
    EXPECT_STREQ(info.sImageName, L"a.png");
    EXPECT_TRUE(SameRect(info.rcDest, 0, 0, 0, 0));
    EXPECT_EQ(info.uFade, 20);
}

TEST(ImageDrawInfo, ScaledWindowsAskForTheAtScaleName) {
    Ulmar::CPaintManagerUI manager;
    CImageDrawInfo info;
    info.Parse(L"file='img/bk.v2.png'", nullptr, &manager);
    EXPECT_STREQ(info.sImageName, L"img/bk.v2.png") << "at 100 percent the name stays";
    manager.GetDPIObj()->SetScale(144);
    info.Parse(L"file='img/bk.v2.png'", nullptr, &manager);
    EXPECT_STREQ(info.sImageName, L"img/bk@150.v2@150.png");
}

TEST(ImageDrawInfo, ParsesAreCounted) {
    const size_t before = Ulmar::GetDrawInfoParseCount();
    CImageDrawInfo info;
    info.Parse(L"a.png", nullptr, nullptr);
    info.Parse(L"b.png", nullptr, nullptr);
    EXPECT_EQ(Ulmar::GetDrawInfoParseCount(), before + 2);
}

// 4 x 2: opaque red, half-transparent green, transparent, opaque magenta;
// opaque white, half-transparent magenta, opaque magenta, opaque blue.
const std::vector<uint32_t> kPixels = {0xFFFF0000, 0x8000FF00, 0x00123456, 0xFFFF00FF,
                                       0xFFFFFFFF, 0x80FF00FF, 0xFFFF00FF, 0xFF0000FF};

TEST(ImageDecode, OpaquePixelsAreCopiedOthersPremultiplied) {
    const auto png = test::MakePng(4, 2, kPixels);
    const size_t before = Ulmar::GetImageDecodeCount();
    auto image = Ulmar::DecodeImageData(png.data(), png.size());
    ASSERT_TRUE(image);
    EXPECT_EQ(Ulmar::GetImageDecodeCount(), before + 1);
    EXPECT_EQ(image->width, 4);
    EXPECT_EQ(image->height, 2);
    EXPECT_TRUE(image->alpha);
    ASSERT_TRUE(image->GetBitmap());
    const auto* px = reinterpret_cast<const DWORD*>(image->GetBits());
    EXPECT_EQ(px[0], 0xFFFF0000u);
    EXPECT_EQ(px[1], 0x80008000u) << "colour scaled by alpha 128";
    EXPECT_EQ(px[2], 0x00000000u);
    EXPECT_EQ(px[3], 0xFFFF00FFu);
    EXPECT_EQ(px[5], 0x80800080u);
    EXPECT_EQ(px[7], 0xFF0000FFu);

    BITMAP bm = {};
    ASSERT_EQ(::GetObjectW(image->GetBitmap(), sizeof(bm), &bm), static_cast<int>(sizeof(bm)));
    EXPECT_EQ(bm.bmBitsPixel, 32);
    EXPECT_EQ(bm.bmWidth, 4);

    const std::vector<uint32_t> opaque(6, 0xFF102030);
    const auto opaquePng = test::MakePng(3, 2, opaque);
    auto solid = Ulmar::DecodeImageData(opaquePng.data(), opaquePng.size());
    ASSERT_TRUE(solid);
    EXPECT_FALSE(solid->alpha);
}

TEST(ImageDecode, MagentaMaskClearsExactlyTheOpaqueMagentaPixels) {
    const auto png = test::MakePng(4, 2, kPixels);
    auto image = Ulmar::DecodeImageData(png.data(), png.size(), 0xFFFF00FF);
    ASSERT_TRUE(image);
    const auto* px = reinterpret_cast<const DWORD*>(image->GetBits());
    EXPECT_EQ(px[3], 0u);
    EXPECT_EQ(px[6], 0u);
    EXPECT_EQ(px[5], 0x80800080u) << "half-transparent magenta is not the mask colour";
    EXPECT_EQ(px[0], 0xFFFF0000u);
    EXPECT_EQ(px[4], 0xFFFFFFFFu);

    const std::vector<uint32_t> withMagenta = {0xFF000000, 0xFFFF00FF};
    const auto opaquePng = test::MakePng(2, 1, withMagenta);
    auto masked = Ulmar::DecodeImageData(opaquePng.data(), opaquePng.size(), 0xFFFF00FF);
    ASSERT_TRUE(masked);
    EXPECT_TRUE(masked->alpha) << "a masked pixel makes the image need blending";
}

TEST(ImageDecode, BytesThatAreNoImageGiveNothing) {
    const unsigned char junk[] = "this is not a picture at all";
    EXPECT_FALSE(Ulmar::DecodeImageData(junk, sizeof(junk)));
    EXPECT_FALSE(Ulmar::DecodeImageData(nullptr, 0));
    const auto png = test::MakePng(4, 2, kPixels);
    EXPECT_FALSE(Ulmar::DecodeImageData(png.data(), png.size() / 3)) << "a truncated PNG";
}

TEST(ImageDecode, GdiplusImageComesFromTheSameBytes) {
    win::ScopedGdiplus gdiplus;
    ASSERT_TRUE(gdiplus.ok());
    const auto png = test::MakePng(4, 2, kPixels);
    auto image = Ulmar::DecodeImageData(png.data(), png.size());
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->GetGdiplusImage());
    EXPECT_TRUE(image->GetBitmap());

    auto only = Ulmar::DecodeImageData(png.data(), png.size(), 0, /*gdiplus=*/true);
    ASSERT_TRUE(only);
    EXPECT_FALSE(only->GetBitmap());
    EXPECT_EQ(only->width, 4);
    EXPECT_EQ(only->height, 2);
    EXPECT_TRUE(only->alpha);
}

}  // namespace
