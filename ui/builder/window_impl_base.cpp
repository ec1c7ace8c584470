#include "ui/builder/window_impl_base.h"

#include <cwchar>
#include <new>

#include "ui/base/control.h"
#include "ui/builder/dialog_builder.h"
#include "win/text.h"

namespace Ulmar {

namespace {

POINT PointOf(LPARAM lParam) {
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

constexpr LRESULT kHitMaxButton = HTMAXBUTTON;  // 9

}  // namespace

// ---- notification pump ----

const DUI_MSGMAP_ENTRY CNotifyPump::messageEntries_[] = {
    {nullptr, nullptr, DuiSig_end, nullptr, nullptr},
};
const DUI_MSGMAP CNotifyPump::messageMap_ = {nullptr, &CNotifyPump::messageEntries_[0]};

const DUI_MSGMAP* CNotifyPump::GetMessageMap() const { return &CNotifyPump::messageMap_; }

bool CNotifyPump::AddVirtualWnd(const wchar_t* name, CNotifyPump* pump) {
    if (!name || !*name || !pump) return false;
    return virtualWnds_.emplace(win::FoldCase(name), pump).second;
}

bool CNotifyPump::RemoveVirtualWnd(const wchar_t* name) { return virtualWnds_.erase(win::FoldCase(name)) != 0; }

void CNotifyPump::NotifyPump(TNotifyEvent& msg) {
    if (!msg.virtualWnd.IsEmpty()) {
        const auto it = virtualWnds_.find(win::FoldCase(msg.virtualWnd));
        if (it != virtualWnds_.end() && it->second->LoopDispatch(msg)) return;
    }
    LoopDispatch(msg);
}

bool CNotifyPump::LoopDispatch(TNotifyEvent& msg) {
    const CUiString sender = msg.sender ? msg.sender->GetName() : CUiString();
    for (const DUI_MSGMAP* map = GetMessageMap(); map; map = map->getBase ? map->getBase() : nullptr) {
        const DUI_MSGMAP_ENTRY* byName = nullptr;
        const DUI_MSGMAP_ENTRY* byType = nullptr;
        for (const DUI_MSGMAP_ENTRY* entry = map->entries; entry->sig != DuiSig_end; ++entry) {
            if (msg.type != entry->type) continue;
            const bool named = entry->ctrlName && *entry->ctrlName;
            if (named) {
                if (!byName && sender == entry->ctrlName) byName = entry;
            } else if (!byType) {
                byType = entry;
            }
        }
        const DUI_MSGMAP_ENTRY* entry = byName ? byName : byType;
        if (!entry) continue;
        // The handler may delete this object: nothing of it is touched afterwards.
        if (entry->sig == DuiSig_vn && entry->notify) {
            (this->*entry->notify)(msg);
        } else if (entry->sig == DuiSig_lwl && entry->params) {
            (this->*entry->params)(msg.wParam, msg.lParam);
        }
        return true;
    }
    return false;
}

// ---- window base ----

DUI_BEGIN_MESSAGE_MAP(WindowImplBase, CNotifyPump)
DUI_ON_MSGTYPE(NotifyType::kClick, &WindowImplBase::OnClick)
DUI_END_MESSAGE_MAP()

WindowImplBase::WindowImplBase() : alive_(std::make_shared<bool>(true)) {}
WindowImplBase::~WindowImplBase() = default;

const wchar_t* WindowImplBase::GetSuperClassName() const { return nullptr; }
UINT WindowImplBase::GetClassStyle() const { return CS_DBLCLKS; }
void WindowImplBase::InitResource() {}
void WindowImplBase::InitWindow() {}
CUiString WindowImplBase::GetSkinType() { return CUiString(); }
const wchar_t* WindowImplBase::GetManagerName() { return nullptr; }
CControlUI* WindowImplBase::CreateControl(const wchar_t* /*className*/) { return nullptr; }
const wchar_t* WindowImplBase::QueryControlText(const wchar_t* /*key*/, const wchar_t* /*type*/) {
    return nullptr;
}

LRESULT WindowImplBase::ResponseDefaultKeyEvent(WPARAM key) {
    if (key == VK_RETURN) return FALSE;
    if (key == VK_ESCAPE) return TRUE;
    return FALSE;
}

CControlUI* WindowImplBase::GetEscapeControl() { return nullptr; }

void WindowImplBase::Notify(TNotifyEvent& msg) { NotifyPump(msg); }

LRESULT WindowImplBase::MessageHandler(UINT message, WPARAM wParam, LPARAM /*lParam*/, bool& /*handled*/) {
    // The answer goes back without marking the key handled: controls still see it.
    if (message == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
        if (wParam == VK_ESCAPE) ClickEscapeControl();
        return ResponseDefaultKeyEvent(wParam);
    }
    return 0;
}

// Esc is a click on the escape control, delivered from the queue as a click is:
// the click may close this window, which must not happen under this message.
void WindowImplBase::ClickEscapeControl() {
    CControlUI* control = GetEscapeControl();
    if (!control || !control->IsVisible() || !control->IsEnabled()) return;
    pm_.SendNotify(control, NotifyType::kClick, 0, 0, true);
}

void WindowImplBase::OnClick(TNotifyEvent& msg) {
    if (!msg.sender) return;
    const CUiString name = msg.sender->GetName();
    if (name == L"closebtn") {
        Close(1);
    } else if (name == L"minbtn") {
        SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    } else if (name == L"maxbtn") {
        SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    } else if (name == L"restorebtn") {
        SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
    }
}

bool WindowImplBase::IsInStaticControl(CControlUI* control) {
    if (!control) return false;
    static const wchar_t* const kStatic[] = {
        L"controlui",  L"textui",       L"labelui",        L"containerui",    L"horizontallayoutui",
        L"verticallayoutui", L"tablayoutui", L"childlayoutui", L"dialoglayoutui", L"progresscontainerui",
    };
    for (CControlUI* c = control; c; c = c->GetParent()) {
        const std::wstring name = win::FoldCase(c->GetClassName());
        bool found = false;
        for (const wchar_t* candidate : kStatic) {
            if (name == candidate) {
                found = true;
                break;
            }
        }
        if (!found) return false;
    }
    return true;
}

LONG WindowImplBase::GetStyle() {
    LONG style = static_cast<LONG>(::GetWindowLongPtrW(hwnd_, GWL_STYLE));
    return style & ~WS_CAPTION;
}

// ---- message handlers ----

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}
LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}
LRESULT WindowImplBase::OnNcActivate(UINT, WPARAM wParam, LPARAM, bool& handled) {
    if (::IsIconic(hwnd_)) {
        handled = false;
        return 0;
    }
    return wParam == 0 ? TRUE : FALSE;
}
LRESULT WindowImplBase::OnNcCalcSize(UINT, WPARAM, LPARAM, bool&) { return 0; }
LRESULT WindowImplBase::OnNcPaint(UINT, WPARAM, LPARAM, bool&) { return 0; }

