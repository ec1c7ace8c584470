// CShadowUI: the shadow window, its bitmap and the owner's subclass procedure.
#include "ui/controls/shadow.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <new>
#include <vector>

#include "ui/base/control.h"
#include "ui/base/image.h"
#include "ui/base/render.h"

namespace Ulmar {

namespace {

constexpr wchar_t kShadowClass[] = L"UlmarShadowWnd";

// Owner window -> its shadow and the procedure it had before. An entry whose
// shadow is gone (null) still passes the owner's messages on until it dies.
struct Subclass {
    CShadowUI* shadow;
    WNDPROC previous;
};
std::map<HWND, Subclass>& Owners() {
    static std::map<HWND, Subclass> owners;
    return owners;
}

HINSTANCE& ClassInstance() {
    static HINSTANCE instance = nullptr;
    return instance;
}

// The failure is looked up (so a debugger shows it) and otherwise ignored.
void DiscardLastError() {
    wchar_t* text = nullptr;
    ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                         FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, ::GetLastError(), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (text) ::LocalFree(text);
}

bool InRange(int value, int low, int high) { return value >= low && value <= high; }

}  // namespace

// ---- set-up ----

bool CShadowUI::Initialize(HINSTANCE instance) {
    if (ClassInstance()) return false;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(6));
    wc.lpszClassName = kShadowClass;
    if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    ClassInstance() = instance;
    return true;
}

CShadowUI* CShadowUI::Of(CPaintManagerUI& manager) {
    if (auto* shadow = dynamic_cast<CShadowUI*>(manager.GetShadow())) return shadow;
    auto shadow = std::make_unique<CShadowUI>();
    CShadowUI* raw = shadow.get();
    manager.SetShadow(std::move(shadow));
    return raw;
}

CShadowUI::~CShadowUI() { Detach(); }

void CShadowUI::Detach() {
    if (owner_) {
        auto& owners = Owners();
        const auto it = owners.find(owner_);
        if (it != owners.end()) {
            const auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(owner_, GWLP_WNDPROC));
            if (current == &CShadowUI::SubclassProc) {
                ::SetWindowLongPtrW(owner_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.previous));
                owners.erase(it);
            } else {
                // Someone subclassed over us: keep passing messages on.
                it->second.shadow = nullptr;
            }
        }
        owner_ = nullptr;
    }
    if (shadow_ && ::IsWindow(shadow_)) ::DestroyWindow(shadow_);
    shadow_ = nullptr;
}

// Skin pixels: a drawn shadow's reach and offset scale with the window. A picture's
// reach stays that of its corners, which are picture pixels.
void CShadowUI::ApplyScaledAttributes(CPaintManagerUI& manager, int scalePercent) {
    auto value = [&manager](const wchar_t* name) { return manager.GetWindowCustomAttribute(name); };
    if (const wchar_t* v = value(L"shadowsize")) {
        const int size = CControlUI::ParseInt(v);
        SetSize(value(L"shadowimage") ? size : CDPI::ScaleValue(size, scalePercent));
    }
    if (const wchar_t* v = value(L"shadowposition")) {
        const SIZE offset = CControlUI::ParseSize(v);
        SetPosition(CDPI::ScaleValue(offset.cx, scalePercent), CDPI::ScaleValue(offset.cy, scalePercent));
    }
}

void CShadowUI::ApplyWindowAttributes(CPaintManagerUI& manager) {
    auto value = [&manager](const wchar_t* name) { return manager.GetWindowCustomAttribute(name); };
    ApplyScaledAttributes(manager, manager.GetDPIObj()->GetAwareness() == CDPI::Awareness::Unaware
                                       ? 100
                                       : manager.GetDPIScale());
    if (const wchar_t* v = value(L"shadowsharpness")) {
        const int n = CControlUI::ParseInt(v);
        if (n >= 0) SetSharpness(static_cast<unsigned>(n));
    }
    if (const wchar_t* v = value(L"shadowdarkness")) {
        const int n = CControlUI::ParseInt(v);
        if (n >= 0) SetDarkness(static_cast<unsigned>(n));
    }
    if (const wchar_t* v = value(L"shadowcolor")) {
        const DWORD argb = CControlUI::ParseColor(v);
        SetColor(RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF));
    }
    if (const wchar_t* v = value(L"shadowcorner")) SetShadowCorner(CControlUI::ParseRect(v));
    if (const wchar_t* v = value(L"shadowimage")) SetImage(v);
    if (const wchar_t* v = value(L"showshadow")) ShowShadow(CControlUI::ParseBool(v));
}

