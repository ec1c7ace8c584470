#include "ui/controls/layouts.h"

#include <algorithm>

#include "ui/base/paint_manager.h"
#include "ui/base/render.h"
#include "ui/base/scroll_bar.h"

namespace Ulmar {

namespace {

bool Is(const wchar_t* name, const wchar_t* expected) { return ::lstrcmpiW(name, expected) == 0; }

int Clamp(int value, int low, int high) { return std::max(low, std::min(value, high)); }

// An offer is lowered to the child's fixed size, or to its maximum when it has none.
int LowerWidth(int offer, const CControlUI& child) {
    const int fixed = child.GetFixedWidth();
    return std::min(offer, fixed >= 1 ? fixed : child.GetMaxWidth());
}
int LowerHeight(int offer, const CControlUI& child) {
    const int fixed = child.GetFixedHeight();
    return std::min(offer, fixed >= 1 ? fixed : child.GetMaxHeight());
}

bool Visible(const CScrollBarUI* bar) { return bar && bar->IsVisible(); }

}  // namespace

// ---- separator ----

RECT CSeparatorDrag::GetStrip(const RECT& item, int t) const {
    RECT strip = item;
    if (t == 0) return RECT{0, 0, 0, 0};
    if (vertical_) {
        if (t > 0) strip.top = item.bottom - t;
        else strip.bottom = item.top - t;
    } else {
        if (t > 0) strip.left = item.right - t;
        else strip.right = item.left - t;
    }
    return strip;
}

bool CSeparatorDrag::HandleEvent(CContainerUI& layout, TControlEvent& event, int t) {
    if (t == 0 || !layout.IsEnabled()) return false;
    const RECT item = layout.GetPos();
    const RECT strip = GetStrip(item, t);
    CPaintManagerUI* manager = layout.GetManager();

    auto sizeFor = [&](POINT pt) {
        const int delta = vertical_ ? pt.y - last_.y : pt.x - last_.x;
        const int current = vertical_ ? item.bottom - item.top : item.right - item.left;
        const int wanted = t > 0 ? current + delta : current - delta;
        return vertical_ ? Clamp(wanted, layout.GetMinHeight(), layout.GetMaxHeight())
                         : Clamp(wanted, layout.GetMinWidth(), layout.GetMaxWidth());
    };
    auto apply = [&](int size) {
        if (vertical_) layout.SetFixedHeight(size);
        else layout.SetFixedWidth(size);
    };

    switch (event.type) {
    case UIEVENT_SETCURSOR:
        if (!::PtInRect(&strip, event.mouse)) return false;
        ::SetCursor(::LoadCursorW(nullptr, vertical_ ? IDC_SIZENS : IDC_SIZEWE));
        return true;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (!::PtInRect(&strip, event.mouse)) return false;
        dragging_ = true;
        last_ = event.mouse;
        tracker_ = item;
        if (manager && !immediate_) manager->AddPostPaint(&layout);
        return true;
    case UIEVENT_MOUSEMOVE: {
        if (!dragging_) return false;
        const int size = sizeFor(event.mouse);
        if (immediate_) {
            apply(size);
            last_ = event.mouse;
        } else {
            const RECT old = tracker_;
            tracker_ = item;
            if (vertical_) {
                if (t > 0) tracker_.bottom = item.top + size;
                else tracker_.top = item.bottom - size;
            } else {
                if (t > 0) tracker_.right = item.left + size;
                else tracker_.left = item.right - size;
            }
            if (manager) {
                RECT both;
                ::UnionRect(&both, &old, &tracker_);
                manager->Invalidate(both);
            }
        }
        return true;
    }
    case UIEVENT_BUTTONUP: {
        if (!dragging_) return false;
        dragging_ = false;
        if (!immediate_) {
            if (manager) {
                manager->RemovePostPaint(&layout);
                manager->Invalidate(tracker_);
            }
            apply(sizeFor(event.mouse));
        }
        return true;
    }
    default:
        return false;
    }
}

void CSeparatorDrag::PaintTracker(HDC dc) const {
    if (dragging_ && !immediate_) CRenderer::DrawColor(dc, tracker_, 0xAA000000);
}

// ---- vertical ----

CVerticalLayoutUI::CVerticalLayoutUI() : separator_(true) {}

const wchar_t* CVerticalLayoutUI::GetClassName() const { return L"VerticalLayoutUI"; }

void* CVerticalLayoutUI::GetInterface(const wchar_t* name) {
    if (name && Is(name, L"VerticalLayout")) return static_cast<CVerticalLayoutUI*>(this);
    return CContainerUI::GetInterface(name);
}

UINT CVerticalLayoutUI::GetControlFlags() const {
    return (IsEnabled() && separator_.GetThickness() != 0) ? static_cast<UINT>(UIFLAG_SETCURSOR) : 0u;
}

int CVerticalLayoutUI::GetSepHeight() const { return ScaleMetric(separator_.GetThickness()); }

void CVerticalLayoutUI::SetPos(RECT rcPos, bool needInvalidate) {
    CControlUI::SetPos(rcPos, needInvalidate);
    RECT rc = InsetRect();
    if (Visible(verticalBar_)) rc.right -= verticalBar_->GetFixedWidth();
    if (Visible(horizontalBar_)) rc.bottom -= horizontalBar_->GetFixedHeight();
    if (items_.empty()) {
        ProcessScrollBar(rc, 0, 0);
        return;
    }

    SIZE available = {rc.right - rc.left, rc.bottom - rc.top};
    if (Visible(horizontalBar_)) available.cx += horizontalBar_->GetScrollRange();
    if (Visible(verticalBar_)) available.cy += verticalBar_->GetScrollRange();

    // Measure.
    int stretchable = 0;
    int totalFixed = 0;
    int estimated = 0;
    int neededWidth = 0;
    for (CControlUI* child : items_) {
        if (!child->IsVisible() || child->IsFloat()) continue;
        const RECT p = child->GetPadding();
        SIZE offer = {available.cx - p.left - p.right, available.cy};
        offer.cx = LowerWidth(offer.cx, *child);
        offer.cy = LowerHeight(offer.cy, *child);
        SIZE s = child->EstimateSize(offer);
        if (s.cy == 0) {
            ++stretchable;
        } else {
            s.cy = Clamp(s.cy, child->GetMinHeight(), child->GetMaxHeight());
        }
        totalFixed += p.top + s.cy + p.bottom;
        if (s.cx < 1) s.cx = 0;
        s.cx = Clamp(s.cx, child->GetMinWidth(), child->GetMaxWidth());
        neededWidth = std::max(neededWidth, static_cast<int>(p.left + s.cx + p.right));
        ++estimated;
    }
    const int childPadding = GetChildPadding();
    totalFixed += (estimated - 1) * childPadding;
    const int expand = stretchable > 0 ? std::max(0, static_cast<int>((available.cy - totalFixed) / stretchable)) : 0;

    int y = rc.top;
    if (Visible(verticalBar_)) {
        y -= verticalBar_->GetScrollPos();
    } else if (stretchable == 0) {
        if (childVAlign_ == DT_VCENTER) y += (available.cy - totalFixed) / 2;
        else if (childVAlign_ == DT_BOTTOM) y += available.cy - totalFixed;
    }

    // Place.
    int remainingHeight = available.cy;
    int remainingFixed = totalFixed;
    int stretchSeen = 0;
    int placed = 0;
    int neededHeight = 0;
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
        CControlUI* child = items_[static_cast<size_t>(i)];
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        const RECT p = child->GetPadding();
        remainingHeight -= p.top;
        SIZE offer = {available.cx - p.left - p.right, remainingHeight};
        offer.cx = LowerWidth(offer.cx, *child);
        offer.cy = LowerHeight(offer.cy, *child);
        remainingFixed -= p.top + p.bottom;
        if (placed > 0) remainingFixed -= childPadding;
        ++placed;

        SIZE s = child->EstimateSize(offer);
        if (s.cy == 0) {
            ++stretchSeen;
            s.cy = expand;
            if (stretchSeen == stretchable) s.cy = std::max(0, static_cast<int>(remainingHeight - p.bottom - remainingFixed));
            s.cy = Clamp(s.cy, child->GetMinHeight(), child->GetMaxHeight());
        } else {
            s.cy = Clamp(s.cy, child->GetMinHeight(), child->GetMaxHeight());
            remainingFixed -= s.cy;
        }

        int width = s.cx < 1 ? static_cast<int>(available.cx - p.left - p.right) : s.cx;
        width = std::min(width, static_cast<int>(offer.cx));
        width = std::max(width, child->GetMinWidth());

        int left;
        if (childAlign_ == DT_CENTER) {
            int centre = (rc.left + rc.right) / 2;
            if (Visible(horizontalBar_)) {
                centre += horizontalBar_->GetScrollRange() / 2 - horizontalBar_->GetScrollPos();
            }
            left = centre - width / 2;
        } else if (childAlign_ == DT_RIGHT) {
            int right = rc.right;
            if (Visible(horizontalBar_)) {
                right += horizontalBar_->GetScrollRange() - horizontalBar_->GetScrollPos();
            }
            left = right - p.right - width;
        } else {
            left = rc.left + p.left;
            if (Visible(horizontalBar_)) left -= horizontalBar_->GetScrollPos();
        }

        child->SetPos(RECT{left, y + p.top, left + width, y + p.top + s.cy}, false);
        y += s.cy + childPadding + p.top + p.bottom;
        neededHeight += s.cy + p.top + p.bottom;
        remainingHeight -= s.cy + childPadding + p.bottom;
    }
    neededHeight += (estimated - 1) * childPadding;
    ProcessScrollBar(rc, neededWidth, neededHeight);
}

