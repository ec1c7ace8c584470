// The skinned message box from the shipped skin archive, run modally on the
// test thread. A thread timer drives each box from inside its modal loop:
// it inspects the box and clicks its buttons with real mouse input.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/message_box.h"
#include "app/message_box_window.h"
#include "tests/ui/ui_test_support.h"
#include "ui/base/paint_manager.h"
#include "ui/controls/button.h"
#include "ui/controls/label.h"
#include "win/gdi.h"
#include "win/text.h"

using namespace Ulmar;

namespace {

constexpr wchar_t kIconError[] = L"file='messagebox_icon_22x22.png' source='0,0,22,22'";
constexpr wchar_t kIconQuestion[] = L"file='messagebox_icon_22x22.png' source='0,22,22,44'";
constexpr wchar_t kIconInfo[] = L"file='messagebox_icon_22x22.png' source='0,44,22,66'";
constexpr wchar_t kIconWarning[] = L"file='messagebox_icon_22x22.png' source='0,66,22,88'";

// The built skin archive, read by the framework from its folder.
class SkinArchive : public ::testing::Environment {
public:
    void SetUp() override {
        std::wstring path = L"Z:" + win::Utf8ToWide(TORVANE_SKIN_ZIP);
        for (wchar_t& c : path)
            if (c == L'/') c = L'\\';
        const size_t slash = path.rfind(L'\\');
        CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
        CPaintManagerUI::SetResourcePath(path.substr(0, slash + 1).c_str());
        CPaintManagerUI::SetResourceZip(path.substr(slash + 1).c_str());
    }
};
const auto* const kSkinArchive = ::testing::AddGlobalTestEnvironment(new SkinArchive);

// ---- driving a box from inside its modal loop ----

// One step per tick, on the test thread; true moves on to the next step.
using Step = std::function<bool(CMessageBox& box, HWND window)>;

std::function<void()>* g_tick = nullptr;
void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
    if (g_tick) (*g_tick)();
}

BOOL CALLBACK FindBoxWindow(HWND hwnd, LPARAM param) {
    wchar_t name[32] = {};
    ::GetClassNameW(hwnd, name, 32);
    if (std::wstring(name) != L"messagebox") return TRUE;
    *reinterpret_cast<HWND*>(param) = hwnd;
    return FALSE;
}

// This thread's box window, or null.
HWND FindBox() {
    HWND box = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), &FindBoxWindow, reinterpret_cast<LPARAM>(&box));
    return box;
}

// The window base keeps its object in the window's user data.
CMessageBox* BoxOf(HWND hwnd) {
    auto* window = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return dynamic_cast<CMessageBox*>(window);
}

// Runs `show` (which shows a box) and feeds the box to `steps` while it is up.
// A box still up after 15 s is closed, so a broken step fails instead of hanging.
int Drive(const std::function<int()>& show, std::vector<Step> steps) {
    size_t next = 0;
    int ticks = 0;
    std::function<void()> tick = [&] {
        const HWND hwnd = FindBox();
        CMessageBox* box = hwnd ? BoxOf(hwnd) : nullptr;
        if (!box) return;
        if (++ticks > 300) {
            ADD_FAILURE() << "box still up after step " << next;
            ::PostMessageW(hwnd, WM_CLOSE, 0, 0);
            return;
        }
        if (next < steps.size() && steps[next](*box, hwnd)) ++next;
    };
    g_tick = &tick;
    // The pointer starts away from where any box appears.
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &OnTick);
    const int result = show();
    ::KillTimer(nullptr, timer);
    g_tick = nullptr;
    EXPECT_EQ(steps.size(), next) << "the box closed before its last step";
    EXPECT_EQ(nullptr, FindBox());
    return result;
}

CControlUI* Control(CMessageBox& box, const wchar_t* name) {
    CControlUI* control = box.GetPaintManager().FindControl(name);
    EXPECT_NE(nullptr, control) << "no " << win::WideToUtf8(name);
    return control;
}

