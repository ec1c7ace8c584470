// The paint manager in real windows: notifications, timers, focus, input
// routing and painting, driven by real messages.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/ui/ui_test_support.h"
#include "ui/base/image.h"
#include "ui/base/paint_manager.h"

using namespace Ulmar;
using uitest::ProbeControl;
using uitest::TestContainer;
using uitest::TestWindow;

namespace {

// Records every notification it receives.
struct Recorder : INotifyUI {
    struct Entry {
        std::wstring type;
        CControlUI* sender;
        WPARAM wParam;
        POINT mouse;
    };
    std::vector<Entry> entries;
    std::function<void(TNotifyEvent&)> onNotify;
    void Notify(TNotifyEvent& msg) override {
        entries.push_back(Entry{msg.type.str(), msg.sender, msg.wParam, msg.mouse});
        if (onNotify) onNotify(msg);
    }
    int Count(const wchar_t* type) const {
        int n = 0;
        for (const Entry& e : entries) n += e.type == type;
        return n;
    }
};

// Root 300x200 with children placed by "pos"; returns the root.
TestContainer* AttachTree(CPaintManagerUI& pm, std::vector<CControlUI*> children) {
    auto* root = new TestContainer();
    root->SetBkColor(0xFFFFFFFF);
    for (CControlUI* child : children) root->Add(child);
    pm.AttachDialog(root);
    return root;
}

ProbeControl* Probe(const wchar_t* pos, UINT flags = 0, const wchar_t* name = nullptr) {
    auto* control = new ProbeControl(flags, name);
    control->SetAttribute(L"pos", pos);
    return control;
}

int CountQueued(HWND hwnd, UINT message) {
    // Takes the queued messages out, counts them and puts them back in order.
    std::vector<MSG> taken;
    MSG msg;
    while (::PeekMessageW(&msg, hwnd, message, message, PM_REMOVE)) taken.push_back(msg);
    for (const MSG& m : taken) ::PostMessageW(m.hwnd, m.message, m.wParam, m.lParam);
    return static_cast<int>(taken.size());
}

}  // namespace

// ---- notifications ----

TEST(PaintManagerNotify, TwoAsyncNotificationsPostOnceAndArriveInOrder) {
    TestWindow w(300, 200);
    auto* a = Probe(L"0,0,50,50");
    AttachTree(w.pm(), {a});
    Recorder recorder;
    w.pm().AddNotifier(&recorder);
    MSG drop;
    while (::PeekMessageW(&drop, w.hwnd(), WM_UI_DRAIN, WM_UI_DRAIN, PM_REMOVE)) {}

    w.pm().SendNotify(a, L"first", 1, 0, true);
    w.pm().SendNotify(a, L"second", 2, 0, true);
    EXPECT_TRUE(recorder.entries.empty()) << "asynchronous notifications wait for the queue drain";
    EXPECT_EQ(1, CountQueued(w.hwnd(), WM_UI_DRAIN));

    ASSERT_TRUE(uitest::PumpUntil([&] { return recorder.Count(L"second") == 1; }));
    std::vector<std::wstring> order;
    for (const auto& e : recorder.entries) {
        if (e.type == L"first" || e.type == L"second") order.push_back(e.type);
    }
    EXPECT_EQ((std::vector<std::wstring>{L"first", L"second"}), order);
    EXPECT_EQ(a, recorder.entries.back().sender);
    w.pm().RemoveNotifier(&recorder);
}

TEST(PaintManagerNotify, ControlDeletedWhileQueuedIsDeliveredWithoutSender) {
    TestWindow w(300, 200);
    auto* a = Probe(L"0,0,50,50", 0, L"a");
    auto* root = AttachTree(w.pm(), {a});
    Recorder recorder;
    w.pm().AddNotifier(&recorder);

    w.pm().SendNotify(a, L"gone", 0, 0, true);
    delete root->Remove(a);
    EXPECT_EQ(nullptr, w.pm().FindControl(L"a")) << "the name map forgets a destroyed control";

    ASSERT_TRUE(uitest::PumpUntil([&] { return recorder.Count(L"gone") == 1; }));
    for (const auto& e : recorder.entries) {
        if (e.type == L"gone") {
            EXPECT_EQ(nullptr, e.sender);
        }
    }
    w.pm().RemoveNotifier(&recorder);
}

