#pragma once
// CScrollBarUI: the least a container needs of a scroll bar. It holds a range,
// a position and a line size, belongs to one container, and paints a plain
// track and thumb. Thumb dragging and arrow buttons are not built.
#include "ui/base/control.h"

namespace Ulmar {

class CContainerUI;

class CScrollBarUI : public CControlUI {
public:
    static constexpr int kDefaultSize = 16;

    CScrollBarUI();

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    bool PaintLayers(HDC dc, const RECT& paintRect, CControlUI* stopControl) override;

    CContainerUI* GetOwner() const { return owner_; }
    void SetOwner(CContainerUI* owner) { owner_ = owner; }
    bool IsHorizontal() const { return horizontal_; }
    void SetHorizontal(bool horizontal);

    int GetScrollRange() const { return range_; }
    void SetScrollRange(int range);  // below 0 reads as 0; the position is kept inside
    int GetScrollPos() const { return pos_; }
    void SetScrollPos(int pos);      // clamped to 0..range
    int GetLineSize() const;         // scaled
    void SetLineSize(int size);      // values below 1 are ignored
    bool IsShowButtons() const { return showButtons_; }
    void SetShowButtons(bool show) { showButtons_ = show; }
    DWORD GetThumbColor() const { return thumbColor_; }

    // The thumb's rectangle inside the track for the current range and position.
    RECT GetThumbRect() const;

private:
    CContainerUI* owner_ = nullptr;  // borrowed: the container owns this bar
    bool horizontal_ = false;
    int range_ = 100;
    int pos_ = 0;
    int lineSize_ = 8;
    bool showButtons_ = true;
    DWORD thumbColor_ = 0xFFC2C2C2;

private:
    static const AttributeRow<CScrollBarUI> kAttributes[];  // its own rows; the rest go to the base
};

}  // namespace Ulmar
