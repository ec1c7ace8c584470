// The animated label: its interface, attributes, the strip's two timer steps
// and the cross-fade painting, in a real window; and its creation from markup.
#include <gtest/gtest.h>

#include <windows.h>

#include <ctime>
#include <string>
#include <vector>

#include "app/ani_label.h"
#include "tests/ui/canvas.h"
#include "tests/ui/ui_test_support.h"
#include "ui/base/paint_manager.h"
#include "ui/builder/dialog_builder.h"
#include "ui/controls/button.h"

using namespace Ulmar;

namespace {

// A 200 x `height` window whose white root holds one animated label at 0,0.
struct Scene {
    uitest::TestWindow window;
    uitest::TestContainer* root = new uitest::TestContainer();
    CAniLabelUI* label = new CAniLabelUI();

    Scene(int height, const wchar_t* attributes) : window(200, height) {
        root->SetBkColor(0xFFFFFFFF);
        label->ApplyAttributeList(attributes);
        label->SetFixedXY(SIZE{0, 0});
        label->SetFixedWidth(100);
        label->SetFixedHeight(height);
        root->Add(label);
        window.pm().AttachDialog(root);
        uitest::Flush(window.hwnd());
    }
    void Timer(UINT id) {
        TControlEvent event;
        event.type = UIEVENT_TIMER;
        event.sender = label;
        event.wParam = id;
        label->HandleEvent(event);
    }
};

const wchar_t* Strip(const CAniLabelUI* label) { return label->GetStripAttribute().GetData(); }

constexpr wchar_t kStrip[] = L"aniimage=\"strip.png\" aniimgwidth=\"30\" aniimgheight=\"40\"";

}  // namespace

TEST(AniLabel, AnswersItsOwnInterfaceAndOtherwiseTheLabels) {
    CAniLabelUI label;
    EXPECT_STREQ(L"AnimationLabelUI", label.GetClassName());
    EXPECT_EQ(static_cast<void*>(&label), label.GetInterface(L"AnimationLabelUI"));
    EXPECT_EQ(static_cast<void*>(static_cast<CLabelUI*>(&label)), label.GetInterface(L"Label"));
    EXPECT_EQ(nullptr, label.GetInterface(L"Button"));
}

TEST(AniLabel, ReadsItsAttributesAsDecimalNumbers) {
    CAniLabelUI label;
    label.SetAttribute(L"aniimgheight", L"120");
    EXPECT_EQ(120, label.GetAniImageHeight());
    label.SetAttribute(L"aniimgheight", L"px12");
    EXPECT_EQ(0, label.GetAniImageHeight());
    label.SetAttribute(L"aniimgwidth", L"0x10");  // base 10: the digits before the x
    EXPECT_EQ(0, label.GetAniImageWidth());
    label.SetAttribute(L"aniimgwidth", L"42px");
    EXPECT_EQ(42, label.GetAniImageWidth());
    label.SetAttribute(L"aniimage", L"strip.png");
    EXPECT_EQ(CUiString(L"strip.png"), label.GetAniImage());
    label.SetAttribute(L"AniImgHeight", L"7");  // names are exact: this one is the label's
    EXPECT_EQ(0, label.GetAniImageHeight());

    // The label still takes its own attributes; the height is not passed on.
    label.SetAttribute(L"text", L"hello");
    EXPECT_EQ(CUiString(L"hello"), label.GetText());
    EXPECT_EQ(nullptr, label.GetCustomAttribute(L"aniimgheight"));
}

TEST(AniLabel, LoopStepSlidesTheStripDownAndRestartsItAboveTheControl) {
    Scene scene(100, kStrip);
    CAniLabelUI* label = scene.label;
    scene.Timer(CAniLabelUI::kLoopTimerId);
    EXPECT_EQ(-42, label->GetStripOffset());
    EXPECT_EQ(-2, label->GetStripBottom());
    EXPECT_EQ(30, label->GetStripWidth());
    EXPECT_STREQ(L"file='strip.png' source='0,0,30,40' dest='0,-42,30,-2'", Strip(label));

    // Other timers leave the strip alone.
    scene.Timer(58);
    EXPECT_EQ(-42, label->GetStripOffset());

    // At 70 the strip runs 10 pixels past the bottom: 30 of its 40 show.
    for (int i = 0; i < 14; ++i) scene.Timer(CAniLabelUI::kLoopTimerId);
    EXPECT_STREQ(L"file='strip.png' source='0,0,30,30' dest='0,70,30,110'", Strip(label));

    // 94, then 102: wholly below the control, nothing of it shows.
    for (int i = 0; i < 4; ++i) scene.Timer(CAniLabelUI::kLoopTimerId);
    EXPECT_STREQ(L"file='strip.png' source='0,0,30,0' dest='0,102,30,142'", Strip(label));

    // The bottom (142) has passed H + h (140): start again one strip above.
    scene.Timer(CAniLabelUI::kLoopTimerId);
    EXPECT_EQ(-40, label->GetStripOffset());
    EXPECT_EQ(0, label->GetStripBottom());
    EXPECT_STREQ(L"file='strip.png' source='0,0,30,40' dest='0,-40,30,0'", Strip(label));
    scene.Timer(CAniLabelUI::kLoopTimerId);
    EXPECT_EQ(-32, label->GetStripOffset());
}

