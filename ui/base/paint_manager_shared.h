#pragma once
// Process-wide state behind CPaintManagerUI: the shared resource tables, the
// shared default colours, the list of initialised managers and the layered-window
// functions. Private to the paint manager's source files.
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/base/image.h"
#include "ui/base/paint_manager.h"
#include "win/gdi.h"

namespace Ulmar {

using UpdateLayeredWindowFn = BOOL(WINAPI*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF,
                                            BLENDFUNCTION*, DWORD);
using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

struct DefaultColors {
    DWORD disabled = 0xFFA7A6AA;
    DWORD font = 0xFF000000;
    DWORD link = 0xFF0000FF;
    DWORD linkHover = 0xFFD3215F;
    DWORD selected = 0xFFBAE4FF;
};

// One table of resources. Each window has its own; the shared one serves every
// window, behind its own for lookups.
struct CPaintManagerUI::ResourceTable {
    std::map<int, std::unique_ptr<TFontInfo>> fonts;
    std::unique_ptr<TFontInfo> defaultFont;  // unset in a window's table until it sets one
    std::unordered_map<std::wstring, std::unique_ptr<CImageData>> images;
    std::unordered_map<std::wstring, std::wstring> defaultLists;
    std::unordered_map<std::wstring, std::wstring> styles;
    DefaultColors colors;

    // Fonts, images, default lists and styles; the default font and colours stay.
    void ClearLoaded() {
        images.clear();
        fonts.clear();
        defaultLists.clear();
        styles.clear();
    }
};

struct CPaintManagerUI::SharedTables {
    bool initialised = false;
    ResourceTable resources;
    win::UniquePen updateRectPen;  // 1 px, RGB 220,0,0
    std::vector<CPaintManagerUI*> managers;  // in order of Init

    bool useHSL = false;
    short hue = 180;
    short saturation = 100;
    short lightness = 100;

    bool layeredResolved = false;
    UpdateLayeredWindowFn updateLayeredWindow = nullptr;
    SetLayeredWindowAttributesFn setLayeredWindowAttributes = nullptr;
};

// Offscreen and background surfaces of one manager: 32-bit top-down DIBs, each
// selected into its own memory DC for the surface's lifetime.
struct CPaintManagerUI::Surfaces {
    struct Surface {
        win::UniqueMemoryDc dc;
        win::UniqueBitmap bitmap;
        DWORD* bits = nullptr;
        SIZE size = {0, 0};
        std::unique_ptr<win::ScopedSelectObject> selection;  // released first

        bool Create(HDC reference, int width, int height);
        ~Surface() { selection.reset(); }
    };
    Surface offscreen;
    Surface background;
};

}  // namespace Ulmar