LRESULT WindowImplBase::OnNcHitTest(UINT, WPARAM, LPARAM lParam, bool&) {
    POINT pt = PointOf(lParam);
    ::ScreenToClient(hwnd_, &pt);
    RECT client;
    ::GetClientRect(hwnd_, &client);

    CControlUI* button = pm_.FindControl(L"maxbtn");
    if (!button || !button->IsVisible()) button = pm_.FindControl(L"restorebtn");
    if (button && button->IsVisible() && ::PtInRect(&button->GetPos(), pt)) return kHitMaxButton;

    if (!::IsZoomed(hwnd_)) {
        const RECT box = pm_.GetSizeBox();
        if (pt.y < client.top + box.top) {
            if (pt.x < client.left + box.left) return HTTOPLEFT;
            if (pt.x > client.right - box.right) return HTTOPRIGHT;
            return HTTOP;
        }
        if (pt.y > client.bottom - box.bottom) {
            if (pt.x < client.left + box.left) return HTBOTTOMLEFT;
            if (pt.x > client.right - box.right) return HTBOTTOMRIGHT;
            return HTBOTTOM;
        }
        if (pt.x < client.left + box.left) return HTLEFT;
        if (pt.x > client.right - box.right) return HTRIGHT;
    }

    const RECT caption = pm_.GetCaptionRect();
    const int bottom = caption.bottom < 0 ? client.bottom : client.top + caption.bottom;
    if (pt.x >= client.left + caption.left && pt.x < client.right - caption.right &&
        pt.y >= client.top + caption.top && pt.y < bottom) {
        if (IsInStaticControl(pm_.FindControl(pt))) return HTCAPTION;
    }
    return HTCLIENT;
}