void CShadowUI::Create(CPaintManagerUI* manager) {
    if (!manager || shadow_) return;
    // The skin builder keeps the window's shadow settings as custom attributes.
    ApplyWindowAttributes(*manager);
    if (!showShadow_) return;
    HWND owner = manager->GetPaintWindow();
    if (!owner || !::IsWindow(owner)) return;
    if (!ClassInstance()) {
        HINSTANCE instance = CPaintManagerUI::GetInstance();
        Initialize(instance ? instance : ::GetModuleHandleW(nullptr));
    }
    manager_ = manager;
    const DWORD ownerStyle = static_cast<DWORD>(::GetWindowLongPtrW(owner, GWL_STYLE));
    shadow_ = ::CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, kShadowClass, nullptr,
                                WS_POPUPWINDOW | (ownerStyle & WS_DLGFRAME), CW_USEDEFAULT, 0, 0, 0,
                                owner, nullptr, ClassInstance(), nullptr);
    if (!shadow_) return;
    owner_ = owner;

    if (!::IsWindowVisible(owner)) {
        status_ = SS_ENABLED;
    } else if (!::IsZoomed(owner) && !::IsIconic(owner)) {
        status_ = SS_ENABLED | SS_VISIBLE | SS_PARENTVISIBLE;
        ::ShowWindow(shadow_, SW_SHOWNA);
        Update(owner);
    } else {
        status_ = SS_ENABLED | SS_PARENTVISIBLE;
    }

    auto& owners = Owners();
    const auto it = owners.find(owner);
    if (it != owners.end()) {
        // A stale entry (an earlier shadow that could not unhook): take it over.
        it->second.shadow = this;
        previousProc_ = it->second.previous;
        return;
    }
    previousProc_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CShadowUI::SubclassProc)));
    owners[owner] = Subclass{this, previousProc_};
}

// ---- setters ----

bool CShadowUI::SetSize(int size) {
    if (!InRange(size, -35, 35)) return false;
    size_ = static_cast<signed char>(size);
    if (shadow_ && ::IsWindowVisible(shadow_)) Update(owner_);
    return true;
}

bool CShadowUI::SetSharpness(unsigned int sharpness) {
    if (sharpness > 35) return false;
    sharpness_ = static_cast<uint8_t>(sharpness);
    if (shadow_ && ::IsWindowVisible(shadow_)) Update(owner_);
    return true;
}

bool CShadowUI::SetDarkness(unsigned int darkness) {
    if (darkness > 255) return false;
    darkness_ = static_cast<uint8_t>(darkness);
    if (shadow_ && ::IsWindowVisible(shadow_)) Update(owner_);
    return true;
}

bool CShadowUI::SetPosition(int x, int y) {
    if (!InRange(x, -35, 35) || !InRange(y, -35, 35)) return false;
    xOffset_ = static_cast<signed char>(x);
    yOffset_ = static_cast<signed char>(y);
    if (shadow_ && ::IsWindowVisible(shadow_)) Update(owner_);
    return true;
}

bool CShadowUI::SetColor(COLORREF color) {
    color_ = color;
    if (shadow_ && ::IsWindowVisible(shadow_)) Update(owner_);
    return true;
}

bool CShadowUI::SetImage(const wchar_t* image) {
    if (!image) return false;
    useImage_ = true;
    image_ = image;
    if (shadow_ && ::IsWindowVisible(shadow_)) Update(owner_);
    return true;
}

bool CShadowUI::SetShadowCorner(RECT corner) {
    if (corner.left < 0 || corner.top < 0 || corner.right < 0 || corner.bottom < 0) return false;
    corner_ = corner;
    if (shadow_ && ::IsWindowVisible(shadow_)) Update(owner_);
    return true;
}

