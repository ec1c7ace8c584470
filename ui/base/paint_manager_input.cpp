// CPaintManagerUI: the message entry. Mouse, keyboard, focus, timer and size
// messages become control events; reflection to native children; the message
// loop and pre-translation.
#include <windowsx.h>

#include <algorithm>
#include <cwctype>

#include "ui/base/control.h"
#include "ui/base/paint_manager.h"
#include "ui/base/paint_manager_shared.h"

namespace Ulmar {

namespace {

// Messages reflected to a native child arrive as message + 0x2000 (OCM__BASE).
constexpr UINT kReflectBase = WM_USER + 0x1C00;

WORD ReadKeyState() {
    WORD state = 0;
    if (::GetKeyState(VK_LBUTTON) < 0) state |= UIKEY_LBUTTON;
    if (::GetKeyState(VK_RBUTTON) < 0) state |= UIKEY_RBUTTON;
    if (::GetKeyState(VK_SHIFT) < 0) state |= UIKEY_SHIFT;
    if (::GetKeyState(VK_CONTROL) < 0) state |= UIKEY_CONTROL;
    if (::GetKeyState(VK_MENU) < 0) state |= UIKEY_ALT;
    return state;
}

POINT PointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

POINT ScreenToClientPoint(HWND window, LPARAM lParam) {
    POINT pt = PointOf(lParam);
    ::ScreenToClient(window, &pt);
    return pt;
}

bool IsMouseMessage(UINT message) {
    return message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK ||
           message == WM_LBUTTONUP;
}

}  // namespace

TControlEvent CPaintManagerUI::MakeEvent(int type, CControlUI* sender, POINT pt, WPARAM wParam,
                                         LPARAM lParam) const {
    TControlEvent event;
    event.type = type;
    event.sender = sender;
    event.timestamp = ::GetTickCount();
    event.mouse = pt;
    event.keyState = ReadKeyState();
    event.wParam = wParam;
    event.lParam = lParam;
    return event;
}

bool CPaintManagerUI::Reflect(HWND child, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) {
    if (!child || !::IsWindow(child)) return false;
    result = ::SendMessageW(child, kReflectBase + message, wParam, lParam);
    return result != 0;
}

bool CPaintManagerUI::MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (!window_) return false;
    if (RunMessageFilters(message, wParam, lParam, result)) return true;
    if (layered_ && HandleLayeredFrame(message, wParam, result)) return true;

    switch (message) {
    case WM_UI_DRAIN:
        DrainQueue();
        return false;
    case WM_GETOBJECT:
        result = OnGetObject(wParam, lParam);
        return result != 0;
    case WM_UI_ACCESSIBLE_ACTION:
        RunAccessibleAction(static_cast<long>(lParam));
        result = 0;
        return true;
    case WM_CLOSE:
        OnClose();
        return false;
    case WM_ERASEBKGND:
        result = 1;
        return true;
    case WM_PAINT:
        OnPaint();
        result = 0;
        return true;
    case WM_PRINTCLIENT:
        PrintClient(reinterpret_cast<HDC>(wParam), lParam);
        return false;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return false;
    case WM_SIZE:
        OnSize(wParam, lParam);
        result = 0;
        return true;
    case WM_DPICHANGED:
        OnDpiChanged(wParam, lParam);
        result = 0;
        return true;
    case WM_TIMER:
        OnTimer(wParam, lParam);
        return false;
    case WM_MOUSEHOVER:
        OnMouseHover(lParam);
        return false;
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return false;
    case WM_MOUSEMOVE:
        OnMouseMove(wParam, lParam);
        return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        OnButton(message, wParam, lParam);
        return false;
    case WM_CONTEXTMENU:
        OnContextMenu(wParam, lParam);
        return false;
    case WM_MOUSEWHEEL:
        return OnMouseWheel(wParam, lParam);
    case WM_SETCURSOR:
        if (!OnSetCursor(wParam, lParam)) return false;
        result = TRUE;
        return true;
    case WM_SETFOCUS:
        if (focus_) {
            TControlEvent event = MakeEvent(UIEVENT_SETFOCUS, focus_, lastMouse_, wParam, lParam);
            focus_->DispatchEvent(event);
        }
        return false;
    case WM_KILLFOCUS:
        if (mouseCapture_) ReleaseCapture();
        return false;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        OnKey(message, wParam, lParam);
        return false;
    case WM_NOTIFY:
    case WM_COMMAND:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        return ReflectToChild(message, wParam, lParam, result);
    default:
        return false;
    }
}

