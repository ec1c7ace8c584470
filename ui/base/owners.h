#pragma once
// Owners for the window-system objects the framework creates: a window it
// destroys itself, and font bytes registered for one paint manager's life.
#include <windows.h>

#include "win/unique_handle.h"

namespace Ulmar {

struct WindowTraits {
    using Handle = HWND;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    // The window may be gone already (its parent took it along).
    static void Close(Handle h) noexcept {
        if (::IsWindow(h)) ::DestroyWindow(h);
    }
};

struct MemoryFontTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::RemoveFontMemResourceEx(h); }
};

using UniqueWindow = win::UniqueHandle<WindowTraits>;
using UniqueMemoryFont = win::UniqueHandle<MemoryFontTraits>;

}  // namespace Ulmar