LRESULT WindowImplBase::OnGetMinMaxInfo(UINT, WPARAM, LPARAM lParam, bool&) {
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT work = monitor.rcWork;
    if (!(monitor.dwFlags & MONITORINFOF_PRIMARY)) {
        ::OffsetRect(&work, -monitor.rcMonitor.left, -monitor.rcMonitor.top);
    }
    info->ptMaxPosition = POINT{work.left, work.top};
    info->ptMaxSize = POINT{work.right - work.left, work.bottom - work.top};
    const SIZE maxInfo = pm_.GetMaxInfo();
    info->ptMaxTrackSize.x = maxInfo.cx != 0 ? maxInfo.cx : work.right - work.left;
    info->ptMaxTrackSize.y = maxInfo.cy != 0 ? maxInfo.cy : work.bottom - work.top;
    const SIZE minInfo = pm_.GetMinInfo();
    info->ptMinTrackSize = POINT{minInfo.cx, minInfo.cy};
    return 0;
}

LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}
LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

void WindowImplBase::ShowMaxRestore(bool maximised) {
    if (CControlUI* maxButton = pm_.FindControl(L"maxbtn")) maxButton->SetVisible(!maximised);
    if (CControlUI* restoreButton = pm_.FindControl(L"restorebtn")) restoreButton->SetVisible(maximised);
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM wParam, LPARAM, bool& handled) {
    handled = false;  // the paint manager needs WM_SIZE too
    if (!::IsIconic(hwnd_)) {
        RECT rc;
        ::GetWindowRect(hwnd_, &rc);
        const SIZE round = pm_.GetRoundCorner();
        win::UniqueRegion region(::CreateRoundRectRgn(0, 0, rc.right - rc.left + 1, rc.bottom - rc.top + 1,
                                                      round.cx, round.cy));
        // The window owns the region once SetWindowRgn succeeds.
        if (region && ::SetWindowRgn(hwnd_, region.get(), TRUE)) region.release();
    }
    if (pm_.GetRoot() && wParam == SIZE_RESTORED) ShowMaxRestore(false);
    return 0;
}

LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool&) {
    if ((wParam & 0xFFF0) == SC_CLOSE) {
        SendMessage(WM_CLOSE, 0, 0);
        return 0;
    }
    const HWND window = hwnd_;
    const bool wasZoomed = ::IsZoomed(window) != FALSE;
    const std::weak_ptr<bool> alive = alive_;
    const LRESULT result = CWindowWnd::HandleMessage(message, wParam, lParam);
    if (alive.expired() || !::IsWindow(window)) return result;
    const bool zoomed = ::IsZoomed(window) != FALSE;
    if (zoomed != wasZoomed) ShowMaxRestore(zoomed);
    return result;
}

void WindowImplBase::OnSkinLoadFailed(const CUiString& skinFile, const wchar_t* /*parserMessage*/) {
    const CUiString text = CUiString(L"加载资源文件失败：") + skinFile;
    ::MessageBoxW(nullptr, text, L"Ulmar", MB_OK | MB_ICONHAND);
    ::ExitProcess(1);
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool&) {
    LONG_PTR style = ::GetWindowLongPtrW(hwnd_, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(WS_CAPTION);
    ::SetWindowLongPtrW(hwnd_, GWL_STYLE, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);

    pm_.Init(hwnd_, GetManagerName());
    pm_.AddPreMessageFilter(this);
    InitResource();

    const CUiString skinType = GetSkinType();
    const CUiString skinFile = GetSkinFile();
    CDialogBuilder builder;
    CControlUI* root;
    if (!skinType.IsEmpty()) {
        const UINT id = static_cast<UINT>(std::wcstoul(skinFile, nullptr, 10));
        root = builder.Create(STRINGorID(id), skinType, this, &pm_);
    } else {
        root = builder.Create(STRINGorID(skinFile.GetData()), nullptr, this, &pm_);
    }
    if (!root) {
        OnSkinLoadFailed(skinFile, builder.GetLastErrorMessage());
        return -1;
    }
    pm_.AttachDialog(root);
    pm_.AddNotifier(this);
    InitWindow();
    return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}
LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}
LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}
LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}
LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}
LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}
LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& handled) {
    handled = false;
    return 0;
}

