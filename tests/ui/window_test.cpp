// The window base in real windows on the test display: hit testing of the
// caption, size box and maximise button, real mouse input through SendInput,
// the modal loop, the notification map, a window deleting itself from its own
// notification, and the failure box of a missing skin in a child process.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <thread>

#include "tests/ui/ui_test_support.h"
#include "ui/base/control.h"
#include "ui/builder/window_impl_base.h"

using namespace Ulmar;

namespace {

// A drawn button for these tests: a press and release over it sends "click".
class TestButton : public CControlUI {
public:
    const wchar_t* GetClassName() const override { return L"TestButtonUI"; }
    void HandleEvent(TControlEvent& event) override {
        if (event.type == UIEVENT_BUTTONUP && manager_ && ::PtInRect(&itemRect_, event.mouse)) {
            manager_->SendNotify(this, NotifyType::kClick);
            return;
        }
        if (event.type == UIEVENT_BUTTONDOWN) return;
        CControlUI::HandleEvent(event);
    }
};

constexpr wchar_t kSkin[] =
    L"<Window size=\"400,300\" caption=\"0,0,0,280\" sizebox=\"SIZEBOX\">"
    L"<VerticalLayout name=\"root\" bkcolor=\"#FF808080\">"
    L"<Control name=\"lab_title\" height=\"40\" bkcolor=\"#FF202020\"/>"
    L"<HorizontalLayout height=\"40\"><Control/><TestButton name=\"BUTTON\" width=\"60\" bkcolor=\"#FFFF0000\"/>"
    L"</HorizontalLayout><Control/></VerticalLayout></Window>";

class SkinWindow : public WindowImplBase {
public:
    SkinWindow(const wchar_t* sizeBox, const wchar_t* buttonName) {
        std::wstring skin = kSkin;
        skin.replace(skin.find(L"SIZEBOX"), 7, sizeBox);
        skin.replace(skin.find(L"BUTTON"), 6, buttonName);
        skin_ = skin;
    }
    CControlUI* CreateControl(const wchar_t* className) override {
        return std::wstring(className) == L"TestButton" ? new TestButton() : nullptr;
    }
    void Notify(TNotifyEvent& msg) override {
        if (msg.type == NotifyType::kClick) ++clicks;
        WindowImplBase::Notify(msg);
    }
    HWND Open(int x = 100, int y = 100) {
        return Create(nullptr, L"ulmar window test", WS_POPUP | WS_VISIBLE, 0, x, y, 10, 10);
    }
    int clicks = 0;

protected:
    const wchar_t* GetWindowClassName() const override { return L"UlmarWindowTest"; }
    CUiString GetSkinFile() override { return CUiString(skin_.c_str()); }

private:
    std::wstring skin_;
};

LRESULT HitTest(HWND hwnd, int x, int y) {
    POINT pt = {x, y};
    ::ClientToScreen(hwnd, &pt);
    return ::SendMessageW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
}

void SendMouse(DWORD flags, int x = 0, int y = 0) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        input.mi.dx = x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    ::SendInput(1, &input, sizeof(input));
}

void MoveTo(int x, int y) { SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, x, y); }

bool LaidOut(SkinWindow& window) {
    uitest::Flush(window.GetHWND());
    CControlUI* root = window.GetPaintManager().GetRoot();
    return uitest::PumpUntil([&] { return root && root->GetWidth() == 400; });
}

}  // namespace

TEST(WindowBase, CaptionDragsOverLabelsAndClicksThroughButtons) {
    SkinWindow window(L"0,0,0,0", L"btn_in_caption");
    ASSERT_NE(nullptr, window.Open());
    ASSERT_TRUE(LaidOut(window));
    const HWND hwnd = window.GetHWND();
    EXPECT_EQ(HTCAPTION, HitTest(hwnd, 20, 20));   // on the label
    EXPECT_EQ(HTCAPTION, HitTest(hwnd, 100, 60));  // on a plain control inside a layout
    EXPECT_EQ(HTCLIENT, HitTest(hwnd, 370, 60));   // on the button
    EXPECT_EQ(HTCLIENT, HitTest(hwnd, 20, 290));   // below the caption's 280

    // Real input comes from another thread: a drag runs the system's move loop
    // inside this thread's dispatch, which only the button release ends.
    POINT button = {370, 60};
    ::ClientToScreen(hwnd, &button);
    POINT label = {20, 20};
    ::ClientToScreen(hwnd, &label);
    RECT before;
    ::GetWindowRect(hwnd, &before);
    std::atomic<bool> done{false};
    std::thread input([&] {
        MoveTo(button.x, button.y);
        ::Sleep(100);
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        ::Sleep(100);
        SendMouse(MOUSEEVENTF_LEFTUP);
        ::Sleep(300);
        MoveTo(label.x, label.y);
        ::Sleep(100);
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        for (int step = 1; step <= 5; ++step) {
            ::Sleep(60);
            MoveTo(label.x + step * 10, label.y + step * 6);
        }
        ::Sleep(200);
        SendMouse(MOUSEEVENTF_LEFTUP);
        done = true;
    });
    uitest::PumpUntil([&] { return done.load(); }, 10000);
    input.join();
    RECT after = before;
    EXPECT_TRUE(uitest::PumpUntil([&] {
        ::GetWindowRect(hwnd, &after);
        return after.left == before.left + 50 && after.top == before.top + 30;
    })) << "window at " << after.left << "," << after.top << " from " << before.left << "," << before.top;
    EXPECT_EQ(1, window.clicks);
    ::DestroyWindow(hwnd);
}

