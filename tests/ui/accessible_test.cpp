// The window's controls as assistive technology reads them: the client area's
// IAccessible, asked in-process through AccessibleObjectFromWindow as a client
// would; the WinEvents the controls raise; the object outliving its window.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/ui/accessible_support.h"
#include "tests/ui/ui_test_support.h"
#include "ui/base/container.h"
#include "ui/base/paint_manager.h"
#include "ui/builder/dialog_builder.h"
#include "ui/controls/edit.h"
#include "ui/controls/option.h"
#include "ui/controls/progress.h"
#include "win/com.h"

using namespace Ulmar;
using uitest::TestWindow;

namespace {

const wchar_t kSkin[] =
    L"<Window size=\"300,200\"><VerticalLayout>"
    L"<HorizontalLayout height=\"40\">"
    L"<Label name=\"spacer\" width=\"10\" />"                              // nothing to say: left out
    L"<Button name=\"go\" width=\"60\" text=\"Go\" enabled=\"false\" />"
    L"<Button name=\"close\" width=\"20\" tooltip=\"Close\" />"             // named by its tooltip
    L"<Button name=\"pic\" width=\"20\" accname=\"Browse\" tooltip=\"x\" />"  // accname wins
    L"<Button name=\"terms\" width=\"60\" text=\"Terms\" accrole=\"link\" />"
    L"</HorizontalLayout>"
    L"<HorizontalLayout height=\"40\">"
    L"<CheckBox name=\"agree\" width=\"80\" text=\"Agree\" />"
    L"<Option name=\"a\" width=\"30\" text=\"A\" group=\"g\" />"
    L"<Edit name=\"path\" width=\"100\" accname=\"Folder\" text=\"C:\\x\" />"
    L"</HorizontalLayout>"
    L"<HorizontalLayout name=\"page\" height=\"40\">"
    L"<Text name=\"busy\" width=\"50\" text=\"Busy\" />"
    L"<Progress name=\"bar\" width=\"100\" min=\"0\" max=\"200\" value=\"50\" />"
    L"</HorizontalLayout>"
    L"<Label name=\"hidden\" height=\"20\" text=\"Hidden\" visible=\"false\" />"
    L"</VerticalLayout></Window>";

std::wstring Take(BSTR text) {
    std::wstring out = text ? std::wstring(text, ::SysStringLen(text)) : L"";
    ::SysFreeString(text);
    return out;
}

struct Window {
    TestWindow window{300, 200};
    win::ComPtr<IAccessible> client;

    Window() {
        CDialogBuilder builder;
        CControlUI* root = builder.Create(kSkin, nullptr, nullptr, window.manager());
        window.pm().AttachDialog(root);
        uitest::Flush(window.hwnd());
        ::AccessibleObjectFromWindow(window.hwnd(), OBJID_CLIENT, IID_IAccessible, client.put_void());
    }
    template <typename T>
    T* Find(const wchar_t* name) {
        return static_cast<T*>(window.pm().FindControl(name));
    }
    long Id(const wchar_t* controlName) { return window.pm().GetAccessibleChildId(window.pm().FindControl(controlName)); }
    // The children's ids as a client walks them (AccessibleChildren); empty on failure.
    std::vector<long> Ids() {
        long count = 0;
        if (client->get_accChildCount(&count) != S_OK) return {};
        std::vector<VARIANT> children(static_cast<size_t>(count) + 1);
        long got = 0;
        if (FAILED(::AccessibleChildren(client.get(), 0, count + 1, children.data(), &got))) return {};
        std::vector<long> ids;
        for (long i = 0; i < got; ++i) ids.push_back(children[i].vt == VT_I4 ? children[i].lVal : -1);
        return ids;
    }
    std::wstring Name(long id) {
        BSTR text = nullptr;
        client->get_accName(uitest::ChildId(id), &text);
        return Take(text);
    }
    std::wstring Value(long id) {
        BSTR text = nullptr;
        client->get_accValue(uitest::ChildId(id), &text);
        return Take(text);
    }
    long Role(long id) {
        VARIANT v;
        client->get_accRole(uitest::ChildId(id), &v);
        return v.vt == VT_I4 ? v.lVal : -1;
    }
    long State(long id) {
        VARIANT v;
        client->get_accState(uitest::ChildId(id), &v);
        return v.vt == VT_I4 ? v.lVal : -1;
    }
};

// WinEvents of one window, as a client hooked out of context receives them.
struct EventLog {
    static EventLog* current;
    HWND window;
    std::vector<std::pair<DWORD, long>> events;
    HWINEVENTHOOK hook;

    explicit EventLog(HWND w) : window(w) {
        current = this;
        hook = ::SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_VALUECHANGE, nullptr, Record, ::GetCurrentProcessId(),
                                 0, WINEVENT_OUTOFCONTEXT);
    }
    ~EventLog() {
        ::UnhookWinEvent(hook);
        current = nullptr;
    }
    static void CALLBACK Record(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
        if (current && hwnd == current->window && object == OBJID_CLIENT) current->events.push_back({event, child});
    }
    bool Saw(DWORD event, long child) {
        return uitest::PumpUntil([&] {
            for (const auto& e : events) {
                if (e.first == event && e.second == child) return true;
            }
            return false;
        });
    }
};
EventLog* EventLog::current = nullptr;

}  // namespace