TEST(PaintManagerNotify, SynchronousGoesToSenderDelegatesThenNotifiersWithMousePoint) {
    TestWindow w(300, 200);
    auto* a = Probe(L"0,0,50,50");
    AttachTree(w.pm(), {a});
    std::vector<std::wstring> calls;
    a->OnNotify += [&](void* p) {
        calls.push_back(L"delegate:" + static_cast<TNotifyEvent*>(p)->type.str());
        return true;
    };
    Recorder recorder;
    recorder.onNotify = [&](TNotifyEvent& msg) { calls.push_back(L"notifier:" + msg.type.str()); };
    w.pm().AddNotifier(&recorder);
    ::SendMessageW(w.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(7, 9));
    calls.clear();
    recorder.entries.clear();

    w.pm().SendNotify(a, L"now", 5, 0, false);
    EXPECT_EQ((std::vector<std::wstring>{L"delegate:now", L"notifier:now"}), calls);
    ASSERT_EQ(1u, recorder.entries.size());
    EXPECT_EQ(7, recorder.entries[0].mouse.x);
    EXPECT_EQ(9, recorder.entries[0].mouse.y);
    EXPECT_EQ(5u, recorder.entries[0].wParam);
    w.pm().RemoveNotifier(&recorder);
}

TEST(PaintManagerNotify, NotifierThatDestroysTheWindowAndManagerEndsDispatchSafely) {
    auto* w = new TestWindow(300, 200);
    auto* a = Probe(L"0,0,50,50");
    AttachTree(w->pm(), {a});
    Recorder first;
    Recorder second;
    first.onNotify = [&](TNotifyEvent&) {
        // A window closing itself from a notification.
        CPaintManagerUI* pm = w->ReleaseManager();
        w->Destroy();
        delete pm;
    };
    w->pm().AddNotifier(&first);
    w->pm().AddNotifier(&second);
    w->pm().SendNotify(a, L"close", 0, 0, true);
    ASSERT_TRUE(uitest::PumpUntil([&] { return first.Count(L"close") == 1; }));
    uitest::PumpFor(50);
    EXPECT_EQ(0, second.Count(L"close")) << "nothing is delivered by a manager that is gone";
    delete w;
}

TEST(PaintManagerNotify, FirstPaintSendsWindowInitOnceAndWindowSizeAfterLayout) {
    TestWindow w(300, 200);
    auto* root = AttachTree(w.pm(), {Probe(L"0,0,50,50")});
    Recorder recorder;
    w.pm().AddNotifier(&recorder);
    ::InvalidateRect(w.hwnd(), nullptr, FALSE);
    ASSERT_TRUE(uitest::PumpUntil([&] { return recorder.Count(L"windowsize") == 1; }));
    EXPECT_EQ(1, recorder.Count(L"windowinit"));
    EXPECT_EQ(root, recorder.entries.front().sender);
    EXPECT_EQ(L"windowinit", recorder.entries.front().type);

    root->NeedUpdate();
    ASSERT_TRUE(uitest::PumpUntil([&] { return recorder.Count(L"windowsize") == 2; }));
    EXPECT_EQ(1, recorder.Count(L"windowinit"));
    w.pm().RemoveNotifier(&recorder);
}

// ---- message filters ----

struct MouseEater : IMessageFilterUI {
    LRESULT MessageHandler(UINT message, WPARAM, LPARAM, bool& handled) override {
        if (message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN) handled = true;
        return 42;
    }
};