void CShadowUI::CopyShadow(CShadowUI* other) const {
    if (!other) return;
    if (useImage_) {
        other->SetImage(image_);
        other->SetShadowCorner(corner_);
        other->SetSize(size_);
    } else {
        other->SetSize(size_);
        other->SetSharpness(sharpness_);
        other->SetDarkness(darkness_);
        other->SetColor(color_);
        other->SetPosition(xOffset_, yOffset_);
    }
    other->ShowShadow(showShadow_);
}

// ---- building the bitmap ----

RECT CShadowUI::Placement(const RECT& owner) const {
    const int dx = useImage_ ? -size_ : xOffset_ - size_;
    const int dy = useImage_ ? -size_ : yOffset_ - size_;
    return RECT{owner.left + dx, owner.top + dy, owner.right + dx + 2 * size_,
                owner.bottom + dy + 2 * size_};
}

bool CShadowUI::DrawImageShadow(HDC dc, int width, int height) {
    if (!manager_) return false;
    const CImageDrawInfo* info = manager_->GetDrawInfo(image_, L"");
    if (!info) return false;
    const CImageData* data = manager_->GetImageEx(info->sImageName, info->sResType, info->dwMask,
                                                  info->bHSL, false);
    if (!data || !data->GetBitmap()) return false;
    const RECT all = {0, 0, width, height};
    const RECT source = {0, 0, data->width, data->height};
    // Hole on: the middle, under the owner, stays fully transparent.
    CRenderer::DrawImage(dc, data->GetBitmap(), all, all, source, corner_, data->alpha, 255, true);
    return true;
}

void CShadowUI::Update(HWND owner) {
    if (!showShadow_ || !(status_ & SS_VISIBLE) || !shadow_ || !owner) return;
    RECT ownerRect;
    if (!::GetWindowRect(owner, &ownerRect)) return;
    if (useImage_ ? image_.IsEmpty() : size_ == 0) return;
    const int ownerWidth = ownerRect.right - ownerRect.left;
    const int ownerHeight = ownerRect.bottom - ownerRect.top;
    const int width = ownerWidth + 2 * size_;
    const int height = ownerHeight + 2 * size_;
    if (width <= 0 || height <= 0) return;

    if (bitmapSize_.cx != width || bitmapSize_.cy != height || !bitmap_) {
        void* bits = nullptr;
        bitmap_ = win::CreateDib32(width, height, &bits);
        bits_ = static_cast<DWORD*>(bits);
        bitmapSize_ = bitmap_ ? SIZE{width, height} : SIZE{0, 0};
        if (!bitmap_) {
            DiscardLastError();
            return;  // nothing to lay out without pixels
        }
    }
    win::UniqueMemoryDc memoryDc = win::CreateMemoryDc(nullptr);
    if (!memoryDc) {
        DiscardLastError();
        return;
    }
    win::ScopedSelectObject select(memoryDc.get(), bitmap_.get());
    ::GdiFlush();
    std::fill(bits_, bits_ + static_cast<size_t>(width) * height, 0u);
    if (useImage_) {
        // An image that cannot be loaded leaves the window as it was.
        if (!DrawImageShadow(memoryDc.get(), width, height)) return;
    } else {
        MakeShadow(bits_, owner, ownerWidth, ownerHeight);
    }
    ::GdiFlush();

    const RECT place = Placement(ownerRect);
    ::MoveWindow(shadow_, place.left, place.top, width, height, FALSE);
    POINT dest = {place.left, place.top};
    SIZE size = {width, height};
    POINT source = {0, 0};
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::UpdateLayeredWindow(shadow_, nullptr, &dest, &size, memoryDc.get(), &source, 0, &blend, ULW_ALPHA);
}

