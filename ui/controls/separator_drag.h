#pragma once
// CSeparatorDrag: the drag strip on one edge of a box layout that resizes the
// layout itself along its main axis, at once or when the button comes up.
#include <windows.h>

#include "ui/base/events.h"

namespace Ulmar {

class CContainerUI;

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

}  // namespace Ulmar