TEST(WindowBase, SizeBoxGivesSizingEdgesOnlyWhenNotZero) {
    {
        SkinWindow window(L"0,0,0,0", L"b");
        ASSERT_NE(nullptr, window.Open());
        ASSERT_TRUE(LaidOut(window));
        for (POINT pt : {POINT{0, 150}, POINT{399, 150}, POINT{0, 0}, POINT{399, 299}, POINT{200, 299}}) {
            const LRESULT hit = HitTest(window.GetHWND(), pt.x, pt.y);
            EXPECT_TRUE(hit == HTCLIENT || hit == HTCAPTION) << pt.x << "," << pt.y << " -> " << hit;
        }
        ::DestroyWindow(window.GetHWND());
    }
    SkinWindow window(L"4,4,4,4", L"b");
    ASSERT_NE(nullptr, window.Open());
    ASSERT_TRUE(LaidOut(window));
    const HWND hwnd = window.GetHWND();
    EXPECT_EQ(HTLEFT, HitTest(hwnd, 1, 150));
    EXPECT_EQ(HTRIGHT, HitTest(hwnd, 398, 150));
    EXPECT_EQ(HTTOPLEFT, HitTest(hwnd, 1, 1));
    EXPECT_EQ(HTTOP, HitTest(hwnd, 200, 1));
    EXPECT_EQ(HTBOTTOMRIGHT, HitTest(hwnd, 398, 298));
    EXPECT_EQ(HTCAPTION, HitTest(hwnd, 200, 20));
    ::DestroyWindow(hwnd);
}

TEST(WindowBase, CloseButtonEndsShowModalWithOne) {
    SkinWindow window(L"0,0,0,0", L"closebtn");
    ASSERT_NE(nullptr, window.Open());
    ASSERT_TRUE(LaidOut(window));
    POINT button = {370, 60};
    ::ClientToScreen(window.GetHWND(), &button);
    // Real input from another thread while this one runs the modal loop.
    std::thread clicker([button] {
        ::Sleep(300);
        MoveTo(button.x, button.y);
        ::Sleep(50);
        SendMouse(MOUSEEVENTF_LEFTDOWN);
        ::Sleep(50);
        SendMouse(MOUSEEVENTF_LEFTUP);
    });
    // Without a click the loop would never end: close with another code instead.
    const HWND hwnd = window.GetHWND();
    std::thread watchdog([hwnd] {
        ::Sleep(8000);
        if (::IsWindow(hwnd)) ::PostMessageW(hwnd, WM_CLOSE, 99, 0);
    });
    const UINT result = window.ShowModal();
    watchdog.detach();
    clicker.join();
    EXPECT_EQ(1u, result);
    EXPECT_EQ(1, window.clicks);
    EXPECT_FALSE(::IsWindow(window.GetHWND()));
}

TEST(WindowBase, QuitInsideShowModalEndsBothLoops) {
    SkinWindow window(L"0,0,0,0", L"b");
    ASSERT_NE(nullptr, window.Open());
    ::PostQuitMessage(7);
    EXPECT_EQ(0u, window.ShowModal());
    EXPECT_TRUE(::IsWindow(window.GetHWND()));
    MSG msg = {};
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, msg.wParam);
    ::DestroyWindow(window.GetHWND());
}

