// Labels, texts, buttons, options and check boxes in real windows: attributes,
// measuring, the button state machine driven by real mouse and key input,
// state images by pixels, option groups and check box rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/canvas.h"
#include "tests/ui/ui_test_support.h"
#include "ui/base/paint_manager.h"
#include "ui/controls/button.h"
#include "ui/controls/label.h"
#include "ui/controls/option.h"

using namespace Ulmar;
using uitest::TestContainer;
using uitest::TestWindow;

namespace {

constexpr DWORD kRed = 0xFFFF0000;
constexpr DWORD kGreen = 0xFF00FF00;
constexpr DWORD kBlue = 0xFF0000FF;
constexpr DWORD kGrey = 0xFF808080;

// Records every notification as "type:wParam".
class Recorder : public INotifyUI {
public:
    void Notify(TNotifyEvent& msg) override {
        // The manager's own notifications are not what these tests are about.
        for (const wchar_t* skip : {L"windowinit", L"windowsize", L"setfocus", L"killfocus", L"timer"}) {
            if (msg.type == skip) return;
        }
        log.push_back(std::wstring(msg.type.GetData()) + L":" + std::to_wstring(msg.wParam));
    }
    std::vector<std::wstring> log;
};

// A 200x100 window with a white root; controls are added at their fixed XY.
struct Scene {
    TestWindow window{200, 100};
    TestContainer* root = new TestContainer();
    Recorder recorder;

    Scene() {
        root->SetBkColor(0xFFFFFFFF);
        window.pm().AddNotifier(&recorder);
    }
    ~Scene() { window.pm().RemoveNotifier(&recorder); }
    template <class T>
    T* Add(T* control, const wchar_t* attributes) {
        control->ApplyAttributeList(attributes);
        root->Add(control);
        return control;
    }
    void Attach() {
        // The cursor is parked away from the window, so no control starts hot.
        ::SetCursorPos(1000, 900);
        window.pm().AttachDialog(root);
        ::SetForegroundWindow(window.hwnd());
        uitest::Flush(window.hwnd());
    }
    void Repaint() {
        ::InvalidateRect(window.hwnd(), nullptr, FALSE);
        uitest::Flush(window.hwnd());
    }
    DWORD Pixel(int x, int y) { return uitest::OffscreenPixel(window.pm(), x, y) | 0xFF000000; }
};

// A solid PNG file of one colour, or of vertical strips of the given colours.
uitest::TempFile StripPng(const std::wstring& name, const std::vector<uint32_t>& colours, int stripWidth,
                          int height) {
    const int width = stripWidth * static_cast<int>(colours.size());
    std::vector<uint32_t> argb(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) argb[static_cast<size_t>(y) * width + x] = colours[x / stripWidth];
    }
    return uitest::TempFile(name, test::MakePng(width, height, argb));
}

std::wstring ImageAttr(const uitest::TempFile& file) { return L"file='" + file.path() + L"'"; }

// Real input: the cursor moved and buttons pressed through SendInput, in
// client coordinates of `hwnd`.
void MouseTo(HWND hwnd, int x, int y) {
    POINT pt = {x, y};
    ::ClientToScreen(hwnd, &pt);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (pt.x * 65536 + 32768) / ::GetSystemMetrics(SM_CXSCREEN);
    input.mi.dy = (pt.y * 65536 + 32768) / ::GetSystemMetrics(SM_CYSCREEN);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    ::SendInput(1, &input, sizeof(input));
    uitest::PumpFor(60);
}

void MouseButton(bool down) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    ::SendInput(1, &input, sizeof(input));
    uitest::PumpFor(60);
}

void Click(HWND hwnd, int x, int y) {
    MouseTo(hwnd, x, y);
    MouseButton(true);
    MouseButton(false);
}

void Key(WORD vk) {
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = vk;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ::SendInput(2, inputs, sizeof(INPUT));
    uitest::PumpFor(80);
}

bool AnyDarkPixel(Scene& scene, int left, int right, int top, int bottom) {
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            const DWORD p = scene.Pixel(x, y);
            if ((p & 0xFF) < 0x80 && ((p >> 8) & 0xFF) < 0x80) return true;
        }
    }
    return false;
}

}  // namespace