// Offers a message to each filter in the order added, until one handles it;
// `answer` is the last filter's answer.
DispatchEnd CPaintManagerUI::OfferToFilters(const ListenerList<IMessageFilterUI>& filters, UINT message,
                                            WPARAM wParam, LPARAM lParam, LRESULT& answer) {
    return filters.Dispatch(alive_, [&](IMessageFilterUI* filter) {
        bool handled = false;
        answer = filter->MessageHandler(message, wParam, lParam, handled);
        return handled;
    });
}

// Filters first, in the order added; the first that handles the message ends it.
bool CPaintManagerUI::RunMessageFilters(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    LRESULT answer = 0;
    const DispatchEnd end = OfferToFilters(filters_, message, wParam, lParam, answer);
    if (end == DispatchEnd::kAll) return false;
    result = answer;
    if (end == DispatchEnd::kOwnerGone) return true;
    // Controls see nothing of this message, but hover and click positions must
    // still follow the mouse.
    if (IsMouseMessage(message)) {
        lastMouse_ = PointOf(lParam);
    } else if (message == WM_CONTEXTMENU || message == WM_MOUSEWHEEL) {
        lastMouse_ = ScreenToClientPoint(window_, lParam);
    }
    return true;
}

// A layered window has no frame of its own to compute, paint or activate.
bool CPaintManagerUI::HandleLayeredFrame(UINT message, WPARAM wParam, LRESULT& result) {
    switch (message) {
    case WM_NCCALCSIZE:
    case WM_NCPAINT:
        result = 0;
        return true;
    case WM_NCACTIVATE:
        if (::IsIconic(window_)) return false;
        result = wParam == 0 ? TRUE : FALSE;
        return true;
    default:
        return false;
    }
}

void CPaintManagerUI::OnGetMinMaxInfo(MINMAXINFO* info) {
    const SIZE minSize = GetMinInfo();
    const SIZE maxSize = GetMaxInfo();
    if (minSize.cx > 0) info->ptMinTrackSize.x = minSize.cx;
    if (minSize.cy > 0) info->ptMinTrackSize.y = minSize.cy;
    if (maxSize.cx > 0) {
        info->ptMaxTrackSize.x = maxSize.cx;
        info->ptMaxSize.x = maxSize.cx;
    }
    if (maxSize.cy > 0) {
        info->ptMaxTrackSize.y = maxSize.cy;
        info->ptMaxSize.y = maxSize.cy;
    }
}

void CPaintManagerUI::OnSize(WPARAM wParam, LPARAM lParam) {
    if (focus_) {
        const std::weak_ptr<bool> alive = alive_;
        TControlEvent event = MakeEvent(UIEVENT_WINDOWSIZE, focus_, lastMouse_, wParam, lParam);
        focus_->DispatchEvent(event);
        if (alive.expired()) return;
    }
    if (root_) root_->NeedUpdate();
}

