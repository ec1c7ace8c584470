#pragma once
// The records and interfaces by which a window's messages reach controls and
// listeners: low-level control events, notifications, the listener and filter
// interfaces, and the small delegate list controls carry.
#include <windows.h>

#include <functional>
#include <utility>
#include <vector>

#include "ui/base/ui_string.h"

namespace Ulmar {

class CControlUI;
class CPaintManagerUI;

// Kinds of TControlEvent. The mouse kinds are the range UIEVENT__MOUSEBEGIN..
// UIEVENT__MOUSEEND inclusive; the key kinds come before them.
enum EventKind : int {
    UIEVENT__FIRST = 1,
    UIEVENT__KEYBEGIN = 2,
    UIEVENT_KEYDOWN = 3,
    UIEVENT_KEYUP = 4,
    UIEVENT_CHAR = 5,
    UIEVENT_SYSKEY = 6,
    UIEVENT__KEYEND = 7,
    UIEVENT__MOUSEBEGIN = 9,
    UIEVENT_MOUSEMOVE = 9,
    UIEVENT_MOUSELEAVE = 10,
    UIEVENT_MOUSEENTER = 11,
    UIEVENT_MOUSEHOVER = 12,
    UIEVENT_BUTTONDOWN = 13,
    UIEVENT_BUTTONUP = 14,
    UIEVENT_RBUTTONDOWN = 15,
    UIEVENT_RBUTTONUP = 16,
    UIEVENT_MBUTTONDOWN = 17,
    UIEVENT_MBUTTONUP = 18,
    UIEVENT_DBLCLICK = 19,
    UIEVENT_CONTEXTMENU = 20,
    UIEVENT_SCROLLWHEEL = 21,
    UIEVENT__MOUSEEND = 21,
    UIEVENT_KILLFOCUS = 23,
    UIEVENT_SETFOCUS = 24,
    UIEVENT_WINDOWSIZE = 25,
    UIEVENT_SETCURSOR = 26,
    UIEVENT_TIMER = 27,
    UIEVENT__LAST = 28,
};

// Key state bits of TControlEvent::keyState (the MK_ values read with GetKeyState).
enum : WORD {
    UIKEY_LBUTTON = 0x0001,
    UIKEY_RBUTTON = 0x0002,
    UIKEY_SHIFT = 0x0004,
    UIKEY_CONTROL = 0x0008,
    UIKEY_ALT = 0x0020,
};

// A low-level event addressed to one control. Fields a message does not supply are zero.
struct TControlEvent {
    int type = 0;                   // EventKind
    CControlUI* sender = nullptr;   // the control the event is for (borrowed)
    DWORD timestamp = 0;            // GetTickCount
    POINT mouse = {0, 0};           // client coordinates
    wchar_t key = 0;                // key character / virtual key
    WORD keyState = 0;              // UIKEY_ bits
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// A notification sent by a control (or the manager) to the window's listeners.
struct TNotifyEvent {
    CUiString type;                 // e.g. "click"
    CUiString virtualWnd;           // the sender's virtual window name, when in use
    CControlUI* sender = nullptr;   // borrowed; cleared when the sender is destroyed while queued
    DWORD timestamp = 0;
    POINT mouse = {0, 0};           // the manager's last mouse position
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Notification type strings.
namespace NotifyType {
constexpr const wchar_t kWindowInit[] = L"windowinit";
constexpr const wchar_t kWindowSize[] = L"windowsize";
constexpr const wchar_t kSetFocus[] = L"setfocus";
constexpr const wchar_t kKillFocus[] = L"killfocus";
constexpr const wchar_t kTimer[] = L"timer";
constexpr const wchar_t kMenu[] = L"menu";
constexpr const wchar_t kClick[] = L"click";
constexpr const wchar_t kSelectChanged[] = L"selectchanged";
constexpr const wchar_t kTextChanged[] = L"textchanged";
constexpr const wchar_t kReturn[] = L"return";
constexpr const wchar_t kTabSelect[] = L"tabselect";
constexpr const wchar_t kScroll[] = L"scroll";
constexpr const wchar_t kLink[] = L"link";
constexpr const wchar_t kValueChanged[] = L"valuechanged";
}  // namespace NotifyType

// Receives notifications, synchronously or from the queue.
class INotifyUI {
public:
    virtual void Notify(TNotifyEvent& msg) = 0;
protected:
    ~INotifyUI() = default;
};

// Sees window messages before the paint manager does. Setting `handled`
// ends the processing with the returned result.
class IMessageFilterUI {
public:
    virtual LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) = 0;
protected:
    ~IMessageFilterUI() = default;
};

// Asked first by TranslateMessage; returning 0 consumes the message.
class ITranslateAccelerator {
public:
    virtual LRESULT TranslateAccelerator(MSG* msg) = 0;
protected:
    ~ITranslateAccelerator() = default;
};

// Lets the host create controls the factory does not know.
class IDialogBuilderCallback {
public:
    virtual CControlUI* CreateControl(const wchar_t* className) = 0;
protected:
    ~IDialogBuilderCallback() = default;
};

// Supplies a language text missing from the text table; null for none.
class IQueryControlText {
public:
    virtual const wchar_t* QueryControlText(const wchar_t* key, const wchar_t* type) = 0;
protected:
    ~IQueryControlText() = default;
};

// A list of callbacks attached by code. Each handler gets the call's parameter
// (the control, the TControlEvent* or the TNotifyEvent*, as the list says) and
// returns whether the caller may go on: the call stops at the first false.
// Handlers run from a copy of the list, so one may add or remove handlers, and
// the list's owner may be destroyed by a handler once the call has started.
class CEventSource {
public:
    using Handler = std::function<bool(void* param)>;

    // Returns an id for Remove.
    int operator+=(Handler handler) {
        handlers_.emplace_back(++lastId_, std::move(handler));
        return lastId_;
    }
    void Remove(int id);
    void Clear() { handlers_.clear(); }
    bool IsEmpty() const { return handlers_.empty(); }
    explicit operator bool() const { return !handlers_.empty(); }

    // True when every handler returned true (or there are none).
    bool operator()(void* param) const;

private:
    std::vector<std::pair<int, Handler>> handlers_;
    int lastId_ = 0;
};

}  // namespace Ulmar
