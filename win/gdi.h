// Owners and scoped helpers for GDI and GDI+: device contexts, bitmaps, fonts,
// regions, brushes and pens, built on the one owner template; a selection and a
// clip that restore what was there before; GDI+ startup and shutdown.
// A raw HDC or HGDIOBJ elsewhere is borrowed.
#pragma once

#include <windows.h>
#include <objidl.h>

#include "win/unique_handle.h"

namespace win {

// CreateBitmap, CreateDIBSection, CreateFontIndirectW, CreateRectRgn, brushes, pens.
template <typename H>
struct GdiObjectTraits {
    using Handle = H;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};

using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueRegion = UniqueHandle<GdiObjectTraits<HRGN>>;
using UniqueBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;
using UniquePen = UniqueHandle<GdiObjectTraits<HPEN>>;

// CreateCompatibleDC, CreateDCW: released with DeleteDC.
struct MemoryDcTraits {
    using Handle = HDC;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DeleteDC(h); }
};
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;

// GetDC, GetWindowDC: released with ReleaseDC, which needs the window too.
struct WindowDcHandle {
    HWND window = nullptr;
    HDC dc = nullptr;
};
struct WindowDcTraits {
    using Handle = WindowDcHandle;
    static Handle Invalid() noexcept { return {}; }
    static bool IsValid(const Handle& h) noexcept { return h.dc != nullptr; }
    static void Close(const Handle& h) noexcept { ::ReleaseDC(h.window, h.dc); }
};
using UniqueWindowDc = UniqueHandle<WindowDcTraits>;

// GetDC(window) in an owner; window may be null for the screen.
inline UniqueWindowDc GetWindowDc(HWND window) {
    return UniqueWindowDc(WindowDcHandle{window, ::GetDC(window)});
}

// A memory DC compatible with `reference` (null: the screen).
inline UniqueMemoryDc CreateMemoryDc(HDC reference) {
    return UniqueMemoryDc(::CreateCompatibleDC(reference));
}

// A 32-bit top-down DIB section; `bits` receives its pixels (BGRA, rows of
// width * 4 bytes). Returns an empty owner on failure, with `bits` null.
UniqueBitmap CreateDib32(int width, int height, void** bits);

// Selects `object` into `dc` and puts the previous object back on destruction.
// Selecting null or into a null DC does nothing.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ object) noexcept
        : m_dc(dc), m_old(dc && object ? ::SelectObject(dc, object) : nullptr) {}
    ~ScopedSelectObject() {
        if (m_old && m_old != HGDI_ERROR) {
            const DWORD saved = ::GetLastError();
            ::SelectObject(m_dc, m_old);
            ::SetLastError(saved);
        }
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

    bool ok() const noexcept { return m_old != nullptr && m_old != HGDI_ERROR; }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// Remembers the DC's clip region (or that it had none) and restores it exactly
// on destruction, whatever was selected or intersected meanwhile.
class ScopedClip {
public:
    explicit ScopedClip(HDC dc) noexcept;
    ~ScopedClip();
    ScopedClip(const ScopedClip&) = delete;
    ScopedClip& operator=(const ScopedClip&) = delete;

private:
    HDC m_dc;
    UniqueRegion m_saved;  // null when the DC had no clip region
};

// Copies the DC's current clip region; empty owner when the DC has none.
UniqueRegion GetClipRegion(HDC dc);

// Starts GDI+ (version 1) for the owner's lifetime. Each paint manager holds one.
class ScopedGdiplus {
public:
    ScopedGdiplus() noexcept;
    ~ScopedGdiplus();
    ScopedGdiplus(const ScopedGdiplus&) = delete;
    ScopedGdiplus& operator=(const ScopedGdiplus&) = delete;

    bool ok() const noexcept { return m_token != 0; }

private:
    ULONG_PTR m_token = 0;
};

}  // namespace win