// Moved to a monitor of another scale: lay out at the new scale in the rectangle Windows suggests.
void CPaintManagerUI::OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    SetDPI(LOWORD(wParam));
    if (const auto* suggested = reinterpret_cast<const RECT*>(lParam)) {
        ::SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CPaintManagerUI::OnTimer(WPARAM wParam, LPARAM lParam) {
    for (const TimerInfo& timer : timers_) {
        if (timer.window == window_ && timer.nativeId == wParam && !timer.killed) {
            CControlUI* sender = timer.sender;
            TControlEvent event = MakeEvent(UIEVENT_TIMER, sender, lastMouse_, timer.localId, lParam);
            sender->DispatchEvent(event);
            return;
        }
    }
}

void CPaintManagerUI::OnContextMenu(WPARAM wParam, LPARAM lParam) {
    if (!root_) return;
    const POINT pt = ScreenToClientPoint(window_, lParam);
    lastMouse_ = pt;
    if (CControlUI* control = rclicked_) {
        rclicked_ = nullptr;
        ReleaseCapture();
        TControlEvent event = MakeEvent(UIEVENT_CONTEXTMENU, control, pt, wParam, reinterpret_cast<LPARAM>(control));
        control->DispatchEvent(event);
    }
}

bool CPaintManagerUI::OnMouseWheel(WPARAM wParam, LPARAM lParam) {
    if (!root_) return false;
    const POINT pt = ScreenToClientPoint(window_, lParam);
    lastMouse_ = pt;
    CControlUI* control = ControlAt(pt);
    if (!control) return false;
    const std::weak_ptr<bool> alive = alive_;
    const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
    TControlEvent event = MakeEvent(UIEVENT_SCROLLWHEEL, control, pt,
                                    MAKEWPARAM(delta < 0 ? SB_LINEDOWN : SB_LINEUP, HIWORD(wParam)), lParam);
    control->DispatchEvent(event);
    if (alive.expired()) return true;
    // Hover state follows the content that moved under the cursor.
    ::SendMessageW(window_, WM_MOUSEMOVE, 0, MAKELPARAM(lastMouse_.x, lastMouse_.y));
    return false;
}

// Key down goes to the focused control, which then also gets the key up; characters go to the focus.
void CPaintManagerUI::OnKey(UINT message, WPARAM wParam, LPARAM lParam) {
    CControlUI* control = nullptr;
    int type = UIEVENT_CHAR;
    if (message == WM_KEYDOWN) {
        if (!root_ || !focus_) return;
        control = keyDown_ = focus_;
        type = UIEVENT_KEYDOWN;
    } else if (message == WM_KEYUP) {
        control = keyDown_;
        keyDown_ = nullptr;
        type = UIEVENT_KEYUP;
    } else {
        control = focus_;
    }
    if (!control) return;
    TControlEvent event = MakeEvent(type, control, lastMouse_, wParam, lParam);
    event.key = static_cast<wchar_t>(wParam);
    control->DispatchEvent(event);
}

// Notifications and colour requests of native children go back to the child that sent them.
bool CPaintManagerUI::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (lParam == 0) return false;
    HWND child = message == WM_NOTIFY ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom
                                      : reinterpret_cast<HWND>(lParam);
    return Reflect(child, message, wParam, lParam, result);
}

void CPaintManagerUI::OnClose() {
    const std::weak_ptr<bool> alive = alive_;
    // Controls in the middle of a hover or a press see it end.
    if (CControlUI* control = hover_) {
        hover_ = nullptr;
        TControlEvent event = MakeEvent(UIEVENT_MOUSELEAVE, control, lastMouse_);
        control->DispatchEvent(event);
        if (alive.expired()) return;
    }
    if (CControlUI* control = clicked_) {
        clicked_ = nullptr;
        TControlEvent event = MakeEvent(UIEVENT_BUTTONUP, control, lastMouse_);
        control->DispatchEvent(event);
        if (alive.expired()) return;
    }
    if (CControlUI* control = rclicked_) {
        rclicked_ = nullptr;
        TControlEvent event = MakeEvent(UIEVENT_RBUTTONUP, control, lastMouse_);
        control->DispatchEvent(event);
        if (alive.expired()) return;
    }
    SetFocus(nullptr);
    if (alive.expired()) return;
    if (::GetActiveWindow() == window_) {
        if (HWND owner = ::GetWindow(window_, GW_OWNER)) ::SetFocus(owner);
    }
    tooltip_.reset();
}