// Waits for the layout, moves the pointer over the control, then presses and
// releases the left button there.
Step Click(const wchar_t* name) {
    auto pointed = std::make_shared<bool>(false);
    return [name, pointed](CMessageBox& box, HWND hwnd) {
        CControlUI* control = box.GetPaintManager().FindControl(name);
        if (!control || control->GetWidth() <= 0) return false;
        if (!*pointed) {
            const RECT& rc = control->GetPos();
            POINT pt = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
            ::ClientToScreen(hwnd, &pt);
            ::SetForegroundWindow(hwnd);
            ::SetCursorPos(pt.x, pt.y);
            *pointed = true;
            return false;
        }
        INPUT inputs[2] = {};
        inputs[0].type = inputs[1].type = INPUT_MOUSE;
        inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        ::SendInput(2, inputs, sizeof(INPUT));
        return true;
    };
}

// Looks at the laid-out box once.
Step Inspect(std::function<void(CMessageBox&, HWND)> look) {
    return [look](CMessageBox& box, HWND hwnd) {
        CControlUI* root = box.GetPaintManager().GetRoot();
        if (!root || root->GetWidth() <= 0 || box.GetPaintManager().IsUpdateNeeded()) return false;
        look(box, hwnd);
        return true;
    };
}

// The system's close command, as Alt+F4 or the window menu send it.
Step SystemClose() {
    return [](CMessageBox&, HWND hwnd) {
        ::PostMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
    };
}

struct Buttons {
    CUiString icon, okText, noText;
    bool okVisible = false, noVisible = false, closeVisible = false, closeEnabled = false;
};

Step ReadButtons(Buttons& out) {
    return Inspect([&out](CMessageBox& box, HWND) {
        auto* icon = static_cast<CLabelUI*>(Control(box, L"txt_icon"));
        CControlUI* ok = Control(box, L"btn_ok");
        CControlUI* no = Control(box, L"btn_no");
        CControlUI* close = Control(box, L"btn_close");
        if (!icon || !ok || !no || !close) return;
        out.icon = icon->GetBkImage();
        out.okText = ok->GetText();
        out.noText = no->GetText();
        out.okVisible = ok->IsVisible();
        out.noVisible = no->IsVisible();
        out.closeVisible = close->IsVisible();
        out.closeEnabled = close->IsEnabled();
    });
}

constexpr wchar_t kTwoLines[] =
    L"检测到托尔文正在运行，继续安装将关闭正在运行的托尔文，是否继续安装？安装完成后可以重新启动。";

}  // namespace

TEST(SkinnedMessageBox, WarningWithTwoButtonsShowsBothTextsAndAnswersSixOrSeven) {
    Buttons seen;
    auto show = [] { return ShowMessageBox(nullptr, L"提示", kTwoLines, 0x34, L"安装", L"取消"); };
    const int ok = Drive(show, {ReadButtons(seen), Click(L"btn_ok")});
    EXPECT_EQ(kMessageBoxOk, ok);
    EXPECT_EQ(CUiString(kIconWarning), seen.icon);
    EXPECT_EQ(CUiString(L"安装"), seen.okText);
    EXPECT_EQ(CUiString(L"取消"), seen.noText);
    EXPECT_TRUE(seen.okVisible);
    EXPECT_TRUE(seen.noVisible);
    EXPECT_TRUE(seen.closeVisible);
    EXPECT_FALSE(seen.closeEnabled);

    const int no = Drive(show, {Click(L"btn_no")});
    EXPECT_EQ(kMessageBoxNo, no);
}

TEST(SkinnedMessageBox, ErrorBoxHasOneButtonAndItsCloseButtonAnswersEight) {
    Buttons seen;
    auto show = [] { return ShowMessageBox(nullptr, L"错误", L"磁盘空间不足。", 0x10, L"确定", nullptr); };
    const int closed = Drive(show, {ReadButtons(seen), Click(L"btn_close")});
    EXPECT_EQ(kMessageBoxClosed, closed);
    EXPECT_EQ(CUiString(kIconError), seen.icon);
    EXPECT_EQ(CUiString(L"确定"), seen.okText);
    EXPECT_TRUE(seen.okVisible);
    EXPECT_FALSE(seen.noVisible);
    EXPECT_TRUE(seen.closeEnabled);

    const int ok = Drive(show, {Click(L"btn_ok")});
    EXPECT_EQ(kMessageBoxOk, ok);
}

