#pragma once
// CShadowUI: a soft drop shadow around a skinned top-level window. The shadow is
// a layered, click-through popup ("UlmarShadowWnd") kept just behind its owner;
// the owner's window procedure is subclassed so that moves, sizes, shows and
// activations carry over. The bitmap comes from a nine-slice image with an open
// middle, or is computed from a colour, size, sharpness, darkness and offset.
#include <windows.h>

#include <cstdint>

#include "ui/base/paint_manager.h"
#include "ui/base/ui_string.h"
#include "win/gdi.h"

namespace Ulmar {

class CShadowUI : public IWindowShadow {
public:
    // Status bits.
    enum : uint8_t { SS_ENABLED = 1, SS_VISIBLE = 2, SS_PARENTVISIBLE = 4 };

    CShadowUI() = default;
    ~CShadowUI() override;
    CShadowUI(const CShadowUI&) = delete;
    CShadowUI& operator=(const CShadowUI&) = delete;

    // Registers "UlmarShadowWnd" once per process; false when already registered.
    static bool Initialize(HINSTANCE instance);
    // The manager's shadow, installed on first use (the skin builder configures it).
    static CShadowUI* Of(CPaintManagerUI& manager);

    void ShowShadow(bool show) { showShadow_ = show; }
    bool IsShowShadow() const { return showShadow_; }
    void DisableShadow(bool disable) { disabled_ = disable; }
    bool IsDisableShadow() const { return disabled_; }

    bool SetSize(int size);
    bool SetSharpness(unsigned int sharpness);
    bool SetDarkness(unsigned int darkness);
    bool SetPosition(int x, int y);
    bool SetColor(COLORREF color);
    bool SetImage(const wchar_t* image);
    bool SetShadowCorner(RECT corner);
    void CopyShadow(CShadowUI* other) const;

    int GetSize() const { return size_; }
    int GetSharpness() const { return sharpness_; }
    int GetDarkness() const { return darkness_; }
    POINT GetPosition() const { return {xOffset_, yOffset_}; }
    COLORREF GetColor() const { return color_; }
    const CUiString& GetImage() const { return image_; }
    RECT GetShadowCorner() const { return corner_; }
    bool IsImageMode() const { return useImage_; }
    uint8_t GetStatus() const { return status_; }
    HWND GetShadowWindow() const { return shadow_; }

    // The pixels of the last built bitmap (premultiplied BGRA, top-down) and its size.
    const DWORD* GetBits() const { return bits_; }
    SIZE GetBitmapSize() const { return bitmapSize_; }

    // IWindowShadow
    void Create(CPaintManagerUI* manager) override;
    void Update(HWND owner) override;

private:
    void ApplyWindowAttributes(CPaintManagerUI& manager);
    void ApplyScaledAttributes(CPaintManagerUI& manager, int scalePercent);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnOwnerMessage(HWND owner, UINT message, WPARAM wParam, LPARAM lParam);
    // Where the shadow goes for an owner window rectangle.
    RECT Placement(const RECT& owner) const;
    void MoveBehind(HWND owner);
    void ShowForOwner();
    void HideForOwner(bool clearOwnerVisible);
    void MakeShadow(DWORD* bits, HWND owner, int ownerWidth, int ownerHeight) const;
    bool DrawImageShadow(HDC dc, int width, int height);
    void Detach();

    CPaintManagerUI* manager_ = nullptr;  // borrowed; owns this shadow
    HWND owner_ = nullptr;
    HWND shadow_ = nullptr;               // destroyed with the owner, or by Detach
    WNDPROC previousProc_ = nullptr;
    uint8_t status_ = 0;
    bool useImage_ = false;
    bool showShadow_ = false;
    bool disabled_ = false;
    uint8_t darkness_ = 150;
    uint8_t sharpness_ = 5;
    signed char size_ = 0;
    signed char xOffset_ = 0;
    signed char yOffset_ = 0;
    LPARAM lastSize_ = 0;
    bool updatePending_ = false;
    COLORREF color_ = 0;
    CUiString image_;
    RECT corner_ = {0, 0, 0, 0};

    // The bitmap is kept between updates and rebuilt only when the size changes.
    win::UniqueBitmap bitmap_;
    DWORD* bits_ = nullptr;
    SIZE bitmapSize_ = {0, 0};
};

}  // namespace Ulmar