void CPaintManagerUI::OnMouseHover(LPARAM lParam) {
    mouseTracking_ = false;
    const POINT pt = PointOf(lParam);
    CControlUI* control = ControlAt(pt);
    if (!control) return;
    if (hover_) {
        const std::weak_ptr<bool> alive = alive_;
        TControlEvent event = MakeEvent(UIEVENT_MOUSEHOVER, hover_, pt);
        hover_->DispatchEvent(event);
        if (alive.expired() || !hover_) return;
        control = ControlAt(pt);  // the handler may have changed the tree
        if (!control) return;
    }
    const CUiString tip = control->GetToolTip();
    if (tip.IsEmpty()) return;
    toolTipText_ = tip.str();
    toolInfo_ = {};
    toolInfo_.cbSize = sizeof(TOOLINFOW);
    toolInfo_.uFlags = TTF_IDISHWND;
    toolInfo_.hwnd = window_;
    toolInfo_.uId = reinterpret_cast<UINT_PTR>(window_);
    toolInfo_.hinst = GetInstance();
    toolInfo_.lpszText = &toolTipText_[0];
    toolInfo_.rect = control->GetPos();
    if (!tooltip_) {
        tooltip_.reset(::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                                         GetInstance(), nullptr));
        if (!tooltip_) return;
        ::SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
        ::SendMessageW(tooltip_.get(), TTM_SETMAXTIPWIDTH, 0, control->GetToolTipWidth());
    }
    if (!::IsWindowVisible(tooltip_.get())) {
        ::SendMessageW(tooltip_.get(), TTM_SETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&toolInfo_));
        ::SendMessageW(tooltip_.get(), TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&toolInfo_));
    }
}

void CPaintManagerUI::OnMouseLeave() {
    if (tooltip_) ::SendMessageW(tooltip_.get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&toolInfo_));
    if (!mouseTracking_) return;
    mouseTracking_ = false;
    POINT cursor = {0, 0};
    RECT windowRect = {0, 0, 0, 0};
    ::GetCursorPos(&cursor);
    ::GetWindowRect(window_, &windowRect);
    LPARAM move = static_cast<LPARAM>(-1);
    if (!::IsIconic(window_) && ::GetActiveWindow() == window_ && ::PtInRect(&windowRect, cursor)) {
        if (::SendMessageW(window_, WM_NCHITTEST, 0, MAKELPARAM(cursor.x, cursor.y)) == HTCLIENT) {
            ::ScreenToClient(window_, &cursor);
            move = MAKELPARAM(cursor.x, cursor.y);
        }
    }
    // Outside the client area the point (-1, -1) finds no control, so the
    // hovered control gets its leave.
    ::SendMessageW(window_, WM_MOUSEMOVE, 0, move);
}

void CPaintManagerUI::OnMouseMove(WPARAM, LPARAM lParam) {
    const std::weak_ptr<bool> alive = alive_;
    if (!mouseTracking_) {
        TRACKMOUSEEVENT track = {};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_HOVER | TME_LEAVE;
        track.hwndTrack = window_;
        track.dwHoverTime = tooltip_ ? static_cast<DWORD>(::SendMessageW(tooltip_.get(), TTM_GETDELAYTIME,
                                                                           TTDT_INITIAL, 0))
                                     : hoverTime_;
        if (::TrackMouseEvent(&track)) mouseTracking_ = true;
    }
    const POINT pt = PointOf(lParam);
    lastMouse_ = pt;
    CControlUI* under = FindControl(pt);
    if (under && under->GetManager() != this) return;

    if (!mouseCapture_) {
        if (under != hover_ && hover_) {
            const DispatchEnd end = mouseLeaveNeeded_.Dispatch(alive, [&](CControlUI* control) {
                TControlEvent event = MakeEvent(UIEVENT_MOUSELEAVE, control, pt);
                control->DispatchEvent(event);
                return false;
            });
            if (end == DispatchEnd::kOwnerGone) return;
            if (CControlUI* previous = hover_) {
                hover_ = nullptr;
                TControlEvent event = MakeEvent(UIEVENT_MOUSELEAVE, previous, pt);
                previous->DispatchEvent(event);
                if (alive.expired()) return;
            }
            if (tooltip_) {
                ::SendMessageW(tooltip_.get(), TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&toolInfo_));
            }
            under = ControlAt(pt);  // leave handlers may have changed the tree
        }
        if (under != hover_ && under) {
            hover_ = under;
            TControlEvent event = MakeEvent(UIEVENT_MOUSEENTER, under, pt);
            under->DispatchEvent(event);
            if (alive.expired()) return;
            under = ControlAt(pt);
        }
    }
    CControlUI* target = clicked_ ? clicked_ : under;
    if (!target) return;
    TControlEvent event = MakeEvent(UIEVENT_MOUSEMOVE, target, pt, 0, lParam);
    target->DispatchEvent(event);
}