// ---- labels ----

TEST(Label, AlignWordsAreFoundInsideOtherWordsAndTheLastOneWins) {
    CLabelUI label;
    label.SetAttribute(L"align", L"center");
    EXPECT_EQ(UINT(DT_CENTER | DT_VCENTER | DT_SINGLELINE), label.GetTextStyle());
    label.SetAttribute(L"align", L"vleft");
    EXPECT_EQ(0u, label.GetTextStyle() & (DT_CENTER | DT_RIGHT)) << "\"vleft\" contains \"left\"";
    label.SetAttribute(L"align", L"leftright");
    EXPECT_EQ(UINT(DT_RIGHT), label.GetTextStyle() & (DT_CENTER | DT_RIGHT));
    label.SetAttribute(L"wordbreak", L"true");
    EXPECT_EQ(UINT(DT_WORDBREAK | DT_EDITCONTROL), label.GetTextStyle() & (DT_WORDBREAK | DT_EDITCONTROL | DT_SINGLELINE));
    label.SetAttribute(L"valign", L"bottom");
    EXPECT_EQ(UINT(DT_BOTTOM | DT_SINGLELINE), label.GetTextStyle() & (DT_BOTTOM | DT_SINGLELINE | DT_WORDBREAK | DT_VCENTER));
}

TEST(Label, VleftTextIsDrawnAtTheLeftEdge) {
    Scene scene;
    scene.Add(new CLabelUI(), L"pos=\"0,0,200,40\" text=\"Hello\" textcolor=\"#FF000000\" align=\"center\"");
    auto* left = scene.Add(new CLabelUI(), L"pos=\"0,50,200,90\" text=\"Hello\" textcolor=\"#FF000000\" align=\"vleft\"");
    (void)left;
    scene.Attach();
    EXPECT_FALSE(AnyDarkPixel(scene, 0, 40, 0, 40)) << "centred text leaves the left edge blank";
    EXPECT_TRUE(AnyDarkPixel(scene, 0, 40, 50, 90)) << "vleft text starts at the left edge";
}

TEST(Label, SingleLineEstimateIsFontHeightPlusEightPlusPaddingAndIsCached) {
    Scene scene;
    scene.window.pm().AddFont(1, L"Tahoma", 16, false, false, false, false);
    auto* label = scene.Add(new CLabelUI(), L"font=\"1\" textpadding=\"2,3,4,5\" text=\"ab\" autocalcwidth=\"true\"");
    scene.Attach();
    const int fontHeight = scene.window.pm().GetFontInfo(1)->metrics.tmHeight;
    const SIZE first = label->EstimateSize(SIZE{200, 100});
    EXPECT_EQ(fontHeight + 8 + 3 + 5, first.cy);
    label->SetText(L"a much longer text than before");
    const SIZE cached = label->EstimateSize(SIZE{200, 100});
    EXPECT_EQ(first.cx, cached.cx) << "a text change alone keeps the measured size";
    const SIZE remeasured = label->EstimateSize(SIZE{201, 100});
    EXPECT_GT(remeasured.cx, first.cx) << "another available size measures again";
}

TEST(Label, AutoCalcWidthOfChineseTextInYaHei12MatchesGdiMeasure) {
    Scene scene;
    const wchar_t kFace[] = L"\u5FAE\u8F6F\u96C5\u9ED1";  // 微软雅黑
    const wchar_t kText[] = L"\u5B89\u88C5\u5411\u5BFC\u6B63\u5728\u8FD0\u884C";
    scene.window.pm().AddFont(1, kFace, 12, false, false, false, false);
    auto* label = scene.Add(new CLabelUI(), L"font=\"1\" autocalcwidth=\"true\" textpadding=\"3,0,5,0\"");
    label->SetText(kText);
    scene.Attach();

    HDC dc = scene.window.pm().GetPaintDC();
    win::ScopedSelectObject select(dc, scene.window.pm().GetFont(1));
    RECT rc = {0, 0, 9999, 9999};
    ::DrawTextW(dc, kText, -1, &rc, DT_CALCRECT | DT_SINGLELINE | DT_VCENTER);
    const SIZE size = label->EstimateSize(SIZE{400, 100});
    EXPECT_GT(rc.right, 0);
    EXPECT_EQ(rc.right - rc.left + 3 + 5, size.cx);
}