void CShadowUI::MakeShadow(DWORD* bits, HWND owner, int ownerWidth, int ownerHeight) const {
    const int width = ownerWidth + 2 * size_;
    const int height = ownerHeight + 2 * size_;
    if (ownerWidth <= 0 || ownerHeight <= 0) return;

    // 1. The owner's shape, one span per row (left > right: empty row).
    std::vector<int> left(ownerHeight, 0);
    std::vector<int> right(ownerHeight, -1);
    win::UniqueRegion region(::CreateRectRgn(0, 0, ownerWidth, ownerHeight));
    if (region) ::GetWindowRgn(owner, region.get());
    for (int y = 0; y < ownerHeight; ++y) {
        int l = 0;
        int r = ownerWidth - 1;
        if (region) {
            while (l < ownerWidth && !::PtInRegion(region.get(), l, y)) ++l;
            while (r >= l && !::PtInRegion(region.get(), r, y)) --r;
        }
        left[y] = l;
        right[y] = r;
    }

    // 2. The round kernel.
    const int sharpness = sharpness_;
    const int k = std::max<int>(size_, sharpness);
    const int r0 = std::max(size_ - sharpness, 0);
    const int side = 2 * k + 1;
    const BYTE red = GetRValue(color_);
    const BYTE green = GetGValue(color_);
    const BYTE blue = GetBValue(color_);
    auto pixel = [&](int alpha) -> DWORD {
        return (static_cast<DWORD>(alpha) << 24) | (static_cast<DWORD>(red * alpha / 255) << 16) |
               (static_cast<DWORD>(green * alpha / 255) << 8) | static_cast<DWORD>(blue * alpha / 255);
    };
    std::vector<DWORD> kernel(static_cast<size_t>(side) * side, 0);
    for (int ky = 0; ky < side; ++ky) {
        for (int kx = 0; kx < side; ++kx) {
            const double d = std::sqrt(static_cast<double>((kx - k) * (kx - k) + (ky - k) * (ky - k)));
            int alpha = 0;
            if (d < r0) {
                alpha = darkness_;
            } else if (d <= k) {
                alpha = static_cast<int>(darkness_ * (1.0 - (d - r0) / (sharpness + 1)));
            }
            kernel[static_cast<size_t>(ky) * side + kx] = pixel(std::max(alpha, 0));
        }
    }
    const DWORD full = pixel(darkness_);

    // 3. A soft edge wider than the shadow eats into the shape.
    for (int step = 0; step < sharpness - size_; ++step) {
        std::vector<int> nl = left;
        std::vector<int> nr = right;
        for (int y = 0; y < ownerHeight; ++y) {
            const bool edge = y == 0 || y == ownerHeight - 1;
            nl[y] = edge ? 1 : std::max({left[y - 1], left[y], left[y + 1]}) + 1;
            nr[y] = edge ? 0 : std::min({right[y - 1], right[y], right[y + 1]}) - 1;
        }
        left.swap(nl);
        right.swap(nr);
    }

    // 4. Stamps (per-pixel maximum) along the outline, then the inside filled.
    auto stamp = [&](int cx, int cy) {
        for (int ky = 0; ky < side; ++ky) {
            const int y = cy + ky - k;
            if (y < 0 || y >= height) continue;
            DWORD* row = bits + static_cast<size_t>(y) * width;
            const DWORD* krow = kernel.data() + static_cast<size_t>(ky) * side;
            for (int kx = 0; kx < side; ++kx) {
                const int x = cx + kx - k;
                if (x < 0 || x >= width) continue;
                if ((krow[kx] >> 24) > (row[x] >> 24)) row[x] = krow[kx];
            }
        }
    };
    for (int y = 0; y < ownerHeight; ++y) {
        if (left[y] > right[y]) continue;
        const int sy = y + size_;
        stamp(left[y] + size_, sy);
        stamp(right[y] + size_, sy);
        // Where the row above or below has no span over a column, this row is an
        // outer edge there and needs its own stamps.
        for (int x = left[y] + 1; x < right[y]; ++x) {
            const bool openAbove = y == 0 || x < left[y - 1] || x > right[y - 1];
            const bool openBelow = y == ownerHeight - 1 || x < left[y + 1] || x > right[y + 1];
            if (openAbove || openBelow) stamp(x + size_, sy);
        }
    }
    for (int y = 0; y < ownerHeight; ++y) {
        const int sy = y + size_;
        if (sy < 0 || sy >= height) continue;
        for (int x = std::max(left[y] + size_, 0); x <= std::min(right[y] + size_, width - 1); ++x) {
            bits[static_cast<size_t>(sy) * width + x] = full;
        }
    }
}

// ---- the owner's messages ----