TEST(SkinnedMessageBox, UnknownIconBitsKeepTheButtonsIconAndAMissingTextKeepsTheSkins) {
    Buttons both;
    auto unknownIcon = [] { return ShowMessageBox(nullptr, L"提示", L"确认？", 0x44, L"是", L"否"); };
    EXPECT_EQ(kMessageBoxClosed, Drive(unknownIcon, {ReadButtons(both), SystemClose()}));
    EXPECT_EQ(CUiString(kIconQuestion), both.icon);
    EXPECT_EQ(CUiString(L"是"), both.okText);
    EXPECT_FALSE(both.closeEnabled);

    // Two buttons but only one text: neither button takes it.
    Buttons half;
    auto oneText = [] { return ShowMessageBox(nullptr, L"提示", L"确认？", 0x4, L"是", nullptr); };
    EXPECT_EQ(kMessageBoxClosed, Drive(oneText, {ReadButtons(half), SystemClose()}));
    EXPECT_EQ(CUiString(kIconQuestion), half.icon);
    EXPECT_TRUE(half.okText.IsEmpty());
    EXPECT_TRUE(half.noText.IsEmpty());
    EXPECT_TRUE(half.noVisible);
}

TEST(SkinnedMessageBox, SystemCloseOfATwoButtonBoxAnswersEight) {
    // The close button is disabled, yet Alt+F4 still closes; the information
    // bits replace the two-button icon.
    Buttons seen;
    auto show = [] { return ShowMessageBox(nullptr, L"提示", L"确认？", 0x104, L"是", L"否"); };
    EXPECT_EQ(kMessageBoxClosed, Drive(show, {ReadButtons(seen), SystemClose()}));
    EXPECT_EQ(CUiString(kIconInfo), seen.icon);
    EXPECT_FALSE(seen.closeEnabled);
}

TEST(SkinnedMessageBox, QuitDuringTheBoxClosesItAndReachesTheOuterLoop) {
    auto show = [] { return ShowMessageBox(nullptr, L"提示", L"确认？", 0x34, L"是", L"否"); };
    const int result = Drive(show, {Inspect([](CMessageBox&, HWND) { ::PostQuitMessage(5); })});
    EXPECT_EQ(kMessageBoxClosed, result);
    MSG msg = {};
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(5u, msg.wParam);
}