TEST(PaintManagerFilters, HandledMouseMessageReachesNoControlButMovesTheMousePoint) {
    TestWindow w(300, 200);
    auto* a = Probe(L"10,10,60,60");
    AttachTree(w.pm(), {a});
    uitest::Flush(w.hwnd());
    MouseEater eater;
    w.pm().AddMessageFilter(&eater);
    LRESULT result = 0;
    EXPECT_TRUE(w.pm().MessageHandler(WM_MOUSEMOVE, 0, MAKELPARAM(20, 30), result));
    EXPECT_EQ(42, result);
    EXPECT_TRUE(w.pm().MessageHandler(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(25, 35), result));
    EXPECT_EQ(0, a->Count(UIEVENT_MOUSEENTER));
    EXPECT_EQ(0, a->Count(UIEVENT_BUTTONDOWN));
    EXPECT_EQ(25, w.pm().GetMousePos().x);
    EXPECT_EQ(35, w.pm().GetMousePos().y);

    w.pm().RemoveMessageFilter(&eater);
    ::SendMessageW(w.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 30));
    EXPECT_EQ(1, a->Count(UIEVENT_MOUSEENTER));
    EXPECT_EQ(1, a->Count(UIEVENT_MOUSEMOVE));
}

// ---- timers ----

TEST(PaintManagerTimers, FirstNativeIdIs17AndKillThenSetReusesIt) {
    TestWindow w(300, 200);
    auto* a = Probe(L"0,0,50,50");
    auto* b = Probe(L"50,0,100,50");
    AttachTree(w.pm(), {a, b});
    ASSERT_TRUE(w.pm().SetTimer(a, 7, 100000));
    EXPECT_FALSE(w.pm().SetTimer(a, 7, 100000)) << "a live timer is not set twice";

    ::SendMessageW(w.hwnd(), WM_TIMER, 17, 0);
    ASSERT_EQ(1, a->Count(UIEVENT_TIMER));
    EXPECT_EQ(7u, a->events.back().wParam) << "the control sees its own id";

    ASSERT_TRUE(w.pm().KillTimer(a, 7));
    ::SendMessageW(w.hwnd(), WM_TIMER, 17, 0);
    EXPECT_EQ(1, a->Count(UIEVENT_TIMER)) << "a killed timer is not delivered";

    ASSERT_TRUE(w.pm().SetTimer(b, 1, 100000));  // takes the next id, 18
    ASSERT_TRUE(w.pm().SetTimer(a, 7, 100000));  // re-armed with 17
    ::SendMessageW(w.hwnd(), WM_TIMER, 17, 0);
    EXPECT_EQ(2, a->Count(UIEVENT_TIMER));
    EXPECT_EQ(0, b->Count(UIEVENT_TIMER));
    ::SendMessageW(w.hwnd(), WM_TIMER, 18, 0);
    EXPECT_EQ(1, b->Count(UIEVENT_TIMER));
}

TEST(PaintManagerTimers, RealTimerFiresAndStopsWithItsControl) {
    TestWindow w(300, 200);
    auto* a = Probe(L"0,0,50,50");
    auto* root = AttachTree(w.pm(), {a});
    Recorder recorder;
    w.pm().AddNotifier(&recorder);
    ASSERT_TRUE(w.pm().SetTimer(a, 3, 20));
    ASSERT_TRUE(uitest::PumpUntil([&] { return a->Count(UIEVENT_TIMER) >= 2; }));
    EXPECT_GE(recorder.Count(L"timer"), 2) << "the base control turns timer events into notifications";
    delete root->Remove(a);  // its timers go with it
    const int before = recorder.Count(L"timer");
    uitest::PumpFor(120);
    EXPECT_EQ(before, recorder.Count(L"timer"));
    w.pm().RemoveNotifier(&recorder);
}

// ---- focus ----

