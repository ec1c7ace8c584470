#include "ui/base/container.h"

#include <algorithm>

#include "ui/base/paint_manager.h"
#include "ui/base/render.h"
#include "ui/base/scroll_bar.h"
#include "win/text.h"

namespace Ulmar {

namespace {

bool Meets(const RECT& a, const RECT& b) {
    RECT out;
    return ::IntersectRect(&out, &a, &b) != FALSE;
}


}  // namespace

CContainerUI::CContainerUI() = default;

CContainerUI::~CContainerUI() {
    // Children go at once: the manager may be on its way out too.
    delayedDestroy_ = false;
    RemoveAll();
    delete verticalBar_;
    delete horizontalBar_;
}

const wchar_t* CContainerUI::GetClassName() const { return L"ContainerUI"; }

void* CContainerUI::GetInterface(const wchar_t* name) {
    if (!name) return nullptr;
    if (win::EqualsNoCase(name, L"IContainer")) return static_cast<IContainerUI*>(this);
    if (win::EqualsNoCase(name, L"Container")) return static_cast<CContainerUI*>(this);
    return CControlUI::GetInterface(name);
}

// ---- items ----

CControlUI* CContainerUI::GetItemAt(int index) const {
    if (index < 0 || index >= static_cast<int>(items_.size())) return nullptr;
    return items_[static_cast<size_t>(index)];
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
    const auto it = std::find(items_.begin(), items_.end(), control);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

bool CContainerUI::SetItemIndex(CControlUI* control, int index) {
    const int current = GetItemIndex(control);
    if (current < 0) return false;
    NeedUpdate();
    items_.erase(items_.begin() + current);
    index = std::max(0, std::min(index, static_cast<int>(items_.size())));
    items_.insert(items_.begin() + index, control);
    return true;
}

int CContainerUI::GetCount() const { return static_cast<int>(items_.size()); }

bool CContainerUI::Add(CControlUI* control) {
    // Not the virtual AddAt: a derived Add must not see its own AddAt run as well.
    return CContainerUI::AddAt(control, static_cast<int>(items_.size()));
}

bool CContainerUI::AddAt(CControlUI* control, int index) {
    if (!control) return false;
    if (manager_) manager_->InitControls(control, this);
    if (!IsVisible()) {
        control->SetInheritedVisible(false);
    } else {
        NeedUpdate();
    }
    index = std::max(0, std::min(index, static_cast<int>(items_.size())));
    items_.insert(items_.begin() + index, control);
    return true;
}

void CContainerUI::DestroyChild(CControlUI* child) {
    if (!autoDestroy_) return;
    if (delayedDestroy_ && manager_) {
        manager_->AddDelayedCleanup(child);
    } else {
        delete child;
    }
}

bool CContainerUI::Remove(CControlUI* control) {
    const int index = GetItemIndex(control);
    if (index < 0) return false;
    NeedUpdate();
    items_.erase(items_.begin() + index);
    DestroyChild(control);
    return true;
}

bool CContainerUI::RemoveAt(int index) {
    CControlUI* control = GetItemAt(index);
    return control ? CContainerUI::Remove(control) : false;
}

void CContainerUI::RemoveAll() {
    std::vector<CControlUI*> items;
    items.swap(items_);
    for (CControlUI* child : items) DestroyChild(child);
    NeedUpdate();
}

// ---- settings ----

RECT CContainerUI::GetInset() const { return ScaleMetric(inset_); }
void CContainerUI::SetInset(RECT inset) {
    inset_ = inset;
    NeedUpdate();
}
int CContainerUI::GetChildPadding() const { return ScaleMetric(childPadding_); }
void CContainerUI::SetChildPadding(int padding) {
    childPadding_ = padding;
    NeedUpdate();
}
UINT CContainerUI::GetChildAlign() const { return childAlign_; }
void CContainerUI::SetChildAlign(UINT align) {
    childAlign_ = align;
    NeedUpdate();
}
UINT CContainerUI::GetChildVAlign() const { return childVAlign_; }
void CContainerUI::SetChildVAlign(UINT align) {
    childVAlign_ = align;
    NeedUpdate();
}
bool CContainerUI::IsAutoDestroy() const { return autoDestroy_; }
void CContainerUI::SetAutoDestroy(bool autoDestroy) { autoDestroy_ = autoDestroy; }
bool CContainerUI::IsDelayedDestroy() const { return delayedDestroy_; }
void CContainerUI::SetDelayedDestroy(bool delayed) { delayedDestroy_ = delayed; }
bool CContainerUI::IsMouseChildEnabled() const { return mouseChild_; }
void CContainerUI::SetMouseChildEnabled(bool enable) { mouseChild_ = enable; }

int CContainerUI::FindSelectable(int index, bool forward) const {
    // Lists override this; a plain container has nothing selectable.
    (void)index;
    (void)forward;
    return -1;
}

// ---- propagation ----

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    for (CControlUI* child : items_) child->SetManager(manager, this, init);
    if (verticalBar_) verticalBar_->SetManager(manager, this, init);
    if (horizontalBar_) horizontalBar_->SetManager(manager, this, init);
    CControlUI::SetManager(manager, parent, init);
}

void CContainerUI::SetVisible(bool visible) {
    if (visible_ == visible) return;
    const bool wasVisible = IsVisible();
    CControlUI::SetVisible(visible);
    for (CControlUI* child : items_) child->SetInheritedVisible(IsVisible());
    // Shown only now that the children know it.
    if (!wasVisible && IsVisible() && manager_) manager_->NotifyAccessibleSubtree(EVENT_OBJECT_SHOW, this);
}

void CContainerUI::SetInheritedVisible(bool visible) {
    CControlUI::SetInheritedVisible(visible);
    for (CControlUI* child : items_) child->SetInheritedVisible(IsVisible());
}

void CContainerUI::SetEnabled(bool enable) {
    if (enabled_ == enable) return;
    CControlUI::SetEnabled(enable);
    for (CControlUI* child : items_) child->SetEnabled(enable);
    Invalidate();
}

void CContainerUI::SetMouseEnabled(bool enable) {
    if (verticalBar_) verticalBar_->SetMouseEnabled(enable);
    if (horizontalBar_) horizontalBar_->SetMouseEnabled(enable);
    CControlUI::SetMouseEnabled(enable);
}

void CContainerUI::Move(SIZE offset, bool needInvalidate) {
    CControlUI::Move(offset, needInvalidate);
    if (IsBarVisible(verticalBar_)) verticalBar_->Move(offset, false);
    if (IsBarVisible(horizontalBar_)) horizontalBar_->Move(offset, false);
    for (CControlUI* child : items_) {
        if (child->IsVisible()) child->Move(offset, false);
    }
}

// ---- geometry ----

bool CContainerUI::IsBarVisible(const CScrollBarUI* bar) const { return bar && bar->IsVisible(); }

RECT CContainerUI::InsetRect() const {
    RECT rc = itemRect_;
    const RECT inset = GetInset();
    rc.left += inset.left;
    rc.top += inset.top;
    rc.right -= inset.right;
    rc.bottom -= inset.bottom;
    return rc;
}

RECT CContainerUI::GetClientPos() const {
    RECT rc = InsetRect();
    if (IsBarVisible(verticalBar_)) rc.right -= verticalBar_->GetFixedWidth();
    if (IsBarVisible(horizontalBar_)) rc.bottom -= horizontalBar_->GetFixedHeight();
    return rc;
}

void CContainerUI::SetPos(RECT rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    if (items_.empty()) return;

    RECT client = GetClientPos();
    if (IsBarVisible(verticalBar_)) {
        client.top -= verticalBar_->GetScrollPos();
        client.bottom -= verticalBar_->GetScrollPos();
        client.bottom += verticalBar_->GetScrollRange();
    }
    if (IsBarVisible(horizontalBar_)) {
        client.left -= horizontalBar_->GetScrollPos();
        client.right -= horizontalBar_->GetScrollPos();
        client.right += horizontalBar_->GetScrollRange();
    }

    PlaceChildren([&client](CControlUI& child) {
        int width = client.right - client.left;
        int height = client.bottom - client.top;
        width = std::max(child.GetMinWidth(), std::min(width, child.GetMaxWidth()));
        height = std::max(child.GetMinHeight(), std::min(height, child.GetMaxHeight()));
        child.SetPos(RECT{client.left, client.top, client.left + width, client.top + height}, false);
    });
}

void CContainerUI::SetFloatPos(int index) {
    CControlUI* child = GetItemAt(index);
    if (!child || !child->IsVisible() || !child->IsFloat()) return;

    const int width = itemRect_.right - itemRect_.left;
    const int height = itemRect_.bottom - itemRect_.top;
    const SIZE xy = child->GetFixedXY();
    const int w = child->GetFixedWidth();
    const int h = child->GetFixedHeight();
    const UINT align = child->GetFloatAlign();

    RECT rc;
    if (align == 0) {
        const int refX = xy.cx >= 0 ? itemRect_.left : itemRect_.right;
        const int refY = xy.cy >= 0 ? itemRect_.top : itemRect_.bottom;
        const TPercentInfo pct = child->GetFloatPercent();
        rc.left = static_cast<int>(width * pct.left) + refX + xy.cx;
        rc.top = static_cast<int>(height * pct.top) + refY + xy.cy;
        rc.right = static_cast<int>(width * pct.right) + refX + xy.cx + w;
        rc.bottom = static_cast<int>(height * pct.bottom) + refY + xy.cy + h;
    } else {
        rc = RECT{0, 0, w, h};
        int dx = xy.cx;
        if (align & UIFLOAT_HCENTER) {
            dx = (width - w) / 2;
        } else if (align & UIFLOAT_RIGHT) {
            dx = width - w;
        }
        int dy = xy.cy;
        if (align & UIFLOAT_VCENTER) {
            dy = (height - h) / 2;
        } else if (align & UIFLOAT_BOTTOM) {
            dy = height - h;
        }
        ::OffsetRect(&rc, dx + itemRect_.left, dy + itemRect_.top);
    }
    child->SetPos(rc, false);
}

// ---- painting ----

bool CContainerUI::PaintLayers(HDC dc, const RECT& paintRect, CControlUI* stopControl) {
    RECT outer;
    if (!::IntersectRect(&outer, &paintRect, &itemRect_)) return true;

    CRenderClip clip;
    CRenderer::GenerateClip(dc, outer, clip);
    CControlUI::PaintLayers(dc, paintRect, stopControl);

    if (!items_.empty()) {
        const RECT client = GetClientPos();
        RECT inner;
        if (!::IntersectRect(&inner, &paintRect, &client)) {
            for (CControlUI* child : items_) {
                if (stopControl == child) return false;
                if (!child->IsVisible() || !child->IsFloat()) continue;
                if (!Meets(paintRect, child->GetPos()) || !Meets(itemRect_, child->GetPos())) continue;
                if (!child->Paint(dc, paintRect, stopControl)) return false;
            }
        } else {
            CRenderClip childClip;
            CRenderer::GenerateClip(dc, inner, childClip);
            for (CControlUI* child : items_) {
                if (stopControl == child) return false;
                if (!child->IsVisible() || !Meets(paintRect, child->GetPos())) continue;
                if (child->IsFloat()) {
                    if (!Meets(itemRect_, child->GetPos())) continue;
                    CRenderer::UseOldClipBegin(dc, childClip);
                    const bool go_on = child->Paint(dc, paintRect, stopControl);
                    CRenderer::UseOldClipEnd(dc, childClip);
                    if (!go_on) return false;
                } else {
                    if (!Meets(client, child->GetPos())) continue;
                    if (!child->Paint(dc, paintRect, stopControl)) return false;
                }
            }
        }
    }

    for (CScrollBarUI* bar : {verticalBar_, horizontalBar_}) {
        if (!IsBarVisible(bar)) continue;
        if (stopControl == bar) return false;
        if (!Meets(paintRect, bar->GetPos())) continue;
        if (!bar->Paint(dc, paintRect, stopControl)) return false;
    }
    return true;
}

// ---- searching ----

CControlUI* CContainerUI::FindControl(FindControlProc proc, void* data, UINT flags) {
    if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
    const bool hitTest = (flags & UIFIND_HITTEST) != 0;
    if (hitTest && (!data || !::PtInRect(&itemRect_, *static_cast<POINT*>(data)))) return nullptr;
    if ((flags & UIFIND_UPDATETEST) && proc(this, data)) return nullptr;

    CControlUI* result = nullptr;
    if (flags & UIFIND_ME_FIRST) {
        if (!hitTest || mouseEnabled_) result = proc(this, data);
    }
    if (!result && verticalBar_ && (!hitTest || mouseEnabled_)) {
        result = verticalBar_->FindControl(proc, data, flags);
    }
    if (!result && horizontalBar_ && (!hitTest || mouseEnabled_)) {
        result = horizontalBar_->FindControl(proc, data, flags);
    }
    if (result) return result;

    if (!hitTest || mouseChild_) {
        const RECT client = GetClientPos();
        auto tryChild = [&](CControlUI* child) -> CControlUI* {
            CControlUI* found = child->FindControl(proc, data, flags);
            if (!found) return nullptr;
            if (hitTest && !found->IsFloat() && !::PtInRect(&client, *static_cast<POINT*>(data))) {
                return nullptr;
            }
            return found;
        };
        // Copy: a search callback may not change the list, but a hit test must
        // never walk a vector that moved under it.
        const std::vector<CControlUI*> items = items_;
        if (flags & UIFIND_TOP_FIRST) {
            for (auto it = items.rbegin(); it != items.rend(); ++it) {
                if (CControlUI* found = tryChild(*it)) return found;
            }
        } else {
            for (CControlUI* child : items) {
                if (CControlUI* found = tryChild(child)) return found;
            }
        }
    }

    if (!(flags & UIFIND_ME_FIRST) && (!hitTest || mouseEnabled_)) return proc(this, data);
    return nullptr;
}

// ---- events ----

void CContainerUI::HandleEvent(TControlEvent& event) {
    if (!mouseEnabled_ && event.type >= UIEVENT__MOUSEBEGIN && event.type <= UIEVENT__MOUSEEND) {
        if (parent_) {
            parent_->HandleEvent(event);
        } else {
            CControlUI::HandleEvent(event);
        }
        return;
    }
    if (event.type == UIEVENT_SETFOCUS) {
        focused_ = true;
        return;
    }
    if (event.type == UIEVENT_KILLFOCUS) {
        focused_ = false;
        return;
    }
    const bool key = event.type == UIEVENT_KEYDOWN;
    const bool wheel = event.type == UIEVENT_SCROLLWHEEL;
    if (verticalBar_ && verticalBar_->IsVisible() && verticalBar_->IsEnabled()) {
        if (key) {
            switch (event.key) {
            case VK_PRIOR: PageUp(); return;
            case VK_NEXT: PageDown(); return;
            case VK_END: EndDown(); return;
            case VK_HOME: HomeUp(); return;
            case VK_UP: LineUp(); return;
            case VK_DOWN: LineDown(); return;
            default: break;
            }
        } else if (wheel) {
            switch (LOWORD(event.wParam)) {
            case SB_LINEUP: LineUp(); return;
            case SB_LINEDOWN: LineDown(); return;
            default: break;
            }
        }
    } else if (horizontalBar_ && horizontalBar_->IsVisible() && horizontalBar_->IsEnabled()) {
        if (key) {
            switch (event.key) {
            case VK_PRIOR: PageLeft(); return;
            case VK_NEXT: PageRight(); return;
            case VK_END: EndRight(); return;
            case VK_HOME: HomeLeft(); return;
            case VK_UP: LineLeft(); return;
            case VK_DOWN: LineRight(); return;
            default: break;
            }
        } else if (wheel) {
            switch (LOWORD(event.wParam)) {
            case SB_LINEUP: LineLeft(); return;
            case SB_LINEDOWN: LineRight(); return;
            default: break;
            }
        }
    }
    CControlUI::HandleEvent(event);
}

// ---- scrolling ----

SIZE CContainerUI::GetScrollPos() const {
    SIZE pos = {0, 0};
    if (IsBarVisible(verticalBar_)) pos.cy = verticalBar_->GetScrollPos();
    if (IsBarVisible(horizontalBar_)) pos.cx = horizontalBar_->GetScrollPos();
    return pos;
}

SIZE CContainerUI::GetScrollRange() const {
    SIZE range = {0, 0};
    if (IsBarVisible(verticalBar_)) range.cy = verticalBar_->GetScrollRange();
    if (IsBarVisible(horizontalBar_)) range.cx = horizontalBar_->GetScrollRange();
    return range;
}

void CContainerUI::SetScrollPos(SIZE pos, bool notify) {
    int dx = 0;
    int dy = 0;
    if (IsBarVisible(verticalBar_)) {
        const int old = verticalBar_->GetScrollPos();
        verticalBar_->SetScrollPos(pos.cy);
        dy = verticalBar_->GetScrollPos() - old;
    }
    if (IsBarVisible(horizontalBar_)) {
        const int old = horizontalBar_->GetScrollPos();
        horizontalBar_->SetScrollPos(pos.cx);
        dx = horizontalBar_->GetScrollPos() - old;
    }
    if (dx == 0 && dy == 0) return;

    for (CControlUI* child : items_) {
        if (!child->IsVisible() || child->IsFloat()) continue;
        RECT rc = child->GetPos();
        ::OffsetRect(&rc, -dx, -dy);
        child->SetPos(rc, true);
    }
    Invalidate();
    if (notify && verticalBar_ && manager_) {
        const int line = std::max(1, verticalBar_->GetLineSize());
        manager_->SendNotify(this, NotifyType::kScroll,
                             static_cast<WPARAM>((verticalBar_->GetScrollPos() + line) / line), 0);
    }
}

void CContainerUI::SetScrollStepSize(int size) {
    if (size > 0) scrollStepSize_ = size;
}
int CContainerUI::GetScrollStepSize() const { return ScaleMetric(scrollStepSize_); }

int CContainerUI::LineStep() const {
    if (scrollStepSize_ > 0) return GetScrollStepSize();
    int step = 8;
    if (manager_) {
        if (const TFontInfo* font = manager_->GetDefaultFontInfo()) step += font->metrics.tmHeight;
    }
    return step;
}

void CContainerUI::LineUp() {
    SIZE pos = GetScrollPos();
    pos.cy -= LineStep();
    SetScrollPos(pos);
}
void CContainerUI::LineDown() {
    SIZE pos = GetScrollPos();
    pos.cy += LineStep();
    SetScrollPos(pos);
}
void CContainerUI::PageUp() {
    SIZE pos = GetScrollPos();
    const RECT inset = GetInset();
    int page = itemRect_.bottom - itemRect_.top - inset.top - inset.bottom;
    if (IsBarVisible(horizontalBar_)) page -= horizontalBar_->GetFixedHeight();
    pos.cy -= page;
    SetScrollPos(pos);
}
void CContainerUI::PageDown() {
    SIZE pos = GetScrollPos();
    const RECT inset = GetInset();
    int page = itemRect_.bottom - itemRect_.top - inset.top - inset.bottom;
    if (IsBarVisible(horizontalBar_)) page -= horizontalBar_->GetFixedHeight();
    pos.cy += page;
    SetScrollPos(pos);
}
void CContainerUI::HomeUp() {
    SIZE pos = GetScrollPos();
    pos.cy = 0;
    SetScrollPos(pos);
}
void CContainerUI::EndDown() {
    SIZE pos = GetScrollPos();
    pos.cy = GetScrollRange().cy;
    SetScrollPos(pos);
}
void CContainerUI::LineLeft() {
    SIZE pos = GetScrollPos();
    pos.cx -= LineStep();
    SetScrollPos(pos);
}
void CContainerUI::LineRight() {
    SIZE pos = GetScrollPos();
    pos.cx += LineStep();
    SetScrollPos(pos);
}
void CContainerUI::PageLeft() {
    SIZE pos = GetScrollPos();
    const RECT inset = GetInset();
    int page = itemRect_.right - itemRect_.left - inset.left - inset.right;
    if (IsBarVisible(verticalBar_)) page -= verticalBar_->GetFixedWidth();
    pos.cx -= page;
    SetScrollPos(pos);
}
void CContainerUI::PageRight() {
    SIZE pos = GetScrollPos();
    const RECT inset = GetInset();
    int page = itemRect_.right - itemRect_.left - inset.left - inset.right;
    if (IsBarVisible(verticalBar_)) page -= verticalBar_->GetFixedWidth();
    pos.cx += page;
    SetScrollPos(pos);
}
void CContainerUI::HomeLeft() {
    SIZE pos = GetScrollPos();
    pos.cx = 0;
    SetScrollPos(pos);
}
void CContainerUI::EndRight() {
    SIZE pos = GetScrollPos();
    pos.cx = GetScrollRange().cx;
    SetScrollPos(pos);
}

void CContainerUI::EnableScrollBar(bool enableVertical, bool enableHorizontal) {
    auto make = [this](bool horizontal, const CUiString& style) {
        auto* bar = new CScrollBarUI();
        bar->SetOwner(this);
        bar->SetHorizontal(horizontal);
        bar->SetManager(manager_, this, false);
        bar->SetShowButtons(showScrollBar_);
        if (manager_) {
            if (const wchar_t* list = manager_->GetDefaultAttributeList(horizontal ? L"HScrollBar" : L"VScrollBar")) {
                bar->ApplyAttributeList(list);
            }
        }
        if (!style.IsEmpty()) bar->ApplyAttributeList(style);
        return bar;
    };
    if (enableVertical && !verticalBar_) {
        verticalBar_ = make(false, verticalBarStyle_);
    } else if (!enableVertical && verticalBar_) {
        delete verticalBar_;
        verticalBar_ = nullptr;
    }
    if (enableHorizontal && !horizontalBar_) {
        horizontalBar_ = make(true, horizontalBarStyle_);
    } else if (!enableHorizontal && horizontalBar_) {
        delete horizontalBar_;
        horizontalBar_ = nullptr;
    }
    NeedUpdate();
}

CScrollBarUI* CContainerUI::GetVerticalScrollBar() const { return verticalBar_; }
CScrollBarUI* CContainerUI::GetHorizontalScrollBar() const { return horizontalBar_; }

void CContainerUI::ProcessScrollBar(RECT rc, int cxRequired, int cyRequired) {
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    if (horizontalBar_) {
        const int range = cxRequired - width;
        if (range > 0 && !horizontalBar_->IsVisible()) {
            horizontalBar_->SetScrollRange(range);
            horizontalBar_->SetScrollPos(0);
            horizontalBar_->SetVisible(true);
            SetPos(itemRect_, true);
            return;
        }
        if (horizontalBar_->IsVisible() && range < 1) {
            horizontalBar_->SetScrollPos(0);
            horizontalBar_->SetScrollRange(0);
            horizontalBar_->SetVisible(false);
            SetPos(itemRect_, true);
            return;
        }
        if (horizontalBar_->IsVisible()) {
            horizontalBar_->SetPos(
                RECT{rc.left, rc.bottom, rc.right, rc.bottom + horizontalBar_->GetFixedHeight()}, true);
            if (horizontalBar_->GetScrollRange() != range) {
                const int pos = horizontalBar_->GetScrollPos();
                horizontalBar_->SetScrollRange(range);
                if (horizontalBar_->GetScrollPos() != pos) {
                    SetPos(itemRect_, true);
                    return;
                }
            }
        }
    }
    if (verticalBar_) {
        const int range = cyRequired - height;
        if (range > 0 && !verticalBar_->IsVisible()) {
            verticalBar_->SetScrollRange(range);
            verticalBar_->SetScrollPos(0);
            verticalBar_->SetVisible(true);
            SetPos(itemRect_, true);
            return;
        }
        if (verticalBar_->IsVisible() && range < 1) {
            verticalBar_->SetScrollPos(0);
            verticalBar_->SetScrollRange(0);
            verticalBar_->SetVisible(false);
            SetPos(itemRect_, true);
            return;
        }
        if (verticalBar_->IsVisible()) {
            verticalBar_->SetPos(
                RECT{rc.right, rc.top, rc.right + verticalBar_->GetFixedWidth(), rc.bottom}, true);
            if (verticalBar_->GetScrollRange() != range) {
                const int pos = verticalBar_->GetScrollPos();
                verticalBar_->SetScrollRange(range);
                if (verticalBar_->GetScrollPos() != pos) SetPos(itemRect_, true);
            }
        }
    }
}

// ---- attributes ----

void CContainerUI::SetScrollBarStyle(bool vertical, const wchar_t* value) {
    (vertical ? verticalBarStyle_ : horizontalBarStyle_) = value;
    if (vertical) {
        EnableScrollBar(true, horizontalBar_ != nullptr);
    } else {
        EnableScrollBar(verticalBar_ != nullptr, true);
    }
    CScrollBarUI* bar = vertical ? verticalBar_ : horizontalBar_;
    const wchar_t* style = manager_ ? manager_->GetStyle(value) : nullptr;
    if (bar) bar->ApplyAttributeList(style ? style : value);
}

void CContainerUI::SetShowScrollBarButtons(bool show) {
    showScrollBar_ = show;
    if (verticalBar_) verticalBar_->SetShowButtons(show);
    if (horizontalBar_) horizontalBar_->SetShowButtons(show);
}

namespace {
// Child alignments are matched exactly, names and words alike; another word changes nothing.
bool ParseChildAlign(const wchar_t* value, UINT& align) {
    if (std::wcscmp(value, L"left") == 0) align = 0;
    else if (std::wcscmp(value, L"center") == 0) align = DT_CENTER;
    else if (std::wcscmp(value, L"right") == 0) align = DT_RIGHT;
    else return false;
    return true;
}
bool ParseChildVAlign(const wchar_t* value, UINT& align) {
    if (std::wcscmp(value, L"top") == 0) align = 0;
    else if (std::wcscmp(value, L"vcenter") == 0) align = DT_VCENTER;
    else if (std::wcscmp(value, L"bottom") == 0) align = DT_BOTTOM;
    else return false;
    return true;
}
}  // namespace

const AttributeRow<CContainerUI> CContainerUI::kAttributes[] = {
    {L"inset", [](CContainerUI& c, const wchar_t* v) { c.SetInset(ParseRect(v)); }},
    {L"mousechild", [](CContainerUI& c, const wchar_t* v) { c.SetMouseChildEnabled(ParseBool(v)); }},
    {L"vscrollbar",
     [](CContainerUI& c, const wchar_t* v) { c.EnableScrollBar(ParseBool(v), c.horizontalBar_ != nullptr); }},
    {L"vscrollbarstyle", [](CContainerUI& c, const wchar_t* v) { c.SetScrollBarStyle(true, v); }},
    {L"hscrollbarstyle", [](CContainerUI& c, const wchar_t* v) { c.SetScrollBarStyle(false, v); }},
    {L"hscrollbar",
     [](CContainerUI& c, const wchar_t* v) { c.EnableScrollBar(c.verticalBar_ != nullptr, ParseBool(v)); }},
    {L"childpadding", [](CContainerUI& c, const wchar_t* v) { c.SetChildPadding(ParseInt(v)); }},
    {L"childalign",
     [](CContainerUI& c, const wchar_t* v) {
         UINT align = 0;
         if (ParseChildAlign(v, align)) c.SetChildAlign(align);
     },
     true},
    {L"childvalign",
     [](CContainerUI& c, const wchar_t* v) {
         UINT align = 0;
         if (ParseChildVAlign(v, align)) c.SetChildVAlign(align);
     },
     true},
    {L"scrollstepsize", [](CContainerUI& c, const wchar_t* v) { c.SetScrollStepSize(ParseInt(v)); }},
    {L"fixedscrollbar", [](CContainerUI& c, const wchar_t* v) { c.fixedScrollBar_ = ParseBool(v); c.Invalidate(); }},
    {L"showscrollbar", [](CContainerUI& c, const wchar_t* v) { c.SetShowScrollBarButtons(ParseBool(v)); }},
};

void CContainerUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!ApplyAttributeRow(kAttributes, *this, name, value)) CControlUI::SetAttribute(name, value);
}

}  // namespace Ulmar
