#pragma once
// CBoxLayoutUI: a container that shares its client area among its children
// along one main axis: it measures every child first, then places them one
// after the other, stretching the children that ask for no main size. The
// vertical and horizontal layouts are this one algorithm with an axis policy.
#include "ui/base/container.h"
#include "ui/controls/separator_drag.h"

namespace Ulmar {

class CBoxLayoutUI : public CContainerUI {
public:
    UINT GetControlFlags() const override;
    void SetPos(RECT rc, bool needInvalidate = true) override;
    void HandleEvent(TControlEvent& event) override;
    void PaintAfter(HDC dc, const RECT& paintRect) override;

    bool IsSepImmMode() const { return separator_.IsImmediate(); }
    void SetSepImmMode(bool immediate) { separator_.SetImmediate(immediate); }

protected:
    // Where the two directions really differ, beyond swapping the axes.
    struct AxisPolicy {
        bool vertical;
        // The main axis's scroll range widens what the children are offered
        // along it (a column does; a row scrolls only its cross axis' range in).
        bool mainRangeWidensOffer;
        // A child's cross size is its estimate (a column), or its maximum
        // cross size, the whole cross extent when that is 0 (a row).
        bool crossSizeFromEstimate;
    };
    static constexpr AxisPolicy kColumn = {true, true, true};
    static constexpr AxisPolicy kRow = {false, false, false};

    explicit CBoxLayoutUI(const AxisPolicy& policy) : policy_(policy), separator_(policy.vertical) {}

    int GetSeparatorThickness() const { return ScaleMetric(separator_.GetThickness()); }
    void SetSeparatorThickness(int thickness) { separator_.SetThickness(thickness); }

private:
    struct Measure;
    struct Cursor;
    Measure MeasureChildren(SIZE available) const;
    void PlaceChild(CControlUI& child, const RECT& rc, SIZE available, const Measure& measure, Cursor& cursor);
    int CrossSize(const CControlUI& child, SIZE available, SIZE estimate, SIZE offer) const;
    int CrossStart(const RECT& rc, const RECT& padding, int crossSize) const;

    AxisPolicy policy_;
    CSeparatorDrag separator_;
};

}  // namespace Ulmar