TEST(PaintManagerFocus, TabWrapsForwardAndShiftTabBackward) {
    TestWindow w(300, 200);
    auto* a = Probe(L"0,0,50,50", UIFLAG_TABSTOP);
    auto* plain = Probe(L"50,0,100,50");
    auto* b = Probe(L"100,0,150,50", UIFLAG_TABSTOP);
    auto* c = Probe(L"150,0,200,50", UIFLAG_TABSTOP);
    AttachTree(w.pm(), {a, plain, b, c});
    ::SetForegroundWindow(w.hwnd());
    uitest::Flush(w.hwnd());  // first paint: layout and the pending first focus
    EXPECT_EQ(a, w.pm().GetFocus()) << "the first paint focuses the first tab stop";

    auto tab = [&](bool shift) {
        BYTE keys[256];
        ::GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        ::SetKeyboardState(keys);
        ::PostMessageW(w.hwnd(), WM_KEYDOWN, VK_TAB, 0);
        uitest::PumpFor(30);
        keys[VK_SHIFT] = 0;
        ::SetKeyboardState(keys);
    };
    tab(false);
    EXPECT_EQ(b, w.pm().GetFocus()) << "a control without the tab-stop flag is skipped";
    tab(false);
    EXPECT_EQ(c, w.pm().GetFocus());
    tab(false);
    EXPECT_EQ(a, w.pm().GetFocus()) << "Tab from the last wraps to the first";
    tab(true);
    EXPECT_EQ(c, w.pm().GetFocus()) << "Shift+Tab from the first wraps to the last";
    tab(true);
    EXPECT_EQ(b, w.pm().GetFocus());
    EXPECT_GE(c->Count(UIEVENT_KILLFOCUS), 1);
}

TEST(PaintManagerFocus, SetFocusSendsKillAndSetNotificationsAndSkipsHiddenControls) {
    TestWindow w(300, 200);
    auto* a = Probe(L"0,0,50,50");
    auto* b = Probe(L"50,0,100,50");
    AttachTree(w.pm(), {a, b});
    Recorder recorder;
    w.pm().AddNotifier(&recorder);
    w.pm().SetFocus(a);
    w.pm().SetFocus(b);
    ASSERT_EQ(3u, recorder.entries.size());
    EXPECT_EQ(L"setfocus", recorder.entries[0].type);
    EXPECT_EQ(L"killfocus", recorder.entries[1].type);
    EXPECT_EQ(a, recorder.entries[1].sender);
    EXPECT_EQ(L"setfocus", recorder.entries[2].type);
    EXPECT_TRUE(b->IsFocused());
    EXPECT_FALSE(a->IsFocused());

    b->SetVisible(false);
    EXPECT_EQ(nullptr, w.pm().GetFocus()) << "hiding the focused control clears the focus";
    w.pm().SetFocus(b);
    EXPECT_EQ(nullptr, w.pm().GetFocus()) << "an invisible control cannot take the focus";
    w.pm().RemoveNotifier(&recorder);
}