void CPaintManagerUI::TakeFocusForPress() {
    if (!noActivate_) ::SetFocus(window_);
}

void CPaintManagerUI::OnButton(UINT message, WPARAM wParam, LPARAM lParam) {
    const std::weak_ptr<bool> alive = alive_;
    const POINT pt = PointOf(lParam);
    lastMouse_ = pt;
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        TakeFocusForPress();
        if (!root_) return;
        CControlUI* control = ControlAt(pt);
        if (!control) return;
        clicked_ = control;
        if (message == WM_LBUTTONDOWN) {
            SetCapture();
            SetFocus(control);
            if (alive.expired() || clicked_ != control) return;
        }
        TControlEvent event = MakeEvent(message == WM_LBUTTONDOWN ? UIEVENT_BUTTONDOWN : UIEVENT_DBLCLICK,
                                        control, pt, wParam, lParam);
        control->DispatchEvent(event);
        return;
    }
    case WM_LBUTTONUP: {
        CControlUI* control = clicked_;
        if (!control) return;
        clicked_ = nullptr;
        ReleaseCapture();
        TControlEvent event = MakeEvent(UIEVENT_BUTTONUP, control, pt, wParam, lParam);
        control->DispatchEvent(event);
        return;
    }
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        TakeFocusForPress();
        if (!root_) return;
        CControlUI* control = ControlAt(pt);
        if (!control) return;
        control->SetFocus();
        if (alive.expired()) return;
        SetCapture();
        const bool right = message == WM_RBUTTONDOWN;
        if (right) {
            rclicked_ = control;
        } else {
            clicked_ = control;
        }
        TControlEvent event = MakeEvent(right ? UIEVENT_RBUTTONDOWN : UIEVENT_MBUTTONDOWN, control, pt,
                                        wParam, lParam);
        control->DispatchEvent(event);
        return;
    }
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        if (mouseCapture_) ReleaseCapture();
        CControlUI* control = ControlAt(pt);
        if (!control) return;
        const bool right = message == WM_RBUTTONUP;
        if (right) {
            rclicked_ = control;
        } else {
            clicked_ = control;
        }
        TControlEvent event = MakeEvent(right ? UIEVENT_RBUTTONUP : UIEVENT_MBUTTONUP, control, pt,
                                        wParam, lParam);
        control->DispatchEvent(event);
        return;
    }
    default:
        return;
    }
}

bool CPaintManagerUI::OnSetCursor(WPARAM, LPARAM lParam) {
    if (!root_ || LOWORD(lParam) != HTCLIENT) return false;
    if (mouseCapture_) return true;
    POINT pt = {0, 0};
    ::GetCursorPos(&pt);
    ::ScreenToClient(window_, &pt);
    CControlUI* control = ControlAt(pt);
    if (!control || !(control->GetControlFlags() & UIFLAG_SETCURSOR)) return false;
    TControlEvent event = MakeEvent(UIEVENT_SETCURSOR, control, pt);
    control->DispatchEvent(event);
    return true;
}