TEST(AniLabel, LoopStepRestartsWhenTheBottomIsExactlyAtStripAndControlHeight) {
    Scene scene(102, kStrip);
    for (int i = 0; i < 19; ++i) scene.Timer(CAniLabelUI::kLoopTimerId);
    ASSERT_EQ(142, scene.label->GetStripBottom());  // = 40 + 102
    scene.Timer(CAniLabelUI::kLoopTimerId);
    EXPECT_EQ(-40, scene.label->GetStripOffset());
    EXPECT_EQ(0, scene.label->GetStripBottom());
}

TEST(AniLabel, SettleStepStopsAtItsLineAndKillsTheTimers) {
    Scene scene(200, kStrip);
    CAniLabelUI* label = scene.label;
    ASSERT_TRUE(scene.window.pm().SetTimer(label, CAniLabelUI::kSettleTimerId, 10));
    ASSERT_TRUE(uitest::PumpUntil([&] { return label->IsFinished(); }, 5000));
    // Target 80 (0.4 x 200), stop line 80 - 20 + 30 = 90: it ends on the first
    // offset at or past 82, which is 85.
    EXPECT_EQ(85, label->GetStripOffset());
    EXPECT_STREQ(L"file='strip.png' source='0,0,30,40' dest='0,85,30,125'", Strip(label));
    EXPECT_STREQ(L"file='wnd_compress_p3.png' source='0,0,120,40' dest='0, 0,120,77'",
                 label->GetOverlayAttribute().GetData());
    uitest::PumpFor(200);
    EXPECT_EQ(85, label->GetStripOffset()) << "the timer still runs";
}

TEST(AniLabel, SettleStepInALowControlStopsAsSoonAsTheStripIsIn) {
    // h = 60: the target is held at 30, and the stop line at h - 30 - H = -10.
    Scene scene(60, kStrip);
    for (int i = 0; i < 10; ++i) scene.Timer(CAniLabelUI::kSettleTimerId);
    EXPECT_FALSE(scene.label->IsFinished());
    EXPECT_EQ(0, scene.label->GetStripOffset());
    scene.Timer(CAniLabelUI::kSettleTimerId);
    EXPECT_TRUE(scene.label->IsFinished());
    EXPECT_EQ(5, scene.label->GetStripOffset());
}

namespace {

std::vector<unsigned char> SolidPng(uint32_t argb) {
    return test::MakePng(4, 4, std::vector<uint32_t>(16, argb));
}

long LongAgo() {
    const long start = static_cast<long>(std::clock()) - 1000;
    return start == 0 ? -1 : start;
}

}  // namespace

TEST(AniLabel, PaintsItsCrossFadeOnlyInPaintStateZero) {
    uitest::TempFile red(L"ani_red.png", SolidPng(0xFFFF0000));
    uitest::TempFile green(L"ani_green.png", SolidPng(0xFF00FF00));
    uitest::TempFile blue(L"ani_blue.png", SolidPng(0xFF0000FF));
    const std::wstring bk = L"bkimage=\"" + red.path() + L"\"";
    Scene scene(100, bk.c_str());
    CAniLabelUI* label = scene.label;
    auto pixel = [&] {
        uitest::Flush(scene.window.hwnd());
        return uitest::OffscreenPixel(scene.window.pm(), 50, 50) & 0xFFFFFF;
    };
    label->SetFirstImage(green.path().c_str(), 0, 0);
    EXPECT_EQ(0xFFFFFFu, pixel()) << "painted in its initial state";

    label->SetPaintState(0);
    EXPECT_EQ(0x00FF00u, pixel()) << "first image, not fading";

    // A second image whose fade began long ago has replaced the first.
    label->SetSecondImage(blue.path().c_str(), 0, LongAgo());
    EXPECT_EQ(0x0000FFu, pixel());
    EXPECT_EQ(0, label->GetSecondFadeStart());
    EXPECT_TRUE(label->GetFirstImage().IsEmpty());
    EXPECT_EQ(0x0000FFu, pixel()) << "second image alone, no longer fading";

    // A first image's finished fade ends it; the second waits without a fade.
    label->SetFirstImage(green.path().c_str(), 0, LongAgo());
    EXPECT_EQ(0x00FF00u, pixel());
    EXPECT_EQ(0, label->GetFirstFadeStart());
}

namespace {

class AniLabelBuilder : public IDialogBuilderCallback {
public:
    CControlUI* CreateControl(const wchar_t* className) override {
        return std::wstring(className) == L"AniLabel" ? new CAniLabelUI() : nullptr;
    }
};

}  // namespace

TEST(AniLabel, IsBuiltFromMarkupThroughTheBuilderCallback) {
    uitest::TestWindow window(200, 100);
    AniLabelBuilder callback;
    CDialogBuilder builder;
    CControlUI* root = builder.Create(
        STRINGorID(L"<Window size=\"200,100\"><VerticalLayout>"
                   L"<AniLabel name=\"ani\" text=\"hi\" aniimage=\"strip.png\" aniimgwidth=\"30\" "
                   L"aniimgheight=\"40\"/></VerticalLayout></Window>"),
        nullptr, &callback, &window.pm());
    ASSERT_NE(nullptr, root);
    window.pm().AttachDialog(root);
    CControlUI* control = window.pm().FindControl(L"ani");
    ASSERT_NE(nullptr, control);
    auto* label = static_cast<CAniLabelUI*>(control->GetInterface(L"AnimationLabelUI"));
    ASSERT_NE(nullptr, label);
    EXPECT_EQ(CUiString(L"hi"), label->GetText());
    EXPECT_EQ(CUiString(L"strip.png"), label->GetAniImage());
    EXPECT_EQ(30, label->GetAniImageWidth());
    EXPECT_EQ(40, label->GetAniImageHeight());
    EXPECT_EQ(1, label->GetPaintState());
}