void CVerticalLayoutUI::HandleEvent(TControlEvent& event) {
    if (separator_.HandleEvent(*this, event, GetSepHeight())) return;
    CContainerUI::HandleEvent(event);
}

void CVerticalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (Is(name, L"sepheight")) SetSepHeight(ParseInt(value));
    else if (Is(name, L"sepimm")) SetSepImmMode(ParseBool(value));
    else CContainerUI::SetAttribute(name, value);
}

void CVerticalLayoutUI::PaintAfter(HDC dc, const RECT& /*paintRect*/) { separator_.PaintTracker(dc); }

// ---- horizontal ----

CHorizontalLayoutUI::CHorizontalLayoutUI() : separator_(false) {}

const wchar_t* CHorizontalLayoutUI::GetClassName() const { return L"HorizontalLayoutUI"; }

void* CHorizontalLayoutUI::GetInterface(const wchar_t* name) {
    if (name && Is(name, L"HorizontalLayout")) return static_cast<CHorizontalLayoutUI*>(this);
    return CContainerUI::GetInterface(name);
}

UINT CHorizontalLayoutUI::GetControlFlags() const {
    return (IsEnabled() && separator_.GetThickness() != 0) ? static_cast<UINT>(UIFLAG_SETCURSOR) : 0u;
}

