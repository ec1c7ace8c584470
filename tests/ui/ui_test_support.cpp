#include "tests/ui/ui_test_support.h"

#include <algorithm>
#include <utility>

#include "win/unique_handle.h"

namespace uitest {

using namespace Ulmar;

namespace {

const wchar_t kClassName[] = L"UlmarTestWindow";

void RegisterClassOnce() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = TestWindow::Proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = kClassName;
    registered = ::RegisterClassExW(&wc) != 0;
}

}  // namespace

TestWindow::TestWindow(int width, int height, DWORD style, DWORD exStyle, HWND owner) {
    RegisterClassOnce();
    // The real pointer, left anywhere by tests that drive it, must not hover the
    // new window: its moves would reach controls that count their events.
    ::SetCursorPos(::GetSystemMetrics(SM_CXSCREEN) - 1, ::GetSystemMetrics(SM_CYSCREEN) - 1);
    manager_ = new CPaintManagerUI();
    hwnd_ = ::CreateWindowExW(exStyle, kClassName, L"test", style, 40, 40, width, height, owner,
                              nullptr, ::GetModuleHandleW(nullptr), this);
    if (hwnd_) manager_->Init(hwnd_, L"test");
}

TestWindow::~TestWindow() {
    Destroy();
    delete manager_;
}

CPaintManagerUI* TestWindow::ReleaseManager() { return std::exchange(manager_, nullptr); }

void TestWindow::Destroy() {
    if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

LRESULT CALLBACK TestWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TestWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCDESTROY) ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    if (self) {
        self->seen_.push_back(message);
        if (self->manager_ && self->manager_->GetPaintWindow() == hwnd) {
            LRESULT result = 0;
            // The manager may be deleted inside; read nothing of `self` after this
            // unless the window still exists.
            if (self->manager_->MessageHandler(message, wParam, lParam, result)) return result;
        }
    }
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    MSG msg;
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return done();
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!CPaintManagerUI::TranslateMessage(&msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            if (done()) return true;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    PumpUntil([&] { return ::GetTickCount() - start >= ms; }, ms + 1000);
}

void Flush(HWND hwnd) {
    ::UpdateWindow(hwnd);
    MSG msg;
    // Bounded: a window that keeps invalidating itself must fail its test, not hang it.
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 5000 && ::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!CPaintManagerUI::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    ::UpdateWindow(hwnd);
}

DWORD OffscreenPixel(const CPaintManagerUI& pm, int x, int y) {
    const DWORD* bits = pm.GetOffscreenBits();
    const SIZE size = pm.GetOffscreenSize();
    if (!bits || x < 0 || y < 0 || x >= size.cx || y >= size.cy) return 0;
    ::GdiFlush();
    return bits[static_cast<size_t>(y) * size.cx + x];
}

COLORREF ScreenPixel(HWND hwnd, int x, int y) {
    HDC dc = ::GetDC(hwnd);
    const COLORREF color = ::GetPixel(dc, x, y);
    ::ReleaseDC(hwnd, dc);
    return color;
}

// ---- ProbeControl ----

ProbeControl::ProbeControl(UINT flags, const wchar_t* name) : flags_(flags) {
    if (name) SetName(name);
}

void ProbeControl::HandleEvent(TControlEvent& event) {
    events.push_back(event);
    CControlUI::HandleEvent(event);
}

int ProbeControl::Count(int type) const {
    return static_cast<int>(std::count_if(events.begin(), events.end(),
                                          [type](const TControlEvent& e) { return e.type == type; }));
}

// ---- TestContainer ----

TestContainer::~TestContainer() {
    for (CControlUI* child : children_) delete child;
}

void* TestContainer::GetInterface(const wchar_t* name) {
    if (name && ::lstrcmpiW(name, L"IContainer") == 0) return this;
    return CControlUI::GetInterface(name);
}

void TestContainer::Add(CControlUI* child) {
    if (manager_) manager_->InitControls(child, this);
    else child->SetManager(nullptr, this, false);
    children_.push_back(child);
    NeedUpdate();
}

CControlUI* TestContainer::Remove(CControlUI* child) {
    const auto it = std::find(children_.begin(), children_.end(), child);
    if (it == children_.end()) return nullptr;
    children_.erase(it);
    NeedUpdate();
    return child;
}

void TestContainer::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    for (CControlUI* child : children_) child->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

void TestContainer::SetPos(RECT rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    for (CControlUI* child : children_) {
        const SIZE xy = child->GetFixedXY();
        const RECT childRect = {rc.left + xy.cx, rc.top + xy.cy, rc.left + xy.cx + child->GetFixedWidth(),
                                rc.top + xy.cy + child->GetFixedHeight()};
        child->SetPos(childRect, false);
    }
}

bool TestContainer::PaintLayers(HDC dc, const RECT& paintRect, CControlUI* stopControl) {
    CControlUI::PaintLayers(dc, paintRect, stopControl);
    for (CControlUI* child : children_) {
        if (!child->IsVisible()) continue;
        if (!child->Paint(dc, paintRect, stopControl)) return false;
    }
    return true;
}

CControlUI* TestContainer::FindControl(FindControlProc proc, void* data, UINT flags) {
    if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
    if ((flags & UIFIND_HITTEST) && !::PtInRect(&itemRect_, *static_cast<POINT*>(data))) return nullptr;
    if (flags & UIFIND_ME_FIRST) {
        if (!(flags & UIFIND_HITTEST) || IsMouseEnabled()) {
            if (CControlUI* found = proc(this, data)) return found;
        }
    }
    auto visit = [&](CControlUI* child) { return child->FindControl(proc, data, flags); };
    if (flags & UIFIND_TOP_FIRST) {
        for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
            if (CControlUI* found = visit(*it)) return found;
        }
    } else {
        for (CControlUI* child : children_) {
            if (CControlUI* found = visit(child)) return found;
        }
    }
    if (flags & UIFIND_ME_FIRST) return nullptr;
    if ((flags & UIFIND_HITTEST) && !IsMouseEnabled()) return nullptr;
    return proc(this, data);
}

void TestContainer::SetVisible(bool visible) {
    CControlUI::SetVisible(visible);
    for (CControlUI* child : children_) child->SetInheritedVisible(IsVisible());
}

// ---- TempFile ----

TempFile::TempFile(const std::wstring& name, const std::vector<unsigned char>& bytes) {
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    path_ = std::wstring(folder) + name;
    win::UniqueFile file(::CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

TempFile::~TempFile() { ::DeleteFileW(path_.c_str()); }

}  // namespace uitest