TEST(Text, LinkClickSendsItsIndexAndOnlyOverTheLink) {
    Scene scene;
    auto* text = scene.Add(new CTextUI(),
                           L"pos=\"0,0,200,40\" showhtml=\"true\" textcolor=\"#FF000000\" "
                           L"text=\"{a one}first{/a} and {a two}second{/a}\"");
    scene.Attach();
    ASSERT_EQ(2, text->GetLinkCount());
    const RECT second = text->GetLinkRect(1);
    Click(scene.window.hwnd(), (second.left + second.right) / 2, (second.top + second.bottom) / 2);
    Click(scene.window.hwnd(), 195, 35);
    EXPECT_EQ((std::vector<std::wstring>{L"link:1"}), scene.recorder.log);
    EXPECT_EQ(L"two", std::wstring(text->GetLinkContent(1)->GetData()));
}

// ---- buttons ----

TEST(Button, DisabledWithoutDisabledImageShowsNormalAndDisabledBkColorFills) {
    auto normal = StripPng(L"btn_normal.png", {kRed}, 8, 8);
    auto hot = StripPng(L"btn_hot.png", {kGreen}, 8, 8);
    auto pushed = StripPng(L"btn_pushed.png", {kBlue}, 8, 8);
    Scene scene;
    const std::wstring attrs = L"pos=\"10,10,60,40\" normalimage=\"" + ImageAttr(normal) +
                               L"\" hotimage=\"" + ImageAttr(hot) + L"\" pushedimage=\"" +
                               ImageAttr(pushed) + L"\"";
    auto* button = scene.Add(new CButtonUI(), attrs.c_str());
    auto* filled = scene.Add(new CButtonUI(), L"pos=\"100,10,150,40\" bkcolor=\"#FFFF0000\" disabledbkcolor=\"#FF808080\"");
    scene.Attach();
    EXPECT_EQ(kRed, scene.Pixel(30, 25));
    EXPECT_EQ(kRed, scene.Pixel(120, 25));
    button->SetEnabled(false);
    filled->SetEnabled(false);
    scene.Repaint();
    EXPECT_EQ(UINT(UISTATE_DISABLED), button->GetButtonState() & UISTATE_DISABLED);
    EXPECT_EQ(kRed, scene.Pixel(30, 25)) << "no disabled image: the normal one";
    EXPECT_EQ(kGrey, scene.Pixel(120, 25));
}

TEST(Button, PressDragOutAndBackThenReleaseClicksOnce) {
    auto normal = StripPng(L"drag_normal.png", {kRed}, 8, 8);
    auto pushed = StripPng(L"drag_pushed.png", {kBlue}, 8, 8);
    Scene scene;
    const std::wstring attrs = L"pos=\"10,10,90,50\" normalimage=\"" + ImageAttr(normal) +
                               L"\" pushedimage=\"" + ImageAttr(pushed) + L"\"";
    auto* button = scene.Add(new CButtonUI(), attrs.c_str());
    scene.Attach();
    HWND hwnd = scene.window.hwnd();

    MouseTo(hwnd, 50, 30);
    MouseButton(true);
    scene.Repaint();
    EXPECT_EQ(kBlue, scene.Pixel(20, 20)) << "pressed";
    MouseTo(hwnd, 150, 80);
    scene.Repaint();
    EXPECT_EQ(kRed, scene.Pixel(20, 20)) << "dragged out: pushed image off";
    EXPECT_EQ(0u, button->GetButtonState() & UISTATE_PUSHED);
    MouseTo(hwnd, 40, 20);
    scene.Repaint();
    EXPECT_EQ(kBlue, scene.Pixel(20, 20)) << "back in: pushed image on";
    MouseButton(false);
    scene.Repaint();
    EXPECT_EQ(kRed, scene.Pixel(20, 20));
    EXPECT_EQ((std::vector<std::wstring>{L"click:0"}), scene.recorder.log);

    scene.recorder.log.clear();
    MouseTo(hwnd, 50, 30);
    MouseButton(true);
    MouseTo(hwnd, 150, 80);
    MouseButton(false);
    EXPECT_TRUE(scene.recorder.log.empty()) << "released outside: no click";
}