namespace {

int Width(HDC dc, const std::wstring& text) {
    SIZE size = {0, 0};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// Texts measured in the box's own text font (taken from a first box).
struct Samples {
    // About (lines - 0.5) x 288 pixels: exactly 1, 2 and 3 lines.
    std::vector<std::wstring> byLines;
    // Three words of about 150 pixels: under 576 in all, but each on a line of its own.
    std::wstring threeWords;
    int threeWordsWidth = 0;
    // 285 to 288 pixels: one line by width, two inside the text's 2-pixel padding.
    std::wstring paddingEdge;
};

Samples MeasureSamples() {
    Samples samples;
    Drive([] { return ShowMessageBox(nullptr, L"提示", L"测量", 0x0, L"确定", nullptr); },
          {Inspect([&](CMessageBox& box, HWND hwnd) {
               auto* tips = static_cast<CLabelUI*>(Control(box, L"txt_tips"));
               if (!tips) return;
               const win::UniqueWindowDc dc = win::GetWindowDc(hwnd);
               const HDC hdc = dc.get().dc;
               win::ScopedSelectObject font(hdc, box.GetPaintManager().GetFont(tips->GetFont()));
               const std::wstring pattern = L"安装程序正在检查系统环境，请稍候片刻。";
               for (int lines = 1; lines <= 3; ++lines) {
                   std::wstring text;
                   while (Width(hdc, text) < lines * 288 - 144) text += pattern[text.size() % pattern.size()];
                   samples.byLines.push_back(text);
               }
               std::wstring word;
               while (Width(hdc, word) < 150) word += L'm';
               samples.threeWords = word + L" " + word + L" " + word;
               samples.threeWordsWidth = Width(hdc, samples.threeWords);
               for (int digits = 0; digits < 12 && samples.paddingEdge.empty(); ++digits) {
                   const std::wstring text = pattern + pattern + std::wstring(digits, L'1');
                   for (size_t cut = 0; cut < text.size() && samples.paddingEdge.empty(); ++cut) {
                       const int width = Width(hdc, text.substr(cut));
                       if (width > 284 && width <= 288) samples.paddingEdge = text.substr(cut);
                   }
               }
           }),
           SystemClose()});
    return samples;
}

struct Geometry {
    RECT window = {};
    int tipsFixedHeight = 0;
    RECT tips = {};
    bool captionVisible = false;
};

Step ReadGeometry(Geometry& out) {
    return Inspect([&out](CMessageBox& box, HWND hwnd) {
        ::GetWindowRect(hwnd, &out.window);
        if (CControlUI* tips = Control(box, L"txt_tips")) {
            out.tipsFixedHeight = tips->GetFixedHeight();
            out.tips = tips->GetPos();
        }
        if (CControlUI* caption = Control(box, L"txt_caption")) out.captionVisible = caption->IsVisible();
    });
}

}  // namespace

TEST(SkinnedMessageBox, HeightFollowsTheNumberOfTextLines) {
    const Samples samples = MeasureSamples();
    ASSERT_EQ(3u, samples.byLines.size());
    auto shown = [](const std::wstring& text) {
        Geometry seen;
        Drive([&] { return ShowMessageBox(nullptr, L"提示", text.c_str(), 0x0, L"确定", nullptr); },
              {ReadGeometry(seen), SystemClose()});
        return seen;
    };
    auto heightFor = [&](const std::wstring& text) {
        const RECT rc = shown(text).window;
        return rc.bottom - rc.top;
    };
    const int heights[] = {150, 168, 186};
    for (int i = 0; i < 3; ++i) {
        const Geometry seen = shown(samples.byLines[i]);
        EXPECT_EQ(380, seen.window.right - seen.window.left) << (i + 1) << " lines";
        EXPECT_EQ(heights[i], seen.window.bottom - seen.window.top) << (i + 1) << " lines";
        EXPECT_EQ(18 * (i + 1), seen.tipsFixedHeight) << (i + 1) << " lines";
        EXPECT_EQ(18 * (i + 1), seen.tips.bottom - seen.tips.top) << (i + 1) << " lines";
    }

    // No text keeps the skin's size.
    EXPECT_EQ(168, heightFor(L""));

    // Text that wraps sooner than every 288 pixels still gets all its lines.
    ASSERT_LE(samples.threeWordsWidth, 576);
    EXPECT_EQ(186, heightFor(samples.threeWords));
    if (!samples.paddingEdge.empty()) {
        EXPECT_EQ(168, heightFor(samples.paddingEdge));
    }
}

TEST(SkinnedMessageBox, WithoutCaptionTheTextSitsTenPixelsLower) {
    Geometry with, without;
    Drive([] { return ShowMessageBox(nullptr, L"提示", L"文字", 0x0, L"确定", nullptr); },
          {ReadGeometry(with), SystemClose()});
    Drive([] { return ShowMessageBox(nullptr, nullptr, L"文字", 0x0, L"确定", nullptr); },
          {ReadGeometry(without), SystemClose()});
    EXPECT_TRUE(with.captionVisible);
    EXPECT_FALSE(without.captionVisible);
    EXPECT_EQ(with.tips.top + 10, without.tips.top);
    EXPECT_EQ(with.tips.left, without.tips.left);
}

TEST(SkinnedMessageBox, OwnerIsDisabledButKeepsItsPostedMessagesWhileTheBoxIsUp) {
    constexpr UINT kOwnMessage = WM_APP + 17;
    uitest::TestWindow owner(600, 400, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    auto delivered = [&] {
        for (UINT message : owner.seen())
            if (message == kOwnMessage) return true;
        return false;
    };
    bool ownedBy = false, disabled = false, deliveredWhileUp = false;
    const int result = Drive(
        [&] { return ShowMessageBox(owner.hwnd(), L"提示", kTwoLines, 0x34, L"安装", L"取消"); },
        {Inspect([&](CMessageBox&, HWND hwnd) {
             ownedBy = ::GetWindow(hwnd, GW_OWNER) == owner.hwnd();
             disabled = !::IsWindowEnabled(owner.hwnd());
             ::PostMessageW(owner.hwnd(), kOwnMessage, 0, 0);
         }),
         [&](CMessageBox&, HWND) {
             if (!delivered()) return false;
             deliveredWhileUp = true;
             return true;
         },
         Click(L"btn_ok")});
    EXPECT_EQ(kMessageBoxOk, result);
    EXPECT_TRUE(ownedBy);
    EXPECT_TRUE(disabled);
    EXPECT_TRUE(deliveredWhileUp);
    EXPECT_TRUE(::IsWindowEnabled(owner.hwnd()));
}

