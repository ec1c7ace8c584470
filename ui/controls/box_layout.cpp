#include "ui/controls/box_layout.h"

#include <algorithm>

#include "ui/base/scroll_bar.h"

namespace Ulmar {

namespace {

int Clamp(int value, int low, int high) { return std::max(low, std::min(value, high)); }

bool Visible(const CScrollBarUI* bar) { return bar && bar->IsVisible(); }

// An offer is lowered to the child's fixed size, or to its maximum when it has none.
SIZE LowerOffer(SIZE offer, const CControlUI& child) {
    const int fixedWidth = child.GetFixedWidth();
    const int fixedHeight = child.GetFixedHeight();
    offer.cx = std::min(static_cast<int>(offer.cx), fixedWidth >= 1 ? fixedWidth : child.GetMaxWidth());
    offer.cy = std::min(static_cast<int>(offer.cy), fixedHeight >= 1 ? fixedHeight : child.GetMaxHeight());
    return offer;
}

// Names the parts of sizes, rectangles and child limits by main and cross axis.
struct Axis {
    bool vertical;

    LONG& MainRef(SIZE& s) const { return vertical ? s.cy : s.cx; }
    LONG& CrossRef(SIZE& s) const { return vertical ? s.cx : s.cy; }
    int Main(const SIZE& s) const { return vertical ? s.cy : s.cx; }
    int Cross(const SIZE& s) const { return vertical ? s.cx : s.cy; }
    SIZE Size(int main, int cross) const { return vertical ? SIZE{cross, main} : SIZE{main, cross}; }

    int Lead(const RECT& r) const { return vertical ? r.top : r.left; }
    int Trail(const RECT& r) const { return vertical ? r.bottom : r.right; }
    int CrossLead(const RECT& r) const { return vertical ? r.left : r.top; }
    int CrossTrail(const RECT& r) const { return vertical ? r.right : r.bottom; }
    RECT Rect(int mainStart, int crossStart, int mainEnd, int crossEnd) const {
        return vertical ? RECT{crossStart, mainStart, crossEnd, mainEnd} : RECT{mainStart, crossStart, mainEnd, crossEnd};
    }

