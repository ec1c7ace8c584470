#include "ui/base/window_wnd.h"

#include <new>

#include "ui/base/paint_manager.h"

namespace Ulmar {

namespace {

constexpr wchar_t kObjectProperty[] = L"WndX";

}  // namespace

const wchar_t* CWindowWnd::GetSuperClassName() const { return nullptr; }
UINT CWindowWnd::GetClassStyle() const { return 0; }

bool CWindowWnd::RegisterWindowClass() {
    WNDCLASSW wc = {};
    wc.style = GetClassStyle();
    wc.lpfnWndProc = &CWindowWnd::WindowProc;
    wc.hInstance = CPaintManagerUI::GetInstance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = GetWindowClassName();
    if (::RegisterClassW(&wc) != 0) return true;
    return ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

bool CWindowWnd::RegisterSuperclass() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (!::GetClassInfoExW(nullptr, GetSuperClassName(), &wc) &&
        !::GetClassInfoExW(CPaintManagerUI::GetInstance(), GetSuperClassName(), &wc)) {
        return false;
    }
    oldProc_ = wc.lpfnWndProc;
    wc.lpfnWndProc = &CWindowWnd::ControlProc;
    wc.hInstance = CPaintManagerUI::GetInstance();
    wc.lpszClassName = GetWindowClassName();
    if (::RegisterClassExW(&wc) != 0) return true;
    return ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND CWindowWnd::Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, const RECT& rc,
                        HMENU menu) {
    return Create(parent, name, style, exStyle, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                  menu);
}

HWND CWindowWnd::Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, int x, int y, int cx,
                        int cy, HMENU menu) {
    if (GetSuperClassName() ? !RegisterSuperclass() : !RegisterWindowClass()) return nullptr;
    // A window whose WM_CREATE refuses is destroyed inside the call, and a window
    // object that deletes itself in OnFinalMessage is gone by its return: only
    // a window that exists is stored (WM_NCCREATE stored it already).
    const HWND created = ::CreateWindowExW(exStyle, GetWindowClassName(), name, style, x, y, cx, cy, parent, menu,
                                           CPaintManagerUI::GetInstance(), this);
    if (created) hwnd_ = created;
    return created;
}

HWND CWindowWnd::Subclass(HWND window) {
    if (!window || hwnd_) return nullptr;
    if (!::SetPropW(window, kObjectProperty, this)) return nullptr;
    oldProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWindowWnd::ControlProc)));
    if (!oldProc_) {
        ::RemovePropW(window, kObjectProperty);
        oldProc_ = ::DefWindowProcW;
        return nullptr;
    }
    subclassed_ = true;
    hwnd_ = window;
    return hwnd_;
}

void CWindowWnd::Unsubclass() {
    if (!subclassed_ || !::IsWindow(hwnd_)) return;
    ::SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldProc_));
    ::RemovePropW(hwnd_, kObjectProperty);
    oldProc_ = ::DefWindowProcW;
    subclassed_ = false;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
    if (!::IsWindow(hwnd_)) return;
    ::ShowWindow(hwnd_, show ? (takeFocus ? SW_SHOWNORMAL : SW_SHOWNOACTIVATE) : SW_HIDE);
}

UINT CWindowWnd::ShowModal() {
    // Locals only from here on: the object may be deleted while its window closes.
    const HWND window = hwnd_;
    if (!::IsWindow(window)) return 0;
    const HWND owner = ::GetWindow(window, GW_OWNER);
    ::ShowWindow(window, SW_SHOWNORMAL);
    if (owner) ::EnableWindow(owner, FALSE);

    UINT result = 0;
    bool quit = false;
    WPARAM quitCode = 0;
    MSG msg = {};
    while (::IsWindow(window)) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            quit = true;
            quitCode = msg.wParam;
            break;
        }
        if (msg.hwnd == window && msg.message == WM_CLOSE) {
            result = static_cast<UINT>(msg.wParam);
            if (owner) {
                ::EnableWindow(owner, TRUE);
                ::SetFocus(owner);
            }
        }
        if (!CPaintManagerUI::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    if (owner) {
        ::EnableWindow(owner, TRUE);
        ::SetFocus(owner);
    }
    if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
    return result;
}