void WindowImplBase::OnFinalMessage(HWND /*window*/) {
    pm_.RemovePreMessageFilter(this);
    pm_.RemoveNotifier(this);
    pm_.ReapObjects(pm_.GetRoot());
}

LRESULT WindowImplBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // A handler below may destroy the window and delete this object; after each
    // call only locals are used until `alive` says the object is still there.
    const std::weak_ptr<bool> alive = alive_;
    const HWND window = hwnd_;
    bool handled = true;
    LRESULT result = 0;
    switch (message) {
    case WM_CREATE: result = OnCreate(message, wParam, lParam, handled); break;
    case WM_CLOSE: result = OnClose(message, wParam, lParam, handled); break;
    case WM_DESTROY: result = OnDestroy(message, wParam, lParam, handled); break;
    case WM_NCACTIVATE: result = OnNcActivate(message, wParam, lParam, handled); break;
    case WM_NCCALCSIZE: result = OnNcCalcSize(message, wParam, lParam, handled); break;
    case WM_NCPAINT: result = OnNcPaint(message, wParam, lParam, handled); break;
    case WM_NCHITTEST: result = OnNcHitTest(message, wParam, lParam, handled); break;
    case WM_GETMINMAXINFO: result = OnGetMinMaxInfo(message, wParam, lParam, handled); break;
    case WM_MOUSEWHEEL: result = OnMouseWheel(message, wParam, lParam, handled); break;
    case WM_MOUSEHOVER: result = OnMouseHover(message, wParam, lParam, handled); break;
    case WM_SIZE: result = OnSize(message, wParam, lParam, handled); break;
    case WM_CHAR: result = OnChar(message, wParam, lParam, handled); break;
    case WM_SYSCOMMAND: result = OnSysCommand(message, wParam, lParam, handled); break;
    case WM_KEYDOWN: result = OnKeyDown(message, wParam, lParam, handled); break;
    case WM_KILLFOCUS: result = OnKillFocus(message, wParam, lParam, handled); break;
    case WM_SETFOCUS: result = OnSetFocus(message, wParam, lParam, handled); break;
    case WM_LBUTTONDOWN: result = OnLButtonDown(message, wParam, lParam, handled); break;
    case WM_LBUTTONUP: result = OnLButtonUp(message, wParam, lParam, handled); break;
    case WM_MOUSEMOVE: result = OnMouseMove(message, wParam, lParam, handled); break;
    default: handled = false; break;
    }
    if (handled || alive.expired()) return result;

    // The drawn maximise button reacts like a client-area control.
    if (wParam == HTMAXBUTTON) {
        POINT pt = PointOf(lParam);
        switch (message) {
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONUP:
            ::ScreenToClient(window, &pt);
            ::SendMessageW(window, message == WM_NCLBUTTONDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP, HTMAXBUTTON,
                           MAKELPARAM(pt.x, pt.y));
            return 0;
        case WM_NCMOUSEMOVE:
            ::ScreenToClient(window, &pt);
            ::SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(pt.x, pt.y));
            return 0;
        case WM_NCLBUTTONDBLCLK:
        case WM_NCMOUSEHOVER:
        case WM_NCMOUSELEAVE:
            return 0;
        default:
            break;
        }
    }

    handled = true;
    result = HandleCustomMessage(message, wParam, lParam, handled);
    if (handled || alive.expired()) return result;

    if (pm_.MessageHandler(message, wParam, lParam, result)) return result;
    if (alive.expired()) return result;
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

}  // namespace Ulmar