// ---- pre-translation ----

namespace {
struct ShortcutSearch {
    wchar_t ch;
    CControlUI* armed = nullptr;
};
CControlUI* ShortcutProc(CControlUI* control, void* data) {
    auto* search = static_cast<ShortcutSearch*>(data);
    if (!search->armed) {
        if (!control->IsEnabled() || control->GetShortcut() != search->ch) return nullptr;
        search->armed = control;
        // A label passes its shortcut on to the control after it.
        return control->PassesShortcutOn() ? nullptr : control;
    }
    if (control->IsVisible() && !control->PassesShortcutOn()) return control;
    return nullptr;
}
}  // namespace

bool CPaintManagerUI::HandleShortcut(wchar_t ch) {
    if (!root_) return false;
    ShortcutSearch search{static_cast<wchar_t>(std::towupper(ch))};
    CControlUI* control = root_->FindControl(ShortcutProc, &search,
                                             UIFIND_ENABLED | UIFIND_ME_FIRST | UIFIND_TOP_FIRST);
    if (!control) return false;
    const std::weak_ptr<bool> alive = alive_;
    control->SetFocus();
    if (alive.expired()) return true;
    control->Activate();
    return true;
}

bool CPaintManagerUI::PreMessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    LRESULT answer = 0;
    const DispatchEnd end = OfferToFilters(preFilters_, message, wParam, lParam, answer);
    if (end == DispatchEnd::kOwnerGone) return true;
    if (end == DispatchEnd::kStopped) {
        result = answer;
        return true;
    }
    switch (message) {
    case WM_KEYDOWN:
        if (wParam != VK_TAB) return false;
        if (focus_ && focus_->IsVisible() && focus_->IsEnabled() && focus_->WantsTabKey()) {
            return false;  // the control takes the Tab key itself
        }
        ShowFocusMark(true);
        SetNextTabControl(::GetKeyState(VK_SHIFT) >= 0);
        return false;
    case WM_SYSKEYDOWN:
        if (CControlUI* control = focus_) {
            TControlEvent event = MakeEvent(UIEVENT_SYSKEY, control, lastMouse_, wParam, lParam);
            event.key = static_cast<wchar_t>(wParam);
            control->DispatchEvent(event);
        }
        return false;
    case WM_SYSCHAR:
        return HandleShortcut(static_cast<wchar_t>(wParam));
    default:
        return false;
    }
}

bool CPaintManagerUI::TranslateMessage(const MSG* msg) {
    if (!msg || !msg->hwnd) return false;
    auto& managers = Shared().managers;
    auto live = [&managers](CPaintManagerUI* pm) {
        return std::find(managers.begin(), managers.end(), pm) != managers.end();
    };
    const auto snapshot = managers;
    MSG copy = *msg;
    LRESULT result = 0;
    if (!(::GetWindowLongPtrW(msg->hwnd, GWL_STYLE) & WS_CHILD)) {
        for (CPaintManagerUI* pm : snapshot) {
            if (!live(pm) || pm->GetPaintWindow() != msg->hwnd) continue;
            if (pm->TranslateAccelerator(&copy)) return true;
            if (!live(pm)) return true;
            return pm->PreMessageHandler(msg->message, msg->wParam, msg->lParam, result);
        }
        return false;
    }
    for (HWND window = msg->hwnd; window; window = ::GetParent(window)) {
        for (CPaintManagerUI* pm : snapshot) {
            if (!live(pm) || pm->GetPaintWindow() != window) continue;
            if (pm->TranslateAccelerator(&copy)) return true;
            if (!live(pm)) return true;
            pm->PreMessageHandler(msg->message, msg->wParam, msg->lParam, result);
        }
    }
    return false;
}

void CPaintManagerUI::MessageLoop() {
    MSG msg = {};
    for (;;) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) break;
        if (!CPaintManagerUI::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

}  // namespace Ulmar