void CShadowUI::MoveBehind(HWND owner) {
    RECT ownerRect;
    if (!shadow_ || !::GetWindowRect(owner, &ownerRect)) return;
    const RECT place = Placement(ownerRect);
    ::SetWindowPos(shadow_, owner, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void CShadowUI::ShowForOwner() {
    updatePending_ = true;
    ::ShowWindow(shadow_, SW_SHOWNA);
    status_ |= SS_VISIBLE | SS_PARENTVISIBLE;
}

void CShadowUI::HideForOwner(bool clearOwnerVisible) {
    ::ShowWindow(shadow_, SW_HIDE);
    status_ &= ~SS_VISIBLE;
    if (clearOwnerVisible) status_ &= ~SS_PARENTVISIBLE;
}

void CShadowUI::OnOwnerMessage(HWND owner, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!shadow_) return;
    switch (message) {
    case WM_MOVE:
        if (status_ & SS_VISIBLE) MoveBehind(owner);
        break;
    case WM_SIZE:
        if (!(status_ & SS_ENABLED)) break;
        if (wParam == SIZE_MAXIMIZED || wParam == SIZE_MINIMIZED) {
            HideForOwner(false);
        } else if (status_ & SS_PARENTVISIBLE) {
            // Shown before it is rebuilt: an update of a hidden shadow does nothing,
            // and a restore would otherwise show the old bitmap.
            if (!(status_ & SS_VISIBLE)) {
                ::ShowWindow(shadow_, SW_SHOWNA);
                status_ |= SS_VISIBLE;
            }
            const bool grew = LOWORD(lParam) > LOWORD(lastSize_) || HIWORD(lParam) > HIWORD(lastSize_);
            if (grew) {
                updatePending_ = true;  // the rebuild waits for the next paint
            } else {
                Update(owner);
            }
            lastSize_ = lParam;
        }
        break;
    case WM_PAINT:
        if (updatePending_) {
            Update(owner);
            updatePending_ = false;
        }
        break;
    case WM_SHOWWINDOW:
        if (!(status_ & SS_ENABLED)) break;
        if (!wParam) {
            HideForOwner(true);
        } else if (!(status_ & SS_PARENTVISIBLE)) {
            ShowForOwner();
        }
        break;
    case WM_WINDOWPOSCHANGED: {
        MoveBehind(owner);
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (!pos || !(status_ & SS_ENABLED)) break;
        if ((pos->flags & SWP_SHOWWINDOW) && !(status_ & SS_PARENTVISIBLE)) {
            ShowForOwner();
        } else if (pos->flags & SWP_HIDEWINDOW) {
            HideForOwner(true);
        }
        break;
    }
    case WM_ACTIVATEAPP:
    case WM_NCACTIVATE:
        if (::IsWindowEnabled(owner)) {
            ::SetWindowPos(shadow_, owner, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE);
        }
        break;
    case WM_EXITSIZEMOVE:
        if (status_ & SS_VISIBLE) Update(owner);
        break;
    case WM_DPICHANGED:
        // Seen before the owner takes the new DPI: scale by the message's own. The owner's
        // resize to the suggested rectangle then rebuilds the shadow at its new reach.
        if (manager_) ApplyScaledAttributes(*manager_, ::MulDiv(LOWORD(wParam), 100, 96));
        break;
    case WM_DESTROY:
        ::DestroyWindow(shadow_);
        shadow_ = nullptr;
        break;
    default:
        break;
    }
}

LRESULT CALLBACK CShadowUI::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& owners = Owners();
    const auto it = owners.find(hwnd);
    if (it == owners.end()) return ::DefWindowProcW(hwnd, message, wParam, lParam);
    const WNDPROC previous = it->second.previous;
    CShadowUI* shadow = it->second.shadow;
    if (shadow && !shadow->disabled_) {
        try {
            shadow->OnOwnerMessage(hwnd, message, wParam, lParam);
        } catch (const std::bad_alloc&) {
            // The shadow is decoration: the owner's message still goes through.
        }
    }
    if (message == WM_NCDESTROY) {
        if (shadow) shadow->owner_ = nullptr;
        owners.erase(hwnd);
    }
    return ::CallWindowProcW(previous, hwnd, message, wParam, lParam);
}

}  // namespace Ulmar