TEST(Accessible, ChildrenAreTheShownControlsInTabOrderWithRolesAndNames) {
    win::ScopedCoInit com;
    Window w;
    ASSERT_TRUE(w.client);
    VARIANT self;
    ASSERT_EQ(S_OK, w.client->get_accRole(uitest::ChildId(CHILDID_SELF), &self));
    EXPECT_EQ(ROLE_SYSTEM_CLIENT, self.lVal);
    win::ComPtr<IDispatch> parent;
    EXPECT_EQ(S_OK, w.client->get_accParent(reinterpret_cast<IDispatch**>(parent.put_void())));
    EXPECT_TRUE(parent);

    long count = 0;
    ASSERT_EQ(S_OK, w.client->get_accChildCount(&count));
    const std::vector<long> ids = w.Ids();
    ASSERT_EQ(static_cast<size_t>(count), ids.size());
    std::vector<std::wstring> names;
    std::vector<long> roles;
    for (long id : ids) {
        names.push_back(w.Name(id));
        roles.push_back(w.Role(id));
    }
    EXPECT_EQ((std::vector<std::wstring>{L"Go", L"Close", L"Browse", L"Terms", L"Agree", L"A", L"Folder", L"Busy", L""}),
              names);
    EXPECT_EQ((std::vector<long>{ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_PUSHBUTTON,
                                 ROLE_SYSTEM_LINK, ROLE_SYSTEM_CHECKBUTTON, ROLE_SYSTEM_RADIOBUTTON, ROLE_SYSTEM_TEXT,
                                 ROLE_SYSTEM_STATICTEXT, ROLE_SYSTEM_PROGRESSBAR}),
              roles);
    // Values: the bar's share of its range, the edit's text.
    EXPECT_EQ(L"25%", w.Value(w.Id(L"bar")));
    EXPECT_EQ(L"C:\\x", w.Value(w.Id(L"path")));
    // Ids of no control, or of one kept from assistive technology, are refused.
    BSTR text = nullptr;
    EXPECT_EQ(E_INVALIDARG, w.client->get_accName(uitest::ChildId(ids.back() + 1000), &text));
    EXPECT_EQ(E_INVALIDARG, w.client->get_accName(uitest::ChildId(-5), &text));
    EXPECT_EQ(E_INVALIDARG, w.client->get_accName(uitest::ChildId(w.Find<CControlUI>(L"spacer")->GetAccessibleId()), &text));
}

TEST(Accessible, StateLocationHitTestAndNavigationFollowTheControls) {
    win::ScopedCoInit com;
    Window w;
    ASSERT_TRUE(w.client);
    const long go = w.Id(L"go"), agree = w.Id(L"agree");
    EXPECT_TRUE(w.State(go) & STATE_SYSTEM_UNAVAILABLE);
    EXPECT_FALSE(w.State(agree) & STATE_SYSTEM_CHECKED);
    EXPECT_TRUE(w.State(agree) & STATE_SYSTEM_FOCUSABLE);
    w.Find<CCheckBoxUI>(L"agree")->Selected(true);
    w.Find<CControlUI>(L"go")->SetEnabled(true);
    EXPECT_TRUE(w.State(agree) & STATE_SYSTEM_CHECKED);
    EXPECT_FALSE(w.State(go) & STATE_SYSTEM_UNAVAILABLE);
    w.Find<CControlUI>(L"agree")->SetFocus();
    EXPECT_TRUE(w.State(agree) & STATE_SYSTEM_FOCUSED);

    // Screen coordinates: the control's place plus the window's corner.
    const RECT pos = w.Find<CControlUI>(L"agree")->GetPos();
    POINT corner = {pos.left, pos.top};
    ::ClientToScreen(w.window.hwnd(), &corner);
    long x = 0, y = 0, cx = 0, cy = 0;
    ASSERT_EQ(S_OK, w.client->accLocation(&x, &y, &cx, &cy, uitest::ChildId(agree)));
    EXPECT_EQ(corner.x, x);
    EXPECT_EQ(corner.y, y);
    EXPECT_EQ(80, cx);
    EXPECT_EQ(40, cy);
    VARIANT hit;
    ASSERT_EQ(S_OK, w.client->accHitTest(x + 5, y + 5, &hit));
    EXPECT_EQ(agree, hit.lVal);

    VARIANT next;
    ASSERT_EQ(S_OK, w.client->accNavigate(NAVDIR_NEXT, uitest::ChildId(agree), &next));
    EXPECT_EQ(w.Id(L"a"), next.lVal);
    ASSERT_EQ(S_OK, w.client->accNavigate(NAVDIR_PREVIOUS, uitest::ChildId(agree), &next));
    EXPECT_EQ(w.Id(L"terms"), next.lVal);
    ASSERT_EQ(S_OK, w.client->accNavigate(NAVDIR_FIRSTCHILD, uitest::ChildId(CHILDID_SELF), &next));
    EXPECT_EQ(w.Id(L"go"), next.lVal);
    ASSERT_EQ(S_OK, w.client->accNavigate(NAVDIR_LASTCHILD, uitest::ChildId(CHILDID_SELF), &next));
    EXPECT_EQ(w.Id(L"bar"), next.lVal);
    EXPECT_EQ(S_FALSE, w.client->accNavigate(NAVDIR_NEXT, uitest::ChildId(w.Id(L"bar")), &next));
}

