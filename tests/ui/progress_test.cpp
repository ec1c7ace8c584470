// The progress bar: value and range rules, the percentage text, and the fore
// colour and fore image drawing (with its modify string) checked by pixels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/canvas.h"
#include "tests/ui/ui_test_support.h"
#include "ui/base/paint_manager.h"
#include "ui/controls/progress.h"

using namespace Ulmar;
using uitest::TestContainer;
using uitest::TestWindow;

namespace {

constexpr DWORD kWhite = 0xFFFFFFFF;
constexpr DWORD kRed = 0xFFFF0000;
constexpr DWORD kGreen = 0xFF00FF00;
constexpr DWORD kBlue = 0xFF0000FF;

// A 20x10 bar image: 4 green columns, 12 red, 4 blue.
uitest::TempFile BarPng() {
    std::vector<uint32_t> argb(20 * 10);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) argb[y * 20 + x] = x < 4 ? kGreen : (x >= 16 ? kBlue : kRed);
    }
    return uitest::TempFile(L"progress_bar.png", test::MakePng(20, 10, argb));
}

struct Bar {
    TestWindow window{600, 60};
    TestContainer* root = new TestContainer();
    CProgressUI* progress = new CProgressUI();

    explicit Bar(const std::wstring& attributes) {
        root->SetBkColor(kWhite);
        progress->ApplyAttributeList(attributes.c_str());
        root->Add(progress);
        window.pm().AttachDialog(root);
        uitest::Flush(window.hwnd());
    }
    void Repaint() {
        ::InvalidateRect(window.hwnd(), nullptr, FALSE);
        uitest::Flush(window.hwnd());
    }
    DWORD Pixel(int x, int y) { return uitest::OffscreenPixel(window.pm(), x, y) | 0xFF000000; }
};

}  // namespace

TEST(Progress, ValueOutsideTheRangeOrUnchangedIsIgnored) {
    CProgressUI progress;
    EXPECT_EQ(12, progress.GetFixedHeight());
    progress.SetValue(40);
    EXPECT_EQ(40, progress.GetValue());
    progress.SetAttribute(L"value", L"150");
    EXPECT_EQ(40, progress.GetValue());
    progress.SetValue(-1);
    EXPECT_EQ(40, progress.GetValue());
}

TEST(Progress, ShowTextGivesThePercentageOfTheRange) {
    CProgressUI progress;
    progress.SetAttribute(L"showtext", L"true");
    progress.SetValue(33);
    EXPECT_EQ(L"33%", std::wstring(progress.GetText().GetData()));
    progress.SetMinValue(20);
    progress.SetMaxValue(60);
    progress.SetValue(50);
    EXPECT_EQ(L"75%", std::wstring(progress.GetText().GetData()));
    progress.SetShowText(false);
    EXPECT_TRUE(progress.GetText().IsEmpty());
    progress.SetAttribute(L"showtext", L"true");
    EXPECT_EQ(L"75%", std::wstring(progress.GetText().GetData())) << "after the value, too";
}

TEST(Progress, ForeImageFillsTruncatedShareWithItsCornersKept) {
    auto bar = BarPng();
    Bar scene(L"pos=\"0,0,536,20\" value=\"37\" foreimage=\"file='" + bar.path() + L"' corner='4,0,4,0'\"");
    EXPECT_EQ(L"dest='0,0,198,20'", std::wstring(scene.progress->GetForeImageModify().GetData()));
    EXPECT_EQ(kGreen, scene.Pixel(1, 10)) << "left end unstretched";
    EXPECT_EQ(kRed, scene.Pixel(100, 10));
    EXPECT_EQ(kBlue, scene.Pixel(196, 10)) << "right end kept at the end of the filled part";
    EXPECT_EQ(kWhite, scene.Pixel(199, 10));
    EXPECT_EQ(kWhite, scene.Pixel(400, 10));

    scene.progress->SetValue(50);
    scene.Repaint();
    EXPECT_EQ(L"dest='0,0,268,20'", std::wstring(scene.progress->GetForeImageModify().GetData()));
    EXPECT_EQ(kBlue, scene.Pixel(266, 10));
    EXPECT_EQ(kWhite, scene.Pixel(269, 10));

    scene.progress->SetValue(0);
    scene.Repaint();
    EXPECT_EQ(kWhite, scene.Pixel(1, 10)) << "nothing drawn at 0";
}

TEST(Progress, UnstretchedForeImageUsesTheSamePartOfTheSource) {
    auto bar = BarPng();
    Bar scene(L"pos=\"0,0,20,10\" value=\"50\" isstretchfore=\"false\" foreimage=\"file='" + bar.path() + L"'\"");
    EXPECT_EQ(L"dest='0,0,10,10' source='0,0,10,10'",
              std::wstring(scene.progress->GetForeImageModify().GetData()));
    EXPECT_EQ(kGreen, scene.Pixel(2, 5));
    EXPECT_EQ(kRed, scene.Pixel(8, 5)) << "unscaled: column 8 of the image";
    EXPECT_EQ(kWhite, scene.Pixel(12, 5));
}

TEST(Progress, VerticalForeColourFillsFromTheBottomAndRangeIsCorrectedAtPaint) {
    Bar scene(L"pos=\"0,0,20,50\" hor=\"false\" value=\"40\" forecolor=\"#FF0000FF\"");
    EXPECT_EQ(kWhite, scene.Pixel(10, 29)) << "top = 50 * (100 - 40) / 100 = 30";
    EXPECT_EQ(kBlue, scene.Pixel(10, 30));
    scene.progress->SetMinValue(10);
    scene.progress->SetMaxValue(5);
    scene.Repaint();
    EXPECT_EQ(11, scene.progress->GetMaxValue()) << "max below min becomes min + 1";
    EXPECT_EQ(11, scene.progress->GetValue()) << "value clamped into the range";
}