TEST(PaintManagerFocus, NoActivateKeepsTheKeyboardFocusWhereItWas) {
    TestWindow other(100, 100);
    TestWindow w(300, 200);
    auto* a = Probe(L"0,0,50,50");
    AttachTree(w.pm(), {a});
    uitest::Flush(w.hwnd());

    w.pm().SetNoActivate(true);
    ::SetForegroundWindow(other.hwnd());
    ::SetFocus(other.hwnd());
    uitest::PumpFor(20);
    ASSERT_EQ(other.hwnd(), ::GetFocus());
    ::SendMessageW(w.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ::SendMessageW(w.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(1, a->Count(UIEVENT_BUTTONDOWN));
    EXPECT_EQ(other.hwnd(), ::GetFocus()) << "noactivate: a press leaves the focus alone";

    w.pm().SetNoActivate(false);
    ::SendMessageW(w.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ::SendMessageW(w.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(w.hwnd(), ::GetFocus());
}

TEST(PaintManagerInput, PressOnAnotherManagersControlIsIgnored) {
    TestWindow w(300, 200);
    CPaintManagerUI other;
    auto* mine = Probe(L"0,0,50,50");
    auto* foreign = Probe(L"100,0,150,50");
    AttachTree(w.pm(), {mine, foreign});
    foreign->SetManager(&other, foreign->GetParent(), false);
    uitest::Flush(w.hwnd());

    ::SendMessageW(w.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(110, 10));
    ::SendMessageW(w.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(110, 10));
    EXPECT_EQ(0, foreign->Count(UIEVENT_BUTTONDOWN));
    EXPECT_EQ(0, foreign->Count(UIEVENT_BUTTONUP));
    EXPECT_FALSE(w.pm().IsCaptured());

    ::SendMessageW(w.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_TRUE(w.pm().IsCaptured());
    ::SendMessageW(w.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(1, mine->Count(UIEVENT_BUTTONDOWN));
    EXPECT_EQ(1, mine->Count(UIEVENT_BUTTONUP));
    EXPECT_FALSE(w.pm().IsCaptured());
    foreign->SetManager(&w.pm(), foreign->GetParent(), false);
}

TEST(PaintManagerInput, HoverEnterLeaveAndClickedControlKeepsTheMoves) {
    TestWindow w(300, 200);
    auto* a = Probe(L"0,0,50,50");
    auto* b = Probe(L"100,0,150,50");
    AttachTree(w.pm(), {a, b});
    uitest::Flush(w.hwnd());
    ::SendMessageW(w.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(1, a->Count(UIEVENT_MOUSEENTER));
    ::SendMessageW(w.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(110, 10));
    EXPECT_EQ(1, a->Count(UIEVENT_MOUSELEAVE));
    EXPECT_EQ(1, b->Count(UIEVENT_MOUSEENTER));

    // While a is pressed it gets the moves, wherever the mouse is.
    ::SendMessageW(w.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    const int movesBefore = a->Count(UIEVENT_MOUSEMOVE);
    ::SendMessageW(w.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(120, 20));
    EXPECT_EQ(movesBefore + 1, a->Count(UIEVENT_MOUSEMOVE));
    ::SendMessageW(w.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(120, 20));
    EXPECT_EQ(1, a->Count(UIEVENT_BUTTONUP));
}

TEST(PaintManagerInput, WheelGoesToTheControlUnderTheCursorNotTheFocusedOne) {
    TestWindow w(300, 200);
    auto* a = Probe(L"0,0,50,50");
    auto* b = Probe(L"100,0,150,50");
    AttachTree(w.pm(), {a, b});
    uitest::Flush(w.hwnd());
    w.pm().SetFocus(a);
    POINT screen = {110, 10};
    ::ClientToScreen(w.hwnd(), &screen);
    ::SendMessageW(w.hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
                   MAKELPARAM(screen.x, screen.y));
    ASSERT_EQ(1, b->Count(UIEVENT_SCROLLWHEEL));
    EXPECT_EQ(0, a->Count(UIEVENT_SCROLLWHEEL));
    for (const auto& e : b->events) {
        if (e.type == UIEVENT_SCROLLWHEEL) {
            EXPECT_EQ(SB_LINEDOWN, LOWORD(e.wParam));
        }
    }
}

TEST(PaintManagerInput, ControlDeletingItselfOnPressDoesNotCrashTheDispatch) {
    TestWindow w(300, 200);
    auto* a = Probe(L"0,0,50,50", 0, L"a");
    auto* root = AttachTree(w.pm(), {a});
    uitest::Flush(w.hwnd());
    a->OnEvent += [&](void* p) {
        auto* event = static_cast<TControlEvent*>(p);
        if (event->type == UIEVENT_BUTTONDOWN) {
            delete root->Remove(a);
            return false;  // it is gone: nothing more for it
        }
        return true;
    };
    ::SendMessageW(w.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    ::SendMessageW(w.hwnd(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(12, 12));
    ::SendMessageW(w.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(12, 12));
    EXPECT_EQ(nullptr, w.pm().FindControl(L"a"));
    EXPECT_EQ(nullptr, w.pm().GetFocus());
}

// ---- painting ----

TEST(PaintManagerPaint, PaintsTheTreeIntoTheOffscreenBitmapOnlyWhereInvalid) {
    TestWindow w(300, 200);
    auto* a = Probe(L"10,10,30,30");
    a->SetBkColor(0xFF0000FF);
    auto* b = Probe(L"100,10,120,30");
    b->SetBkColor(0xFF00FF00);
    AttachTree(w.pm(), {a, b});
    uitest::Flush(w.hwnd());
    EXPECT_EQ(0xFF0000FFu, uitest::OffscreenPixel(w.pm(), 15, 15) | 0xFF000000);
    EXPECT_EQ(0xFF00FF00u, uitest::OffscreenPixel(w.pm(), 105, 15) | 0xFF000000);
    EXPECT_EQ(0xFFFFFFFFu, uitest::OffscreenPixel(w.pm(), 50, 50) | 0xFF000000);
    EXPECT_EQ(RGB(0, 0, 255), uitest::ScreenPixel(w.hwnd(), 15, 15));

    // Change both colours but invalidate only a: only a's rectangle is repainted.
    const unsigned paints = w.pm().GetPaintStats().paints;
    a->SetBkColor(0xFFFF0000);
    b->SetBkColor(0xFF000000);
    ::ValidateRect(w.hwnd(), nullptr);  // drop both invalidations ...
    a->Invalidate();                    // ... and ask for a alone
    uitest::Flush(w.hwnd());
    EXPECT_EQ(paints + 1, w.pm().GetPaintStats().paints);
    const RECT last = w.pm().GetPaintStats().lastPaintRect;
    EXPECT_EQ(10, last.left);
    EXPECT_EQ(30, last.bottom);
    EXPECT_EQ(0xFFFF0000u, uitest::OffscreenPixel(w.pm(), 15, 15) | 0xFF000000);
    EXPECT_EQ(0xFF00FF00u, uitest::OffscreenPixel(w.pm(), 105, 15) | 0xFF000000)
        << "outside the update rectangle nothing is painted";
}

TEST(PaintManagerPaint, ShowDirtyOutlinesInRedOnlyWhenNotLayered) {
    TestWindow w(300, 200);
    auto* a = Probe(L"20,20,80,80");
    a->SetBkColor(0xFF0000FF);
    AttachTree(w.pm(), {a});
    uitest::Flush(w.hwnd());
    EXPECT_EQ(RGB(0, 0, 255), uitest::ScreenPixel(w.hwnd(), 20, 20));

    w.pm().SetShowUpdateRect(true);
    a->Invalidate();
    uitest::Flush(w.hwnd());
    EXPECT_EQ(RGB(220, 0, 0), uitest::ScreenPixel(w.hwnd(), 20, 20)) << "outline's top-left";
    EXPECT_EQ(RGB(220, 0, 0), uitest::ScreenPixel(w.hwnd(), 79, 79)) << "outline's bottom-right";
    EXPECT_EQ(RGB(0, 0, 255), uitest::ScreenPixel(w.hwnd(), 50, 50)) << "inside stays";
    EXPECT_NE(0xFFDC0000u, uitest::OffscreenPixel(w.pm(), 20, 20) | 0xFF000000)
        << "the outline is drawn on the screen, not into the bitmap";

    w.pm().SetLayered(true);
    ASSERT_TRUE(w.pm().IsLayered());
    uitest::Flush(w.hwnd());
    a->Invalidate();
    const unsigned layeredBefore = w.pm().GetPaintStats().layeredUpdates;
    uitest::Flush(w.hwnd());
    EXPECT_GT(w.pm().GetPaintStats().layeredUpdates, layeredBefore);
    EXPECT_EQ(0xFF0000FFu, uitest::OffscreenPixel(w.pm(), 20, 20)) << "no outline in a layered window";
}

TEST(PaintManagerPaint, LayeredWindowHandsPerPixelAlphaToUpdateLayeredWindow) {
    TestWindow w(200, 100);
    auto* root = new TestContainer();  // no background: transparent around the controls
    auto* solid = Probe(L"10,10,50,50");
    solid->SetBkColor(0xFFFF0000);
    auto* half = Probe(L"60,10,100,50");
    half->SetBkColor(0x80000000 | 0x0000FF);
    root->Add(solid);
    root->Add(half);
    w.pm().AttachDialog(root);
    w.pm().SetLayered(true);
    uitest::Flush(w.hwnd());

    EXPECT_TRUE(::GetWindowLongPtrW(w.hwnd(), GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_GE(w.pm().GetPaintStats().layeredUpdates, 1u) << "UpdateLayeredWindow succeeded";
    EXPECT_EQ(0xFFFF0000u, uitest::OffscreenPixel(w.pm(), 20, 20));
    const DWORD translucent = uitest::OffscreenPixel(w.pm(), 70, 20);
    EXPECT_NEAR(0x80, static_cast<int>(translucent >> 24), 2) << std::hex << translucent;
    EXPECT_EQ(0u, uitest::OffscreenPixel(w.pm(), 150, 80)) << "unpainted pixels stay transparent";
}

TEST(PaintManagerPaint, WithoutRootTheUpdateAreaIsBlack) {
    TestWindow w(100, 100);
    ::InvalidateRect(w.hwnd(), nullptr, FALSE);
    uitest::Flush(w.hwnd());
    EXPECT_EQ(RGB(0, 0, 0), uitest::ScreenPixel(w.hwnd(), 50, 50));
}

// ---- resources ----

TEST(PaintManagerResources, FontsByIdFallBackToTheDefaultAndReplaceByKey) {
    TestWindow w(100, 100);
    CPaintManagerUI& pm = w.pm();
    EXPECT_EQ(pm.GetFont(-1), pm.GetFont(99)) << "an unknown id gives the default font";
    HFONT first = pm.AddFont(3, L"Tahoma", 14, true, false, false, false);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, pm.GetFont(3));
    const TFontInfo* info = pm.GetFontInfo(3);
    ASSERT_NE(nullptr, info);
    EXPECT_TRUE(info->bold);
    EXPECT_EQ(14, info->size);
    EXPECT_GT(info->metrics.tmHeight, 0) << "metrics are measured on the window's DC";
    LOGFONTW lf = {};
    ::GetObjectW(first, sizeof(lf), &lf);
    EXPECT_EQ(-14, lf.lfHeight);
    EXPECT_EQ(FW_BOLD, lf.lfWeight);

    HFONT second = pm.AddFont(3, L"Tahoma", 20, false, false, false, false);
    EXPECT_EQ(second, pm.GetFont(3));
    EXPECT_EQ(0, ::GetObjectW(first, sizeof(lf), &lf)) << "the replaced font was deleted";

    pm.SetDefaultFont(L"Tahoma", 16, false, false, false, false);
    EXPECT_EQ(16, pm.GetDefaultFontInfo()->size);
    EXPECT_EQ(pm.GetDefaultFontInfo()->font.get(), pm.GetFont(-1));
}

TEST(PaintManagerResources, StylesKeepTheFirstValueListsAreReplacedOwnBeforeShared) {
    TestWindow w(100, 100);
    CPaintManagerUI& pm = w.pm();
    pm.AddStyle(L"s", L"bkcolor=\"#FF000001\"");
    pm.AddStyle(L"s", L"bkcolor=\"#FF000002\"");
    EXPECT_STREQ(L"bkcolor=\"#FF000001\"", pm.GetStyle(L"s"));
    pm.AddDefaultAttributeList(L"Button", L"a=\"1\"");
    pm.AddDefaultAttributeList(L"Button", L"a=\"2\"");
    EXPECT_STREQ(L"a=\"2\"", pm.GetDefaultAttributeList(L"Button"));
    pm.AddDefaultAttributeList(L"Label", L"shared=\"1\"", true);
    EXPECT_STREQ(L"shared=\"1\"", pm.GetDefaultAttributeList(L"Label"));
    pm.AddDefaultAttributeList(L"Label", L"own=\"1\"");
    EXPECT_STREQ(L"own=\"1\"", pm.GetDefaultAttributeList(L"Label"));
    EXPECT_EQ(nullptr, pm.GetDefaultAttributeList(L"Nothing"));
    pm.RemoveAllDefaultAttributeList(true);
    EXPECT_EQ(0xFFA7A6AAu, pm.GetDefaultDisabledColor());
    EXPECT_EQ(0xFFD3215Fu, pm.GetDefaultLinkHoverFontColor());
}

TEST(PaintManagerResources, InitEmptiesTheWindowTablesAndTheNameMap) {
    TestWindow w(100, 100);
    CPaintManagerUI& pm = w.pm();
    AttachTree(pm, {Probe(L"0,0,10,10", 0, L"x")});
    pm.AddFont(1, L"Tahoma", 12, false, false, false, false);
    pm.AddStyle(L"st", L"a=\"1\"");
    ASSERT_NE(nullptr, pm.FindControl(L"x"));
    pm.Init(w.hwnd(), L"again");
    EXPECT_EQ(nullptr, pm.FindControl(L"x"));
    EXPECT_EQ(nullptr, pm.GetStyle(L"st"));
    EXPECT_EQ(pm.GetFont(-1), pm.GetFont(1));
}

namespace {
// A 32-bit BMP file of one colour, as bytes.
std::vector<unsigned char> SolidBmp(int width, int height, DWORD argb) {
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = -height;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    const DWORD pixelBytes = static_cast<DWORD>(width * height * 4);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + pixelBytes;
    std::vector<unsigned char> bytes(file.bfSize);
    std::memcpy(bytes.data(), &file, sizeof(file));
    std::memcpy(bytes.data() + sizeof(file), &info, sizeof(info));
    for (int i = 0; i < width * height; ++i) std::memcpy(bytes.data() + file.bfOffBits + i * 4, &argb, 4);
    return bytes;
}
}  // namespace

TEST(PaintManagerResources, MissingScaledImageFallsBackToItsPlainName) {
    uitest::TempFile dotted(L"cpm.v2.bmp", SolidBmp(2, 2, 0xFFFF0000));
    uitest::TempFile plain(L"cpm.bmp", SolidBmp(3, 3, 0xFF00FF00));
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    CPaintManagerUI::SetResourcePath(folder);
    TestWindow w(100, 100);

    const CImageData* twoX = w.pm().AddImage(L"cpm@2x.bmp");
    ASSERT_NE(nullptr, twoX);
    EXPECT_EQ(3, twoX->width) << "from the first @ to the last dot goes";

    w.pm().GetDPIObj()->SetScale(144);  // 150 percent
    const CImageData* scaled = w.pm().AddImage(L"cpm@150.v2@150.bmp");
    ASSERT_NE(nullptr, scaled);
    EXPECT_EQ(2, scaled->width) << "only what scaling inserted is removed";
    EXPECT_EQ(scaled, w.pm().GetImage(L"cpm@150.v2@150.bmp")) << "kept under the name asked for";
    EXPECT_EQ(nullptr, w.pm().AddImage(L"nothing@150.bmp"));
    w.pm().GetDPIObj()->SetScale(96);
    CPaintManagerUI::SetResourcePath(L"");
}