namespace {

// Deletes itself when its window goes; its freed memory is scribbled over so
// that any later use of the object crashes the test instead of passing quietly.
class SelfDeletingWindow : public SkinWindow {
public:
    SelfDeletingWindow() : SkinWindow(L"0,0,0,0", L"btn_bye") {}
    static void operator delete(void* p) {
        std::memset(p, 0xDD, sizeof(SelfDeletingWindow));
        ::operator delete(p);
    }
    void Notify(TNotifyEvent& msg) override {
        if (msg.type == NotifyType::kClick) {
            ::DestroyWindow(GetHWND());  // deletes this object
            return;
        }
        SkinWindow::Notify(msg);
    }
    static std::atomic<int> finals;

protected:
    void OnFinalMessage(HWND window) override {
        WindowImplBase::OnFinalMessage(window);
        ++finals;
        delete this;
    }
};
std::atomic<int> SelfDeletingWindow::finals{0};

}  // namespace

TEST(WindowBase, DispatchSurvivesAHandlerThatDeletesItsWindow) {
    auto* window = new SelfDeletingWindow();
    const HWND hwnd = window->Open();
    ASSERT_NE(nullptr, hwnd);
    ASSERT_TRUE(LaidOut(*window));
    const LPARAM at = MAKELPARAM(370, 60);
    ::SendMessageW(hwnd, WM_MOUSEMOVE, 0, at);
    ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(hwnd, WM_LBUTTONUP, 0, at);  // the click deletes the window inside this call
    uitest::PumpFor(100);
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(1, SelfDeletingWindow::finals.load());
}

TEST(WindowBase, NotificationMapChainsToTheBaseTable) {
    SkinWindow window(L"0,0,0,0", L"minbtn");
    ASSERT_NE(nullptr, window.Open());
    ASSERT_TRUE(LaidOut(window));
    CControlUI* button = window.GetPaintManager().FindControl(L"minbtn");
    ASSERT_NE(nullptr, button);
    TNotifyEvent msg;
    msg.type = NotifyType::kClick;
    msg.sender = button;
    EXPECT_TRUE(window.LoopDispatch(msg));  // WindowImplBase's "click" entry
    EXPECT_TRUE(uitest::PumpUntil([&] { return ::IsIconic(window.GetHWND()) != FALSE; }));
    msg.type = L"nosuchtype";
    EXPECT_FALSE(window.LoopDispatch(msg));
    ::DestroyWindow(window.GetHWND());
}

namespace {

BOOL CALLBACK FindShadow(HWND hwnd, LPARAM param) {
    wchar_t name[64] = {};
    ::GetClassNameW(hwnd, name, 64);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == ::GetCurrentProcessId() && std::wstring(name) == L"UlmarShadowWnd") {
        *reinterpret_cast<HWND*>(param) = hwnd;
        return FALSE;
    }
    return TRUE;
}

class ShadowWindow : public WindowImplBase {
public:
    explicit ShadowWindow(const wchar_t* skin) : skin_(skin) {}

protected:
    const wchar_t* GetWindowClassName() const override { return L"UlmarShadowTest"; }
    CUiString GetSkinFile() override { return CUiString(skin_); }

private:
    const wchar_t* skin_;
};

HWND ShadowOf(const wchar_t* skin) {
    ShadowWindow window(skin);
    const HWND hwnd = window.Create(nullptr, L"shadow", WS_POPUP | WS_VISIBLE, 0, 200, 200, 300, 200);
    if (!hwnd) return nullptr;
    uitest::Flush(hwnd);
    uitest::PumpFor(100);
    HWND shadow = nullptr;
    ::EnumWindows(&FindShadow, reinterpret_cast<LPARAM>(&shadow));
    ::DestroyWindow(hwnd);
    uitest::PumpFor(50);
    return shadow;
}

}  // namespace

TEST(WindowBase, SkinWithShowShadowGetsAShadowWindow) {
    EXPECT_EQ(nullptr, ShadowOf(L"<Window size=\"300,200\"><Control/></Window>"));
    EXPECT_NE(nullptr, ShadowOf(L"<Window size=\"300,200\" showshadow=\"true\" shadowsize=\"6\" "
                                L"shadowcolor=\"#FF000000\"><Control/></Window>"));
}

namespace {

int FontHeight(HFONT font) {
    LOGFONTW lf = {};
    return ::GetObjectW(font, sizeof(lf), &lf) ? std::abs(lf.lfHeight) : 0;
}

RECT WindowRect(HWND hwnd) {
    RECT rc = {};
    ::GetWindowRect(hwnd, &rc);
    return rc;
}

}  // namespace