void CWindowWnd::Close(UINT result) {
    if (fakeModal_) {
        if (const HWND owner = ::GetWindow(hwnd_, GW_OWNER)) {
            ::EnableWindow(owner, TRUE);
            ::SetFocus(owner);
        }
        fakeModal_ = false;
    }
    if (::IsWindow(hwnd_)) ::PostMessageW(hwnd_, WM_CLOSE, static_cast<WPARAM>(result), 0);
}

void CWindowWnd::CenterWindow() {
    if (!::IsWindow(hwnd_)) return;
    RECT rc;
    ::GetWindowRect(hwnd_, &rc);
    MONITORINFO info = {};
    info.cbSize = sizeof(info);
    ::GetMonitorInfoW(::MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &info);
    const RECT area = info.rcWork;

    RECT center = area;
    const HWND owner = ::GetWindow(hwnd_, GW_OWNER);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner)) ::GetWindowRect(owner, &center);

    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    int left = (center.left + center.right) / 2 - width / 2;
    int top = (center.top + center.bottom) / 2 - height / 2;
    // Keep it on the work area; a window larger than the area keeps its top-left there.
    if (left + width > area.right) left = area.right - width;
    if (top + height > area.bottom) top = area.bottom - height;
    if (left < area.left) left = area.left;
    if (top < area.top) top = area.top;
    ::SetWindowPos(hwnd_, nullptr, left, top, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CWindowWnd::SetIcon(UINT resourceId) {
    const int cx = (::GetSystemMetrics(SM_CXICON) + 15) & ~15;
    const int cy = (::GetSystemMetrics(SM_CYICON) + 15) & ~15;
    // Shared icons: the system frees them with the module.
    HICON big = static_cast<HICON>(::LoadImageW(CPaintManagerUI::GetInstance(), MAKEINTRESOURCEW(resourceId),
                                                IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR | LR_SHARED));
    if (big) ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    HICON small = static_cast<HICON>(::LoadImageW(CPaintManagerUI::GetInstance(), MAKEINTRESOURCEW(resourceId),
                                                  IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR | LR_SHARED));
    if (small) ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void CWindowWnd::ResizeClient(int cx, int cy) {
    RECT rc;
    if (!::GetClientRect(hwnd_, &rc)) return;
    if (cx != -1) rc.right = cx;
    if (cy != -1) rc.bottom = cy;
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
    if (!::AdjustWindowRectEx(&rc, style, ::GetMenu(hwnd_) != nullptr, exStyle)) return;
    ::SetWindowPos(hwnd_, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

LRESULT CWindowWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessageW(hwnd_, message, wParam, lParam);
}

LRESULT CWindowWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessageW(hwnd_, message, wParam, lParam);
}

LRESULT CWindowWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(oldProc_, hwnd_, message, wParam, lParam);
}

void CWindowWnd::OnFinalMessage(HWND /*window*/) {}

LRESULT CWindowWnd::Route(CWindowWnd* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                          bool property) {
    if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const LRESULT result = ::CallWindowProcW(self->oldProc_, window, message, wParam, lParam);
        if (property) {
            ::RemovePropW(window, kObjectProperty);
        } else {
            ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        }
        if (self->subclassed_) self->Unsubclass();
        self->hwnd_ = nullptr;
        self->OnFinalMessage(window);
        return result;
    }
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT CALLBACK CWindowWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        CWindowWnd* self;
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            self = static_cast<CWindowWnd*>(create->lpCreateParams);
            self->hwnd_ = window;
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        } else {
            self = reinterpret_cast<CWindowWnd*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        }
        return Route(self, window, message, wParam, lParam, false);
    } catch (const std::bad_alloc&) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK CWindowWnd::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        CWindowWnd* self;
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            self = static_cast<CWindowWnd*>(create->lpCreateParams);
            self->hwnd_ = window;
            ::SetPropW(window, kObjectProperty, self);
        } else {
            self = static_cast<CWindowWnd*>(::GetPropW(window, kObjectProperty));
        }
        return Route(self, window, message, wParam, lParam, true);
    } catch (const std::bad_alloc&) {
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace Ulmar