int CHorizontalLayoutUI::GetSepWidth() const { return ScaleMetric(separator_.GetThickness()); }

void CHorizontalLayoutUI::SetPos(RECT rcPos, bool needInvalidate) {
    CControlUI::SetPos(rcPos, needInvalidate);
    RECT rc = InsetRect();
    if (Visible(verticalBar_)) rc.right -= verticalBar_->GetFixedWidth();
    if (Visible(horizontalBar_)) rc.bottom -= horizontalBar_->GetFixedHeight();
    if (items_.empty()) {
        ProcessScrollBar(rc, 0, 0);
        return;
    }

    // Only the vertical bar's range widens the offer; rows do not scroll sideways.
    SIZE available = {rc.right - rc.left, rc.bottom - rc.top};
    if (Visible(verticalBar_)) available.cy += verticalBar_->GetScrollRange();

    // Measure.
    int stretchable = 0;
    int totalFixed = 0;
    int estimated = 0;
    int neededHeight = 0;
    for (CControlUI* child : items_) {
        if (!child->IsVisible() || child->IsFloat()) continue;
        const RECT p = child->GetPadding();
        SIZE offer = {available.cx, available.cy - p.top - p.bottom};
        offer.cx = LowerWidth(offer.cx, *child);
        offer.cy = LowerHeight(offer.cy, *child);
        SIZE s = child->EstimateSize(offer);
        if (s.cx == 0) {
            ++stretchable;
        } else {
            s.cx = Clamp(s.cx, child->GetMinWidth(), child->GetMaxWidth());
        }
        totalFixed += p.left + s.cx + p.right;
        if (s.cy < 1) s.cy = 0;
        s.cy = Clamp(s.cy, child->GetMinHeight(), child->GetMaxHeight());
        neededHeight = std::max(neededHeight, static_cast<int>(p.top + s.cy + p.bottom));
        ++estimated;
    }
    const int childPadding = GetChildPadding();
    totalFixed += (estimated - 1) * childPadding;
    const int expand = stretchable > 0 ? std::max(0, static_cast<int>((available.cx - totalFixed) / stretchable)) : 0;

    int x = rc.left;
    if (Visible(horizontalBar_)) {
        x -= horizontalBar_->GetScrollPos();
    } else if (stretchable == 0) {
        if (childAlign_ == DT_CENTER) x += (available.cx - totalFixed) / 2;
        else if (childAlign_ == DT_RIGHT) x += available.cx - totalFixed;
    }

    // Place.
    int remainingWidth = available.cx;
    int remainingFixed = totalFixed;
    int stretchSeen = 0;
    int placed = 0;
    int neededWidth = 0;
    for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
        CControlUI* child = items_[static_cast<size_t>(i)];
        if (!child->IsVisible()) continue;
        if (child->IsFloat()) {
            SetFloatPos(i);
            continue;
        }
        const RECT p = child->GetPadding();
        remainingWidth -= p.left;
        SIZE offer = {remainingWidth, available.cy - p.top - p.bottom};
        offer.cx = LowerWidth(offer.cx, *child);
        offer.cy = LowerHeight(offer.cy, *child);
        remainingFixed -= p.left + p.right;
        if (placed > 0) remainingFixed -= childPadding;
        ++placed;

        SIZE s = child->EstimateSize(offer);
        if (s.cx == 0) {
            ++stretchSeen;
            s.cx = expand;
            if (stretchSeen == stretchable) s.cx = std::max(0, static_cast<int>(remainingWidth - p.right - remainingFixed));
            s.cx = Clamp(s.cx, child->GetMinWidth(), child->GetMaxWidth());
        } else {
            s.cx = Clamp(s.cx, child->GetMinWidth(), child->GetMaxWidth());
            remainingFixed -= s.cx;
        }

        // The row's height, not the child's estimate, decides the height.
        int height = child->GetMaxHeight();
        if (height == 0) height = available.cy - p.top - p.bottom;
        height = std::max(0, height);
        height = std::min(height, static_cast<int>(offer.cy));
        height = std::max(height, child->GetMinHeight());

        int top;
        if (childVAlign_ == DT_VCENTER) {
            int centre = (rc.top + rc.bottom) / 2;
            if (Visible(verticalBar_)) {
                centre += verticalBar_->GetScrollRange() / 2 - verticalBar_->GetScrollPos();
            }
            top = centre - height / 2;
        } else if (childVAlign_ == DT_BOTTOM) {
            int bottom = rc.bottom;
            if (Visible(verticalBar_)) {
                bottom += verticalBar_->GetScrollRange() - verticalBar_->GetScrollPos();
            }
            top = bottom - p.bottom - height;
        } else {
            top = rc.top + p.top;
            if (Visible(verticalBar_)) top -= verticalBar_->GetScrollPos();
        }

        child->SetPos(RECT{x + p.left, top, x + p.left + s.cx, top + height}, false);
        x += s.cx + childPadding + p.left + p.right;
        neededWidth += s.cx + p.left + p.right;
        remainingWidth -= s.cx + childPadding + p.right;
    }
    neededWidth += (estimated - 1) * childPadding;
    ProcessScrollBar(rc, neededWidth, neededHeight);
}

void CHorizontalLayoutUI::HandleEvent(TControlEvent& event) {
    if (separator_.HandleEvent(*this, event, GetSepWidth())) return;
    CContainerUI::HandleEvent(event);
}

void CHorizontalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (Is(name, L"sepwidth")) SetSepWidth(ParseInt(value));
    else if (Is(name, L"sepimm")) SetSepImmMode(ParseBool(value));
    else CContainerUI::SetAttribute(name, value);
}

void CHorizontalLayoutUI::PaintAfter(HDC dc, const RECT& /*paintRect*/) { separator_.PaintTracker(dc); }

}  // namespace Ulmar
