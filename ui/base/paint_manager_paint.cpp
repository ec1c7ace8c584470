// CPaintManagerUI: the paint pass. Layout when asked for, then the tree painted
// into the offscreen bitmap and copied to the window, or handed to
// UpdateLayeredWindow with per-pixel alpha.
#include <algorithm>

#include "ui/base/control.h"
#include "ui/base/paint_manager.h"
#include "ui/base/paint_manager_shared.h"
#include "ui/base/render.h"

namespace Ulmar {

bool CPaintManagerUI::Surfaces::Surface::Create(HDC reference, int width, int height) {
    selection.reset();
    bitmap.reset();
    dc.reset();
    bits = nullptr;
    size = SIZE{0, 0};
    if (width <= 0 || height <= 0) return false;
    dc = win::CreateMemoryDc(reference);
    if (!dc) return false;
    void* pixels = nullptr;
    bitmap = win::CreateDib32(width, height, &pixels);
    if (!bitmap || !pixels) {
        dc.reset();
        return false;
    }
    bits = static_cast<DWORD*>(pixels);
    size = SIZE{width, height};
    selection = std::make_unique<win::ScopedSelectObject>(dc.get(), bitmap.get());
    return true;
}

const DWORD* CPaintManagerUI::GetOffscreenBits() const {
    return surfaces_ ? surfaces_->offscreen.bits : nullptr;
}

SIZE CPaintManagerUI::GetOffscreenSize() const {
    return surfaces_ ? surfaces_->offscreen.size : SIZE{0, 0};
}

namespace {

// Dark enough to stand out on the light skins and on a blue button alike.
constexpr DWORD kFocusMarkColor = 0xFF202428;

CControlUI* CollectUpdateNeeded(CControlUI* control, void* data) {
    if (control->IsUpdateNeeded()) static_cast<std::vector<CControlUI*>*>(data)->push_back(control);
    return nullptr;
}
}  // namespace

// Lays out what asked for it: the whole tree when the root did, else each
// visible control that needs it, parents before children.
void CPaintManagerUI::LayoutTree(bool& laidOut) {
    laidOut = false;
    updateNeeded_ = false;
    RECT client = {0, 0, 0, 0};
    ::GetClientRect(window_, &client);
    if (::IsRectEmpty(&client) || ::IsIconic(window_)) return;
    if (root_->IsUpdateNeeded()) {
        surfaces_.reset();
        RECT rc = client;
        if (layered_) {
            rc.left += layeredInset_.left;
            rc.top += layeredInset_.top;
            rc.right -= layeredInset_.right;
            rc.bottom -= layeredInset_.bottom;
        }
        root_->SetPos(rc, true);
    } else {
        std::vector<CControlUI*> controls;
        root_->FindControl(CollectUpdateNeeded, &controls, UIFIND_VISIBLE | UIFIND_ME_FIRST);
        for (CControlUI* control : controls) {
            // A parent laid out earlier in this loop has placed it already.
            if (!control->IsUpdateNeeded()) continue;
            control->SetPos(control->GetPos(), true);
        }
    }
    laidOut = true;
    ++stats_.layouts;
}

void CPaintManagerUI::OnPaint() {
    const std::weak_ptr<bool> alive = alive_;
    if (!root_) {
        PAINTSTRUCT ps = {};
        HDC dc = ::BeginPaint(window_, &ps);
        ::FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        ::EndPaint(window_, &ps);
        return;
    }

    RECT client = {0, 0, 0, 0};
    ::GetClientRect(window_, &client);
    RECT paint = {0, 0, 0, 0};
    if (!::GetUpdateRect(window_, &paint, FALSE)) {
        // Nothing to paint; a layered window may still have pending changes.
        if (!layered_ || ::IsRectEmpty(&layeredUpdate_)) return;
    }
    if (focusNeeded_) SetNextTabControl();
    if (alive.expired()) return;

    painting_ = true;
    bool laidOut = false;
    if (updateNeeded_) {
        LayoutTree(laidOut);
        if (laidOut && firstLayout_) {
            firstLayout_ = false;
            SendNotify(root_.get(), NotifyType::kWindowInit, 0, 0, false);
            if (alive.expired()) return;
            if (!root_) {
                painting_ = false;
                return;
            }
        }
        if (laidOut && layered_ && layeredChanged_) {
            Invalidate();
            painting_ = false;
            return;
        }
        if (laidOut && shadow_) shadow_->Update(window_);
        // Layout may have invalidated more than the first update rectangle;
        // BeginPaint validates all of it, so paint all of it.
        RECT more = {0, 0, 0, 0};
        if (laidOut && ::GetUpdateRect(window_, &more, FALSE)) ::UnionRect(&paint, &paint, &more);
    }

    if (layered_) PrepareLayered(paint, client);
    if (offscreenPaint_) EnsureOffscreen(client);

    PAINTSTRUCT ps = {};
    HDC screen = ::BeginPaint(window_, &ps);
    if (!offscreenPaint_ || !surfaces_ || !surfaces_->offscreen.dc) {
        root_->Paint(screen, paint, nullptr);
        PaintAfterAll(screen, paint);
    } else {
        PaintOffscreen(screen, paint, client);
    }

    if (showUpdateRect_ && !layered_) {
        win::ScopedSelectObject pen(screen, Shared().updateRectPen.get());
        win::ScopedSelectObject brush(screen, ::GetStockObject(HOLLOW_BRUSH));
        ::Rectangle(screen, paint.left, paint.top, paint.right, paint.bottom);
    }
    ::EndPaint(window_, &ps);

    ++stats_.paints;
    stats_.lastPaintRect = paint;
    painting_ = false;
    layeredChanged_ = false;
    // BeginPaint validated what was invalidated during layout, including the
    // request of a focus step that had to wait for the layout: ask again.
    if (updateNeeded_ || focusNeeded_) Invalidate();
    if (laidOut) SendNotify(root_.get(), NotifyType::kWindowSize, 0, 0, true);
}

// A layered window always paints offscreen, and over what changed since its last update too.
void CPaintManagerUI::PrepareLayered(RECT& paint, const RECT& client) {
    const LONG_PTR exStyle = ::GetWindowLongPtrW(window_, GWL_EXSTYLE);
    if (!(exStyle & WS_EX_LAYERED)) ::SetWindowLongPtrW(window_, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    offscreenPaint_ = true;
    ::UnionRect(&paint, &paint, &layeredUpdate_);
    ::IntersectRect(&paint, &paint, &client);
    layeredUpdate_ = RECT{0, 0, 0, 0};
}

// The offscreen surface follows the client size.
void CPaintManagerUI::EnsureOffscreen(const RECT& client) {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    if (!surfaces_) surfaces_ = std::make_unique<Surfaces>();
    auto& offscreen = surfaces_->offscreen;
    if (!offscreen.dc || offscreen.size.cx != width || offscreen.size.cy != height) {
        offscreen.Create(GetPaintDC(), width, height);
    }
}

void CPaintManagerUI::PaintAfterAll(HDC dc, const RECT& paintRect) {
    const DispatchEnd end = postPaint_.Dispatch(alive_, [&](CControlUI* control) {
        control->PaintAfter(dc, paintRect);
        return false;
    });
    if (end != DispatchEnd::kOwnerGone) PaintFocusMark(dc, paintRect);
}

// The frame sits two pixels outside the control, so that it shows on any of its colours.
RECT CPaintManagerUI::FocusMarkRect(const CControlUI* control) const {
    RECT rc = control->GetPos();
    const int gap = dpi_ ? dpi_->Scale(2) : 2;
    ::InflateRect(&rc, gap, gap);
    return rc;
}

void CPaintManagerUI::InvalidateFocusMark(const CControlUI* control) {
    if (!focusMarkShown_ || !control) return;
    RECT rc = FocusMarkRect(control);
    ::InflateRect(&rc, 1, 1);
    Invalidate(rc);
}

void CPaintManagerUI::PaintFocusMark(HDC dc, const RECT& paintRect) {
    if (!focusMarkShown_ || !focus_ || !focus_->IsVisible() || !(focus_->GetControlFlags() & UIFLAG_TABSTOP)) return;
    const RECT rc = FocusMarkRect(focus_);
    RECT overlap = {0, 0, 0, 0};
    if (!::IntersectRect(&overlap, &rc, &paintRect)) return;
    const int width = dpi_ ? dpi_->Scale(1) : 1;
    CRenderer::DrawRect(dc, rc, width, kFocusMarkColor, PS_DOT);
}

void CPaintManagerUI::PaintOffscreen(HDC screen, RECT paint, const RECT& client) {
    auto& offscreen = surfaces_->offscreen;
    HDC memory = offscreen.dc.get();
    if (layered_) {
        // Start from transparent: what no control paints stays see-through.
        for (LONG y = paint.top; y < paint.bottom; ++y) {
            DWORD* row = offscreen.bits + static_cast<size_t>(y) * offscreen.size.cx;
            std::fill(row + paint.left, row + paint.right, 0u);
        }
    }
    root_->Paint(memory, paint, nullptr);
    PaintAfterAll(memory, paint);
    ::GdiFlush();

    if (!layered_) {
        ::BitBlt(screen, paint.left, paint.top, paint.right - paint.left, paint.bottom - paint.top,
                 memory, paint.left, paint.top, SRCCOPY);
        return;
    }

    ApplyLayeredAlpha(paint, client);
    RECT windowRect = {0, 0, 0, 0};
    ::GetWindowRect(window_, &windowRect);
    POINT position = {windowRect.left, windowRect.top};
    SIZE size = offscreen.size;
    POINT source = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, opacity_, AC_SRC_ALPHA};
    if (auto update = Shared().updateLayeredWindow) {
        if (update(window_, nullptr, &position, &size, memory, &source, 0, &blend, ULW_ALPHA)) {
            ++stats_.layeredUpdates;
        }
    }
}

// GDI leaves alpha at 0 where it draws; a layered window needs it set. With a
// layered image its alpha masks the result; without one, drawn pixels become opaque.
void CPaintManagerUI::ApplyLayeredAlpha(const RECT& paint, const RECT& client) {
    auto& offscreen = surfaces_->offscreen;
    const DWORD* mask = nullptr;
    if (!layeredImage_.IsEmpty()) {
        auto& background = surfaces_->background;
        if (!background.dc || background.size.cx != offscreen.size.cx ||
            background.size.cy != offscreen.size.cy || layeredChanged_) {
            if (background.Create(GetPaintDC(), offscreen.size.cx, offscreen.size.cy)) {
                std::fill(background.bits,
                          background.bits + static_cast<size_t>(background.size.cx) * background.size.cy, 0u);
                CRenderer::DrawImage(background.dc.get(), this, client, client, layeredImage_);
                ::GdiFlush();
            }
        }
        mask = background.bits;
    }
    for (LONG y = paint.top; y < paint.bottom; ++y) {
        DWORD* row = offscreen.bits + static_cast<size_t>(y) * offscreen.size.cx;
        const DWORD* maskRow = mask ? mask + static_cast<size_t>(y) * offscreen.size.cx : nullptr;
        for (LONG x = paint.left; x < paint.right; ++x) {
            DWORD& pixel = row[x];
            if (maskRow) {
                const DWORD alpha = maskRow[x] >> 24;
                const DWORD a = ((pixel >> 24) * alpha) / 255;
                const DWORD r = (((pixel >> 16) & 0xFF) * alpha) / 255;
                const DWORD g = (((pixel >> 8) & 0xFF) * alpha) / 255;
                const DWORD b = ((pixel & 0xFF) * alpha) / 255;
                pixel = (a << 24) | (r << 16) | (g << 8) | b;
            } else if ((pixel & 0x00FFFFFF) != 0 && (pixel >> 24) == 0) {
                pixel |= 0xFF000000;
            }
        }
    }
}

void CPaintManagerUI::PrintClient(HDC dc, LPARAM flags) {
    if (!root_ || !dc) return;
    RECT client = {0, 0, 0, 0};
    ::GetClientRect(window_, &client);
    {
        win::ScopedClip clip(dc);
        root_->Paint(dc, client, nullptr);
    }
    if (!(flags & PRF_CHILDREN)) return;
    for (HWND child = ::GetWindow(window_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT rc = {0, 0, 0, 0};
        ::GetWindowRect(child, &rc);
        ::MapWindowPoints(HWND_DESKTOP, window_, reinterpret_cast<POINT*>(&rc), 2);
        POINT origin = {0, 0};
        ::SetWindowOrgEx(dc, -rc.left, -rc.top, &origin);
        ::SendMessageW(child, WM_PRINT, reinterpret_cast<WPARAM>(dc), flags | PRF_NONCLIENT);
        ::SetWindowOrgEx(dc, origin.x, origin.y, nullptr);
    }
}

}  // namespace Ulmar