TEST(Button, SpaceAndReturnOnTheFocusedButtonClick) {
    Scene scene;
    auto* button = scene.Add(new CButtonUI(), L"pos=\"10,10,90,50\" text=\"OK\"");
    scene.Attach();
    scene.window.pm().SetFocus(button);
    uitest::PumpFor(50);
    Key(VK_SPACE);
    Key(VK_RETURN);
    EXPECT_EQ((std::vector<std::wstring>{L"click:0", L"click:0"}), scene.recorder.log);
    button->SetKeyboardEnabled(false);
    Key(VK_SPACE);
    EXPECT_EQ(2u, scene.recorder.log.size()) << "no keyboard: no click";
}

TEST(Button, StateImageOfFourStripsIsCutAtZeroFortyEightyAndHundredTwenty) {
    auto strip = StripPng(L"state4.png", {kRed, kGreen, kBlue, kGrey}, 40, 10);
    Scene scene;
    const std::wstring attrs = L"pos=\"10,10,50,30\" statecount=\"4\" stateimage=\"" + ImageAttr(strip) + L"\"";
    auto* button = scene.Add(new CButtonUI(), attrs.c_str());
    scene.Attach();
    // The strips are cut by the first paint; on a loaded display the window may
    // not have been painted yet when Attach returns.
    scene.Repaint();
    EXPECT_NE(-1, button->GetNormalImage().Find(L"source='0,0,40,10'"));
    EXPECT_NE(-1, button->GetHotImage().Find(L"source='40,0,80,10'"));
    EXPECT_NE(-1, button->GetPushedImage().Find(L"source='80,0,120,10'"));
    EXPECT_NE(-1, button->GetDisabledImage().Find(L"source='120,0,160,10'"));
    EXPECT_EQ(kRed, scene.Pixel(30, 20));
    MouseTo(scene.window.hwnd(), 30, 20);
    scene.Repaint();
    EXPECT_EQ(kGreen, scene.Pixel(30, 20)) << "hot";
    MouseButton(true);
    scene.Repaint();
    EXPECT_EQ(kBlue, scene.Pixel(30, 20)) << "pushed";
    MouseButton(false);
    button->SetEnabled(false);
    scene.Repaint();
    EXPECT_EQ(kGrey, scene.Pixel(30, 20)) << "disabled";
}

TEST(Button, StateColoursFollowHotAndPushed) {
    Scene scene;
    auto* button = scene.Add(new CButtonUI(), L"pos=\"10,10,90,50\" bkcolor=\"#FFFF0000\" hotbkcolor=\"#FF00FF00\" pushedbkcolor=\"#FF0000FF\"");
    scene.Attach();
    HWND hwnd = scene.window.hwnd();
    EXPECT_EQ(kRed, scene.Pixel(15, 15));
    MouseTo(hwnd, 50, 30);
    scene.Repaint();
    EXPECT_EQ(kGreen, scene.Pixel(15, 15));
    MouseButton(true);
    scene.Repaint();
    EXPECT_EQ(kBlue, scene.Pixel(15, 15));
    MouseButton(false);
    EXPECT_EQ(UINT(UISTATE_HOT), button->GetButtonState() & (UISTATE_HOT | UISTATE_PUSHED));
    MouseTo(hwnd, 150, 80);
    EXPECT_EQ(0u, button->GetButtonState() & UISTATE_HOT) << "left";
    scene.Repaint();
    EXPECT_EQ(kRed, scene.Pixel(15, 15));
}

// ---- options and check boxes ----

TEST(Option, WithoutGroupTogglesWithClickThenSelectChanged) {
    Scene scene;
    auto* option = scene.Add(new COptionUI(), L"pos=\"10,10,90,50\" selectedbkcolor=\"#FF0000FF\" bkcolor=\"#FFFF0000\"");
    scene.Attach();
    Click(scene.window.hwnd(), 50, 30);
    EXPECT_TRUE(option->IsSelected());
    scene.Repaint();
    EXPECT_EQ(kBlue, scene.Pixel(15, 15));
    Click(scene.window.hwnd(), 50, 30);
    EXPECT_FALSE(option->IsSelected());
    EXPECT_EQ((std::vector<std::wstring>{L"click:0", L"selectchanged:0", L"click:0", L"selectchanged:0"}),
              scene.recorder.log);
}