TEST(Accessible, DefaultActionClicksFromTheMessageLoopAndOnlyWhatCanTakeIt) {
    win::ScopedCoInit com;
    Window w;
    ASSERT_TRUE(w.client);
    auto* agree = w.Find<CCheckBoxUI>(L"agree");
    BSTR action = nullptr;
    ASSERT_EQ(S_OK, w.client->get_accDefaultAction(uitest::ChildId(w.Id(L"agree")), &action));
    EXPECT_EQ(L"Check", Take(action));
    ASSERT_EQ(S_OK, w.client->accDoDefaultAction(uitest::ChildId(w.Id(L"agree"))));
    EXPECT_FALSE(agree->IsSelected()) << "the click waits for the message loop";
    EXPECT_TRUE(uitest::PumpUntil([&] { return agree->IsSelected(); }));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, w.client->accDoDefaultAction(uitest::ChildId(w.Id(L"go"))));       // disabled
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, w.client->accDoDefaultAction(uitest::ChildId(w.Id(L"bar"))));      // no action
}

TEST(Accessible, ControlsRaiseFocusStateValueAndShowHideEvents) {
    win::ScopedCoInit com;
    Window w;
    EventLog log(w.window.hwnd());
    ASSERT_NE(nullptr, log.hook);
    const long bar = w.Id(L"bar"), busy = w.Id(L"busy");
    w.Find<CProgressUI>(L"bar")->SetValue(120);
    EXPECT_TRUE(log.Saw(EVENT_OBJECT_VALUECHANGE, bar));
    w.Find<CCheckBoxUI>(L"agree")->Selected(true);
    EXPECT_TRUE(log.Saw(EVENT_OBJECT_STATECHANGE, w.Id(L"agree")));
    w.Find<CControlUI>(L"terms")->SetFocus();
    EXPECT_TRUE(log.Saw(EVENT_OBJECT_FOCUS, w.Id(L"terms")));
    // A page that hides names its controls while they are still children; shown again, it names them anew.
    w.Find<CControlUI>(L"page")->SetVisible(false);
    EXPECT_TRUE(log.Saw(EVENT_OBJECT_HIDE, busy));
    EXPECT_TRUE(log.Saw(EVENT_OBJECT_HIDE, bar));
    EXPECT_TRUE(log.Saw(EVENT_OBJECT_REORDER, CHILDID_SELF));
    EXPECT_EQ(0, w.Id(L"bar"));
    // The walk leaves them out; an event read late still names them, now invisible.
    const std::vector<long> ids = w.Ids();
    EXPECT_EQ(ids.end(), std::find(ids.begin(), ids.end(), busy));
    EXPECT_EQ(w.Id(L"path"), ids.back());
    EXPECT_EQ(L"Busy", w.Name(busy));
    EXPECT_TRUE(w.State(busy) & STATE_SYSTEM_INVISIBLE);
    // Shown again, they keep their ids.
    w.Find<CControlUI>(L"page")->SetVisible(true);
    EXPECT_TRUE(log.Saw(EVENT_OBJECT_SHOW, bar));
    EXPECT_EQ(bar, w.Id(L"bar"));
    // An earlier control hiding leaves a later one's id as it was.
    w.Find<CControlUI>(L"go")->SetVisible(false);
    EXPECT_EQ(bar, w.Id(L"bar"));
    EXPECT_EQ(L"60%", w.Value(bar));
}

TEST(Accessible, ObjectHeldPastItsWindowAnswersDisconnectedAndIsFreedOnce) {
    win::ScopedCoInit com;
    win::ComPtr<IAccessible> held;
    {
        Window w;
        ASSERT_TRUE(w.client);
        held = std::move(w.client);
        // A second request hands out the same object with one more reference.
        win::ComPtr<IAccessible> again;
        ::AccessibleObjectFromWindow(w.window.hwnd(), OBJID_CLIENT, IID_IAccessible, again.put_void());
        ASSERT_TRUE(again);
        long count = 0;
        EXPECT_EQ(S_OK, again->get_accChildCount(&count));
        EXPECT_EQ(9, count);
    }
    long count = 0;
    EXPECT_EQ(RPC_E_DISCONNECTED, held->get_accChildCount(&count));
    BSTR name = nullptr;
    EXPECT_EQ(RPC_E_DISCONNECTED, held->get_accName(uitest::ChildId(1), &name));
    EXPECT_EQ(RPC_E_DISCONNECTED, held->accDoDefaultAction(uitest::ChildId(1)));
    // The last reference is the test's: AddRef then Release leaves it where it was.
    EXPECT_EQ(2u, held->AddRef());
    EXPECT_EQ(1u, held->Release());
}
