#include "ui/controls/separator_drag.h"

#include <algorithm>

#include "ui/base/container.h"
#include "ui/base/paint_manager.h"
#include "ui/base/render.h"

namespace Ulmar {

namespace {
int Clamp(int value, int low, int high) { return std::max(low, std::min(value, high)); }
}  // namespace

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

}  // namespace Ulmar
