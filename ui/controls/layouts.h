#pragma once
// CVerticalLayoutUI and CHorizontalLayoutUI: containers that share their client
// area among their children along one axis (measure, then place), with an
// optional drag separator on one edge that resizes the layout itself.
#include "ui/base/container.h"

namespace Ulmar {

// The drag separator both layouts share; `vertical` says which axis it resizes.
class CSeparatorDrag {
public:
    explicit CSeparatorDrag(bool vertical) : vertical_(vertical) {}
    int GetThickness() const { return thickness_; }
    void SetThickness(int thickness) { thickness_ = thickness; }
    bool IsImmediate() const { return immediate_; }
    void SetImmediate(bool immediate) { immediate_ = immediate; }

    // The strip along the layout's edge (scaled thickness); empty without one.
    RECT GetStrip(const RECT& item, int scaledThickness) const;
    // Handles the set-cursor and button and move events of a drag; true when consumed.
    bool HandleEvent(CContainerUI& layout, TControlEvent& event, int scaledThickness);
    void PaintTracker(HDC dc) const;

private:
    bool vertical_;
    int thickness_ = 0;
    bool immediate_ = false;
    bool dragging_ = false;
    POINT last_ = {0, 0};
    RECT tracker_ = {0, 0, 0, 0};
};

class CVerticalLayoutUI : public CContainerUI {
public:
    CVerticalLayoutUI();
    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    void SetPos(RECT rc, bool needInvalidate = true) override;
    void HandleEvent(TControlEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintAfter(HDC dc, const RECT& paintRect) override;

    int GetSepHeight() const;  // scaled
    void SetSepHeight(int height) { separator_.SetThickness(height); }
    bool IsSepImmMode() const { return separator_.IsImmediate(); }
    void SetSepImmMode(bool immediate) { separator_.SetImmediate(immediate); }

private:
    CSeparatorDrag separator_;
};

class CHorizontalLayoutUI : public CContainerUI {
public:
    CHorizontalLayoutUI();
    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    void SetPos(RECT rc, bool needInvalidate = true) override;
    void HandleEvent(TControlEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintAfter(HDC dc, const RECT& paintRect) override;

    int GetSepWidth() const;  // scaled
    void SetSepWidth(int width) { separator_.SetThickness(width); }
    bool IsSepImmMode() const { return separator_.IsImmediate(); }
    void SetSepImmMode(bool immediate) { separator_.SetImmediate(immediate); }

private:
    CSeparatorDrag separator_;
};

}  // namespace Ulmar