TEST(Option, InAGroupClickingTheSelectedOneOnlyClicksAndSiblingsAreDeselected) {
    Scene scene;
    auto* a = scene.Add(new COptionUI(), L"pos=\"10,10,90,50\" group=\"g\"");
    auto* b = scene.Add(new COptionUI(), L"pos=\"100,10,180,50\" group=\"g\"");
    scene.Attach();
    Click(scene.window.hwnd(), 50, 30);
    EXPECT_TRUE(a->IsSelected());
    scene.recorder.log.clear();
    Click(scene.window.hwnd(), 50, 30);
    EXPECT_TRUE(a->IsSelected()) << "stays selected";
    EXPECT_EQ((std::vector<std::wstring>{L"click:0"}), scene.recorder.log);
    scene.recorder.log.clear();
    Click(scene.window.hwnd(), 140, 30);
    EXPECT_TRUE(b->IsSelected());
    EXPECT_FALSE(a->IsSelected());
    EXPECT_EQ((std::vector<std::wstring>{L"click:0", L"selectchanged:0", L"selectchanged:0"}),
              scene.recorder.log)
        << "the sibling's deselection, then the new selection";
}

TEST(Option, GroupTypeLimitsWhichSiblingsAreDeselected) {
    Scene scene;
    auto* a = scene.Add(new COptionUI(), L"pos=\"0,0,10,10\" group=\"g\" grouptype=\"x\"");
    auto* b = scene.Add(new COptionUI(), L"pos=\"20,0,30,10\" group=\"g\" grouptype=\"y\"");
    auto* c = scene.Add(new COptionUI(), L"pos=\"40,0,50,10\" group=\"g\" grouptype=\"x\"");
    scene.Attach();
    a->Selected(true);
    b->Selected(true);
    EXPECT_TRUE(a->IsSelected()) << "another group type keeps it";
    c->Selected(true);
    EXPECT_FALSE(a->IsSelected());
    EXPECT_TRUE(b->IsSelected());
}

TEST(CheckBox, SelectChangedCarriesTheNewStateAndClickToggles) {
    Scene scene;
    auto* box = scene.Add(new CCheckBoxUI(), L"pos=\"10,10,90,50\"");
    scene.Attach();
    Click(scene.window.hwnd(), 50, 30);
    Click(scene.window.hwnd(), 50, 30);
    EXPECT_FALSE(box->GetCheck());
    EXPECT_EQ((std::vector<std::wstring>{L"click:0", L"selectchanged:1", L"click:0", L"selectchanged:0"}),
              scene.recorder.log);
}

TEST(CheckBox, AutoCheckTogglesOnPressWithCheckClickAndNoClick) {
    Scene scene;
    auto* box = scene.Add(new CCheckBoxUI(), L"pos=\"10,10,90,50\" EnableAutoCheck=\"true\"");
    scene.Attach();
    MouseTo(scene.window.hwnd(), 50, 30);
    MouseButton(true);
    EXPECT_TRUE(box->GetCheck()) << "toggled on the press";
    MouseButton(false);
    EXPECT_TRUE(box->GetCheck());
    EXPECT_EQ((std::vector<std::wstring>{L"selectchanged:1", L"checkclick:0"}), scene.recorder.log);
}

TEST(CheckBox, InAGroupDeselectionBySiblingSendsNoSelectChanged) {
    Scene scene;
    auto* a = scene.Add(new CCheckBoxUI(), L"pos=\"0,0,10,10\" group=\"c\"");
    auto* b = scene.Add(new CCheckBoxUI(), L"pos=\"20,0,30,10\" group=\"c\"");
    scene.Attach();
    a->Selected(true);
    scene.recorder.log.clear();
    b->Selected(true);
    EXPECT_FALSE(a->GetCheck());
    ASSERT_EQ(1u, scene.recorder.log.size());
    EXPECT_EQ(L"selectchanged:1", scene.recorder.log[0]);
}