// Moved to a monitor of another scale: the window takes the rectangle Windows suggests and
// lays out, draws text and casts its shadow at the new scale.
TEST(WindowBase, DpiChangeRelaysOutTheWindowItsFontsAndShadow) {
    ShadowWindow window(L"<Window size=\"300,200\" caption=\"0,0,0,30\" showshadow=\"true\" shadowsize=\"6\" "
                        L"shadowcolor=\"#FF000000\"><VerticalLayout><Label name=\"head\" height=\"40\" text=\"Hi\"/>"
                        L"<Control/></VerticalLayout></Window>");
    const HWND hwnd = window.Create(nullptr, L"dpi", WS_POPUP | WS_VISIBLE, 0, 200, 200, 300, 200);
    ASSERT_NE(nullptr, hwnd);
    CPaintManagerUI& pm = window.GetPaintManager();
    ASSERT_EQ(100, pm.GetDPIScale()) << "the test display runs at 96 DPI";
    CControlUI* head = pm.FindControl(L"head");
    ASSERT_NE(nullptr, head);
    uitest::Flush(hwnd);
    ASSERT_TRUE(uitest::PumpUntil([&] { return head->GetHeight() == 40; }));
    HWND shadow = nullptr;
    ::EnumWindows(&FindShadow, reinterpret_cast<LPARAM>(&shadow));
    ASSERT_NE(nullptr, shadow);
    const int fontBefore = FontHeight(pm.GetDefaultFontInfoFont());
    ASSERT_GT(fontBefore, 0);

    RECT suggested = {150, 120, 150 + 600, 120 + 400};
    ::SendMessageW(hwnd, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    uitest::Flush(hwnd);

    const RECT rc = WindowRect(hwnd);
    EXPECT_EQ(150, rc.left);
    EXPECT_EQ(120, rc.top);
    EXPECT_EQ(600, rc.right - rc.left);
    EXPECT_EQ(400, rc.bottom - rc.top);
    EXPECT_EQ(200, pm.GetDPIScale());
    EXPECT_TRUE(uitest::PumpUntil([&] { return head->GetHeight() == 80 && head->GetWidth() == 600; }))
        << head->GetWidth() << "x" << head->GetHeight();
    EXPECT_EQ(60, pm.GetCaptionRect().bottom);
    EXPECT_EQ(2 * fontBefore, FontHeight(pm.GetDefaultFontInfoFont()));
    // The shadow reaches twice as far around the moved window.
    EXPECT_TRUE(uitest::PumpUntil([&] {
        const RECT s = WindowRect(shadow);
        return s.left == rc.left - 12 && s.top == rc.top - 12 && s.right == rc.right + 12 && s.bottom == rc.bottom + 12;
    })) << WindowRect(shadow).left << "," << WindowRect(shadow).top;
    ::DestroyWindow(hwnd);
    uitest::PumpFor(50);
}

// ---- a missing skin, in a child process ----

namespace {

class MissingSkinWindow : public WindowImplBase {
protected:
    const wchar_t* GetWindowClassName() const override { return L"UlmarMissingSkin"; }
    CUiString GetSkinFile() override { return CUiString(L"no_such_skin.xml"); }
};

struct BoxSearch {
    DWORD pid;
    HWND box;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<BoxSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    wchar_t title[64] = {};
    ::GetWindowTextW(hwnd, title, 64);
    if (pid == search->pid && std::wstring(title) == L"Ulmar") {
        search->box = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectText(HWND child, LPARAM param) {
    wchar_t text[256] = {};
    ::GetWindowTextW(child, text, 256);
    *reinterpret_cast<std::wstring*>(param) += text;
    return TRUE;
}

}  // namespace

// Run only as the child of the test below.
TEST(WindowBaseChild, DISABLED_MissingSkin) {
    MissingSkinWindow window;
    window.Create(nullptr, L"missing", WS_POPUP, 0, 0, 0, 100, 100);
    FAIL() << "the process should have ended";
}

TEST(WindowBase, MissingSkinShowsTheFileNameAndExitsWithOne) {
    wchar_t exe[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring command = std::wstring(L"\"") + exe +
                           L"\" --gtest_also_run_disabled_tests --gtest_filter=WindowBaseChild.DISABLED_MissingSkin";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(::CreateProcessW(exe, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    win::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);

    BoxSearch search = {pi.dwProcessId, nullptr};
    for (int i = 0; i < 300 && !search.box; ++i) {
        ::Sleep(50);
        ::EnumWindows(&FindBox, reinterpret_cast<LPARAM>(&search));
    }
    ASSERT_NE(nullptr, search.box) << "no message box appeared";
    std::wstring text;
    ::EnumChildWindows(search.box, &CollectText, reinterpret_cast<LPARAM>(&text));
    EXPECT_NE(std::wstring::npos, text.find(L"加载资源文件失败：no_such_skin.xml")) << "box text missing";
    ::PostMessageW(search.box, WM_COMMAND, IDOK, 0);

    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(process.get(), 30000));
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    EXPECT_EQ(1u, code);
}