    int MinMain(const CControlUI& c) const { return vertical ? c.GetMinHeight() : c.GetMinWidth(); }
    int MaxMain(const CControlUI& c) const { return vertical ? c.GetMaxHeight() : c.GetMaxWidth(); }
    int MinCross(const CControlUI& c) const { return vertical ? c.GetMinWidth() : c.GetMinHeight(); }
    int MaxCross(const CControlUI& c) const { return vertical ? c.GetMaxWidth() : c.GetMaxHeight(); }
};

enum class Align { kStart, kCenter, kEnd };

Align HorizontalAlign(UINT align) {
    return align == DT_CENTER ? Align::kCenter : align == DT_RIGHT ? Align::kEnd : Align::kStart;
}
Align VerticalAlign(UINT align) {
    return align == DT_VCENTER ? Align::kCenter : align == DT_BOTTOM ? Align::kEnd : Align::kStart;
}

}  // namespace

// What the measuring pass found, over the visible children that are not floating.
struct CBoxLayoutUI::Measure {
    int stretchable = 0;  // children with no main size of their own
    int totalFixed = 0;   // main extent of the sized children, paddings and gaps
    int estimated = 0;
    int neededCross = 0;
    int expand = 0;       // main size of each stretchable child
};

// The placing pass's running state along the main axis.
struct CBoxLayoutUI::Cursor {
    int pos = 0;
    int remaining = 0;       // main extent not yet handed out
    int remainingFixed = 0;  // of totalFixed, what the children still to come need
    int stretchSeen = 0;
    int placed = 0;
    int neededMain = 0;
};

UINT CBoxLayoutUI::GetControlFlags() const {
    return (IsEnabled() && separator_.GetThickness() != 0) ? static_cast<UINT>(UIFLAG_SETCURSOR) : 0u;
}

void CBoxLayoutUI::HandleEvent(TControlEvent& event) {
    if (separator_.HandleEvent(*this, event, GetSeparatorThickness())) return;
    CContainerUI::HandleEvent(event);
}

void CBoxLayoutUI::PaintAfter(HDC dc, const RECT& /*paintRect*/) { separator_.PaintTracker(dc); }

CBoxLayoutUI::Measure CBoxLayoutUI::MeasureChildren(SIZE available) const {
    const Axis axis{policy_.vertical};
    Measure m;
    for (CControlUI* child : items_) {
        if (!child->IsVisible() || child->IsFloat()) continue;
        const RECT p = child->GetPadding();
        const SIZE offer = LowerOffer(
            axis.Size(axis.Main(available), axis.Cross(available) - axis.CrossLead(p) - axis.CrossTrail(p)), *child);
        SIZE s = child->EstimateSize(offer);
        if (axis.Main(s) == 0) {
            ++m.stretchable;
        } else {
            axis.MainRef(s) = Clamp(axis.Main(s), axis.MinMain(*child), axis.MaxMain(*child));
        }
        m.totalFixed += axis.Lead(p) + axis.Main(s) + axis.Trail(p);
        if (axis.Cross(s) < 1) axis.CrossRef(s) = 0;
        axis.CrossRef(s) = Clamp(axis.Cross(s), axis.MinCross(*child), axis.MaxCross(*child));
        m.neededCross = std::max(m.neededCross, axis.CrossLead(p) + axis.Cross(s) + axis.CrossTrail(p));
        ++m.estimated;
    }
    m.totalFixed += (m.estimated - 1) * GetChildPadding();
    if (m.stretchable > 0) m.expand = std::max(0, (axis.Main(available) - m.totalFixed) / m.stretchable);
    return m;
}

int CBoxLayoutUI::CrossSize(const CControlUI& child, SIZE available, SIZE estimate, SIZE offer) const {
    const Axis axis{policy_.vertical};
    const RECT p = child.GetPadding();
    const int free = axis.Cross(available) - axis.CrossLead(p) - axis.CrossTrail(p);
    int size;
    if (policy_.crossSizeFromEstimate) {
        size = axis.Cross(estimate) < 1 ? free : axis.Cross(estimate);
    } else {
        size = axis.MaxCross(child);
        if (size == 0) size = free;
        size = std::max(0, size);
    }
    size = std::min(size, axis.Cross(offer));
    return std::max(size, axis.MinCross(child));
}

int CBoxLayoutUI::CrossStart(const RECT& rc, const RECT& p, int crossSize) const {
    const Axis axis{policy_.vertical};
    const CScrollBarUI* bar = axis.vertical ? horizontalBar_ : verticalBar_;
    const bool scrolls = Visible(bar);
    switch (axis.vertical ? HorizontalAlign(childAlign_) : VerticalAlign(childVAlign_)) {
    case Align::kCenter: {
        int centre = (axis.CrossLead(rc) + axis.CrossTrail(rc)) / 2;
        if (scrolls) centre += bar->GetScrollRange() / 2 - bar->GetScrollPos();
        return centre - crossSize / 2;
    }
    case Align::kEnd: {
        int end = axis.CrossTrail(rc);
        if (scrolls) end += bar->GetScrollRange() - bar->GetScrollPos();
        return end - axis.CrossTrail(p) - crossSize;
    }
    default:
        return axis.CrossLead(rc) + axis.CrossLead(p) - (scrolls ? bar->GetScrollPos() : 0);
    }
}

void CBoxLayoutUI::PlaceChild(CControlUI& child, const RECT& rc, SIZE available, const Measure& m, Cursor& c) {
    const Axis axis{policy_.vertical};
    const RECT p = child.GetPadding();
    const int childPadding = GetChildPadding();
    c.remaining -= axis.Lead(p);
    const SIZE offer =
        LowerOffer(axis.Size(c.remaining, axis.Cross(available) - axis.CrossLead(p) - axis.CrossTrail(p)), child);
    c.remainingFixed -= axis.Lead(p) + axis.Trail(p);
    if (c.placed > 0) c.remainingFixed -= childPadding;
    ++c.placed;

    SIZE s = child.EstimateSize(offer);
    if (axis.Main(s) == 0) {
        ++c.stretchSeen;
        axis.MainRef(s) = m.expand;
        // The last stretchable child takes what the division left over.
        if (c.stretchSeen == m.stretchable) {
            axis.MainRef(s) = std::max(0, c.remaining - axis.Trail(p) - c.remainingFixed);
        }
        axis.MainRef(s) = Clamp(axis.Main(s), axis.MinMain(child), axis.MaxMain(child));
    } else {
        axis.MainRef(s) = Clamp(axis.Main(s), axis.MinMain(child), axis.MaxMain(child));
        c.remainingFixed -= axis.Main(s);
    }

    const int cross = CrossSize(child, available, s, offer);
    const int crossStart = CrossStart(rc, p, cross);
    const int mainStart = c.pos + axis.Lead(p);
    child.SetPos(axis.Rect(mainStart, crossStart, mainStart + axis.Main(s), crossStart + cross), false);
    c.pos += axis.Main(s) + childPadding + axis.Lead(p) + axis.Trail(p);
    c.neededMain += axis.Main(s) + axis.Lead(p) + axis.Trail(p);
    c.remaining -= axis.Main(s) + childPadding + axis.Trail(p);
}

void CBoxLayoutUI::SetPos(RECT rcPos, bool needInvalidate) {
    CControlUI::SetPos(rcPos, needInvalidate);
    RECT rc = InsetRect();
    if (Visible(verticalBar_)) rc.right -= verticalBar_->GetFixedWidth();
    if (Visible(horizontalBar_)) rc.bottom -= horizontalBar_->GetFixedHeight();
    if (items_.empty()) {
        ProcessScrollBar(rc, 0, 0);
        return;
    }

    const Axis axis{policy_.vertical};
    const CScrollBarUI* mainBar = axis.vertical ? verticalBar_ : horizontalBar_;
    const CScrollBarUI* crossBar = axis.vertical ? horizontalBar_ : verticalBar_;
    SIZE available = {rc.right - rc.left, rc.bottom - rc.top};
    if (Visible(crossBar)) axis.CrossRef(available) += crossBar->GetScrollRange();
    if (policy_.mainRangeWidensOffer && Visible(mainBar)) axis.MainRef(available) += mainBar->GetScrollRange();

    const Measure m = MeasureChildren(available);

    Cursor c;
    c.pos = axis.Lead(rc);
    if (Visible(mainBar)) {
        c.pos -= mainBar->GetScrollPos();
    } else if (m.stretchable == 0) {
        // Without stretchable children the free space goes where the main alignment says.
        const Align align = axis.vertical ? VerticalAlign(childVAlign_) : HorizontalAlign(childAlign_);
        if (align == Align::kCenter) c.pos += (axis.Main(available) - m.totalFixed) / 2;
        else if (align == Align::kEnd) c.pos += axis.Main(available) - m.totalFixed;
    }
    c.remaining = axis.Main(available);
    c.remainingFixed = m.totalFixed;
    PlaceChildren([&](CControlUI& child) { PlaceChild(child, rc, available, m, c); });
    c.neededMain += (m.estimated - 1) * GetChildPadding();
    const SIZE needed = axis.Size(c.neededMain, m.neededCross);
    ProcessScrollBar(rc, needed.cx, needed.cy);
}

}  // namespace Ulmar
