#include "ui/base/control.h"

#include <algorithm>
#include <cwchar>

#include "ui/base/paint_manager.h"
#include "ui/base/render.h"
#include "ui/base/resource_manager.h"
#include "win/text.h"

namespace Ulmar {

namespace {

bool Intersect(RECT& out, const RECT& a, const RECT& b) {
    return ::IntersectRect(&out, &a, &b) != FALSE;
}

}  // namespace

CControlUI::CControlUI() : accessibleId_(NextAccessibleId()) {}

CControlUI::~CControlUI() {
    if (OnDestroy) OnDestroy(this);
    RemoveAllCustomAttribute();
    if (manager_) manager_->ReapObjects(this);
}

// ---- identity ----

CUiString CControlUI::GetName() const { return name_; }
void CControlUI::SetName(const wchar_t* name) { name_ = name; }
const wchar_t* CControlUI::GetClassName() const { return L"ControlUI"; }

void* CControlUI::GetInterface(const wchar_t* name) {
    if (name && win::EqualsNoCase(name, L"Control")) return this;
    return nullptr;
}

UINT CControlUI::GetControlFlags() const { return 0; }

bool CControlUI::PassesShortcutOn() const {
    const wchar_t* name = GetClassName();
    return name && std::wcsstr(name, L"LabelUI") != nullptr;
}

bool CControlUI::WantsTabKey() { return GetInterface(L"RichEdit") || GetInterface(L"WebBrowser"); }

bool CControlUI::Activate() { return IsVisible() && IsEnabled(); }

CPaintManagerUI* CControlUI::GetManager() const { return manager_; }

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    manager_ = manager;
    parent_ = parent;
    if (init && parent_) Init();
}

CControlUI* CControlUI::GetParent() const { return parent_; }

// ---- text ----

namespace {
// A resource text is a key of the language-text table; an unknown key reads as itself.
CUiString ResourceText(bool resource, const CUiString& stored) {
    if (!resource) return stored;
    const wchar_t* text = CResourceManager::GetInstance().GetText(stored);
    return text ? CUiString(text) : stored;
}
}  // namespace

CUiString CControlUI::GetText() const { return ResourceText(resourceText_, text_); }

void CControlUI::SetText(const wchar_t* text) {
    CUiString value(text);
    value.Replace(L"{\\n}", L"\n");
    if (text_ == value) return;
    text_ = value;
    Invalidate();
}

bool CControlUI::IsResourceText() const { return resourceText_; }
void CControlUI::SetResourceText(bool resource) {
    if (resourceText_ == resource) return;
    resourceText_ = resource;
    Invalidate();
}
bool CControlUI::IsDragEnabled() const { return dragEnabled_; }
void CControlUI::SetDragEnable(bool enable) { dragEnabled_ = enable; }
bool CControlUI::IsDropEnabled() const { return dropEnabled_; }
void CControlUI::SetDropEnable(bool enable) { dropEnabled_ = enable; }
bool CControlUI::IsRichEvent() const { return richEvent_; }
void CControlUI::SetRichEvent(bool enable) { richEvent_ = enable; }

// ---- position and size ----

RECT CControlUI::GetRelativePos() const {
    if (!parent_) return RECT{0, 0, 0, 0};
    RECT rc = itemRect_;
    const RECT& parent = parent_->GetPos();
    ::OffsetRect(&rc, -parent.left, -parent.top);
    return rc;
}

RECT CControlUI::GetClientPos() const { return itemRect_; }
const RECT& CControlUI::GetPos() const { return itemRect_; }

void CControlUI::SetPos(RECT rc, bool needInvalidate) {
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;

    RECT invalidate = ::IsRectEmpty(&itemRect_) ? rc : itemRect_;
    itemRect_ = rc;
    if (!manager_) return;

    if (!inSetPos_) {
        inSetPos_ = true;
        if (OnSize) OnSize(this);
        inSetPos_ = false;
    }
    updateNeeded_ = false;

    if (!needInvalidate || !IsVisible()) return;
    ::UnionRect(&invalidate, &invalidate, &itemRect_);
    for (CControlUI* parent = parent_; parent; parent = parent->GetParent()) {
        if (!parent->IsVisible()) return;
        RECT clipped;
        if (!Intersect(clipped, invalidate, parent->GetPos())) return;
        invalidate = clipped;
    }
    manager_->Invalidate(invalidate);
}

void CControlUI::Move(SIZE offset, bool /*needInvalidate*/) {
    fixedXY_.cx += offset.cx;
    fixedXY_.cy += offset.cy;
    NeedParentUpdate();
}

int CControlUI::GetWidth() const { return itemRect_.right - itemRect_.left; }
int CControlUI::GetHeight() const { return itemRect_.bottom - itemRect_.top; }
int CControlUI::GetX() const { return itemRect_.left; }
int CControlUI::GetY() const { return itemRect_.top; }

RECT CControlUI::GetPadding() const { return ScaleMetric(padding_); }
void CControlUI::SetPadding(RECT padding) {
    padding_ = padding;
    NeedParentUpdate();
}

SIZE CControlUI::GetFixedXY() const { return ScaleMetric(fixedXY_); }
void CControlUI::SetFixedXY(SIZE xy) {
    fixedXY_ = xy;
    NeedParentUpdate();
}

SIZE CControlUI::GetFixedSize() const { return ScaleMetric(fixedSize_); }

int CControlUI::GetFixedWidth() const { return ScaleMetric(static_cast<int>(fixedSize_.cx)); }
void CControlUI::SetFixedWidth(int cx) {
    if (cx < 0) return;
    fixedSize_.cx = cx;
    NeedParentUpdate();
}
int CControlUI::GetFixedHeight() const { return ScaleMetric(static_cast<int>(fixedSize_.cy)); }
void CControlUI::SetFixedHeight(int cy) {
    if (cy < 0) return;
    fixedSize_.cy = cy;
    NeedParentUpdate();
}
int CControlUI::GetMinWidth() const { return ScaleMetric(static_cast<int>(minSize_.cx)); }
void CControlUI::SetMinWidth(int cx) {
    if (cx < 0) return;
    minSize_.cx = cx;
    NeedParentUpdate();
}
int CControlUI::GetMaxWidth() const { return ScaleMetric(static_cast<int>(maxSize_.cx)); }
void CControlUI::SetMaxWidth(int cx) {
    if (cx < 0) return;
    maxSize_.cx = cx;
    NeedParentUpdate();
}
int CControlUI::GetMinHeight() const { return ScaleMetric(static_cast<int>(minSize_.cy)); }
void CControlUI::SetMinHeight(int cy) {
    if (cy < 0) return;
    minSize_.cy = cy;
    NeedParentUpdate();
}
int CControlUI::GetMaxHeight() const { return ScaleMetric(static_cast<int>(maxSize_.cy)); }
void CControlUI::SetMaxHeight(int cy) {
    if (cy < 0) return;
    maxSize_.cy = cy;
    NeedParentUpdate();
}

TPercentInfo CControlUI::GetFloatPercent() const { return floatPercent_; }
void CControlUI::SetFloatPercent(TPercentInfo percent) {
    floatPercent_ = percent;
    NeedParentUpdate();
}
void CControlUI::SetFloatAlign(UINT align) {
    floatAlign_ = align;
    NeedParentUpdate();
}
UINT CControlUI::GetFloatAlign() const { return floatAlign_; }

// ---- tooltip, cursor, small properties ----

CUiString CControlUI::GetToolTip() const { return ResourceText(resourceText_, toolTip_); }
void CControlUI::SetToolTip(const wchar_t* text) {
    CUiString value(text);
    value.Replace(L"<n>", L"\r\n");
    toolTip_ = value;
}
void CControlUI::SetToolTipWidth(int width) { toolTipWidth_ = width; }
int CControlUI::GetToolTipWidth() const { return ScaleMetric(toolTipWidth_); }
WORD CControlUI::GetCursor() const { return cursor_; }
void CControlUI::SetCursor(WORD cursor) {
    cursor_ = cursor;
    Invalidate();
}
wchar_t CControlUI::GetShortcut() const { return shortcut_; }
void CControlUI::SetShortcut(wchar_t ch) { shortcut_ = ch; }
bool CControlUI::IsContextMenuUsed() const { return menuUsed_; }
void CControlUI::SetContextMenuUsed(bool used) { menuUsed_ = used; }
const CUiString& CControlUI::GetUserData() const { return userData_; }
void CControlUI::SetUserData(const wchar_t* text) { userData_ = text; }
UINT_PTR CControlUI::GetTag() const { return tag_; }
void CControlUI::SetTag(UINT_PTR tag) { tag_ = tag; }

// ---- visibility, enabling, focus ----

bool CControlUI::IsVisible() const { return visible_ && inheritedVisible_; }

void CControlUI::SetVisible(bool visible) {
    if (visible_ == visible) return;
    const bool wasVisible = IsVisible();
    // Hidden controls leave the accessible tree: they are named while they are still in it.
    if (wasVisible && !visible && manager_) manager_->NotifyAccessibleSubtree(EVENT_OBJECT_HIDE, this);
    visible_ = visible;
    focused_ = false;
    if (!visible && manager_ && manager_->GetFocus() == this) manager_->SetFocus(nullptr);
    if (IsVisible() != wasVisible) {
        NeedParentUpdate();
        if (IsVisible() && manager_) manager_->NotifyAccessibleSubtree(EVENT_OBJECT_SHOW, this);
    }
}

void CControlUI::SetInheritedVisible(bool visible) {
    inheritedVisible_ = visible;
    if (!visible && manager_ && manager_->GetFocus() == this) manager_->SetFocus(nullptr);
}

bool CControlUI::IsEnabled() const { return enabled_; }
void CControlUI::SetEnabled(bool enable) {
    if (enabled_ == enable) return;
    enabled_ = enable;
    Invalidate();
    NotifyAccessible(EVENT_OBJECT_STATECHANGE);
}
bool CControlUI::IsMouseEnabled() const { return mouseEnabled_; }
void CControlUI::SetMouseEnabled(bool enable) { mouseEnabled_ = enable; }
bool CControlUI::IsKeyboardEnabled() const { return keyboardEnabled_; }
void CControlUI::SetKeyboardEnabled(bool enable) { keyboardEnabled_ = enable; }
bool CControlUI::IsFocused() const { return focused_; }
void CControlUI::SetFocus() {
    if (manager_) manager_->SetFocus(this);
}
bool CControlUI::IsFloat() const { return float_; }
void CControlUI::SetFloat(bool isFloat) {
    if (float_ == isFloat) return;
    float_ = isFloat;
    NeedParentUpdate();
}

CControlUI* CControlUI::FindControl(FindControlProc proc, void* data, UINT flags) {
    if ((flags & UIFIND_VISIBLE) && !IsVisible()) return nullptr;
    if ((flags & UIFIND_ENABLED) && !IsEnabled()) return nullptr;
    if (flags & UIFIND_HITTEST) {
        if (!mouseEnabled_ || !data) return nullptr;
        if (!::PtInRect(&itemRect_, *static_cast<POINT*>(data))) return nullptr;
    }
    return proc(this, data);
}

// ---- life and events ----

void CControlUI::Init() {
    OnInitialize();
    if (OnInit) OnInit(this);
}

void CControlUI::OnInitialize() {}

void CControlUI::DispatchEvent(TControlEvent& event) {
    if (OnEvent(&event)) HandleEvent(event);
}

void CControlUI::HandleEvent(TControlEvent& event) {
    switch (event.type) {
    case UIEVENT_SETCURSOR:
        ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(cursor_ ? cursor_ : 32512)));
        return;
    case UIEVENT_SETFOCUS:
        focused_ = true;
        Invalidate();
        return;
    case UIEVENT_KILLFOCUS:
        focused_ = false;
        Invalidate();
        return;
    case UIEVENT_TIMER:
        if (manager_) manager_->SendNotify(this, NotifyType::kTimer, event.wParam, event.lParam);
        return;
    case UIEVENT_CONTEXTMENU:
        if (menuUsed_ && manager_) {
            manager_->SendNotify(this, NotifyType::kMenu, event.wParam, event.lParam);
        }
        return;
    default:
        if (parent_) parent_->HandleEvent(event);
        return;
    }
}

SIZE CControlUI::EstimateSize(SIZE /*available*/) { return GetFixedSize(); }

// ---- invalidation ----

void CControlUI::Invalidate() {
    if (!IsVisible()) return;
    RECT rc = itemRect_;
    for (CControlUI* parent = parent_; parent; parent = parent->GetParent()) {
        RECT clipped;
        if (!Intersect(clipped, rc, parent->GetPos())) return;
        rc = clipped;
    }
    if (manager_) manager_->Invalidate(rc);
}

void CControlUI::NeedUpdate() {
    if (!IsVisible()) return;
    updateNeeded_ = true;
    Invalidate();
    if (manager_) manager_->NeedUpdate();
}

void CControlUI::NeedParentUpdate() {
    if (parent_) {
        parent_->NeedUpdate();
        parent_->Invalidate();
    } else {
        NeedUpdate();
    }
    if (manager_) manager_->NeedUpdate();
}

// ---- custom attributes ----

void CControlUI::AddCustomAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !*name || !value || !*value) return;
    customAttributes_.emplace(name, value);  // the first value stored wins
}

const wchar_t* CControlUI::GetCustomAttribute(const wchar_t* name) const {
    if (!name) return nullptr;
    const auto it = customAttributes_.find(name);
    return it == customAttributes_.end() ? nullptr : it->second.c_str();
}

void CControlUI::RemoveAllCustomAttribute() {
    std::unordered_map<std::wstring, std::wstring> empty;
    empty.reserve(83);
    customAttributes_.swap(empty);
}

// ---- colours, images, borders ----

DWORD CControlUI::GetAdjustColor(DWORD color) const {
    if (!colorHSL_) return color;
    short h = 180, s = 100, l = 100;
    CPaintManagerUI::GetHSL(&h, &s, &l);
    return CRenderer::AdjustColor(color, h, s, l);
}

bool CControlUI::DrawImage(HDC dc, const wchar_t* image, const wchar_t* modify) {
    return CRenderer::DrawImage(dc, manager_, itemRect_, paintRect_, image, modify, instance_);
}

void CControlUI::SetVirtualWnd(const wchar_t* name) {
    virtualWnd_ = name;
    if (manager_) manager_->UsedVirtualWnd(true);
}

namespace {
template <typename T>
bool Store(T& field, const T& value) {
    if (field == value) return false;
    field = value;
    return true;
}
}  // namespace

void CControlUI::SetGradient(const wchar_t* gradient) {
    if (Store(gradient_, CUiString(gradient))) Invalidate();
}
void CControlUI::SetBkColor(DWORD color) {
    if (Store(bkColor_, color)) Invalidate();
}
void CControlUI::SetBkColor2(DWORD color) {
    if (Store(bkColor2_, color)) Invalidate();
}
void CControlUI::SetBkColor3(DWORD color) {
    if (Store(bkColor3_, color)) Invalidate();
}
void CControlUI::SetForeColor(DWORD color) {
    if (Store(foreColor_, color)) Invalidate();
}
void CControlUI::SetBkImage(const wchar_t* image) {
    if (Store(bkImage_, CUiString(image))) Invalidate();
}
void CControlUI::SetForeImage(const wchar_t* image) {
    if (Store(foreImage_, CUiString(image))) Invalidate();
}
void CControlUI::SetBorderColor(DWORD color) {
    if (Store(borderColor_, color)) Invalidate();
}
void CControlUI::SetFocusBorderColor(DWORD color) {
    if (Store(focusBorderColor_, color)) Invalidate();
}
void CControlUI::SetColorHSL(bool hsl) {
    if (Store(colorHSL_, hsl)) Invalidate();
}
int CControlUI::GetBorderSize() const { return ScaleMetric(borderSize_); }
void CControlUI::SetBorderSize(int size) {
    if (Store(borderSize_, size)) Invalidate();
}
void CControlUI::SetBorderSize(RECT sizes) {
    if (::EqualRect(&borderSizes_, &sizes)) return;
    borderSizes_ = sizes;
    Invalidate();
}
RECT CControlUI::GetBorderSizes() const { return ScaleMetric(borderSizes_); }
void CControlUI::SetLeftBorderSize(int size) {
    if (Store(borderSizes_.left, static_cast<LONG>(size))) Invalidate();
}
void CControlUI::SetTopBorderSize(int size) {
    if (Store(borderSizes_.top, static_cast<LONG>(size))) Invalidate();
}
void CControlUI::SetRightBorderSize(int size) {
    if (Store(borderSizes_.right, static_cast<LONG>(size))) Invalidate();
}
void CControlUI::SetBottomBorderSize(int size) {
    if (Store(borderSizes_.bottom, static_cast<LONG>(size))) Invalidate();
}
void CControlUI::SetBorderStyle(int style) {
    if (Store(borderStyle_, style)) Invalidate();
}
SIZE CControlUI::GetBorderRound() const { return ScaleMetric(borderRound_); }
void CControlUI::SetBorderRound(SIZE round) {
    if (borderRound_.cx == round.cx && borderRound_.cy == round.cy) return;
    borderRound_ = round;
    Invalidate();
}

// ---- DPI ----

int CControlUI::ScaleMetric(int value) const {
    return manager_ ? manager_->GetDPIObj()->Scale(value) : value;
}
RECT CControlUI::ScaleMetric(RECT rc) const {
    return manager_ ? manager_->GetDPIObj()->Scale(rc) : rc;
}
SIZE CControlUI::ScaleMetric(SIZE size) const {
    return manager_ ? manager_->GetDPIObj()->Scale(size) : size;
}

// ---- painting ----

bool CControlUI::Paint(HDC dc, const RECT& paintRect, CControlUI* stopControl) {
    if (stopControl == this) return false;
    if (!Intersect(paintRect_, paintRect, itemRect_)) return true;
    if (OnPaint && !OnPaint(this)) return true;
    return PaintLayers(dc, paintRect, stopControl);
}

bool CControlUI::PaintLayers(HDC dc, const RECT& /*paintRect*/, CControlUI* /*stopControl*/) {
    const SIZE round = GetBorderRound();
    auto paintAll = [&] {
        PaintBackColor(dc);
        PaintBackImage(dc);
        PaintStateImage(dc);
        PaintForeColor(dc);
        PaintForeImage(dc);
        PaintText(dc);
        PaintBorder(dc);
    };
    if (round.cx < 1 && round.cy < 1) {
        paintAll();
        return true;
    }
    // The guard restores the DC's clip even if the clip record does not.
    win::ScopedClip restore(dc);
    CRenderClip clip;
    CRenderer::GenerateRoundClip(dc, paintRect_, itemRect_, round.cx, round.cy, clip);
    paintAll();
    return true;
}

void CControlUI::PaintBackColor(HDC dc) {
    if (bkColor_ == 0) return;
    const bool vertical = gradient_.CompareNoCase(L"hor") != 0;
    if (bkColor2_ == 0) {
        const DWORD color = GetAdjustColor(bkColor_);
        // An opaque fill covers only what is being painted; a translucent one must
        // be laid over the whole control so that its blend is uniform.
        CRenderer::DrawColor(dc, color >= 0xFF000000 ? paintRect_ : itemRect_, color);
        return;
    }
    if (bkColor3_ == 0) {
        CRenderer::DrawGradient(dc, itemRect_, GetAdjustColor(bkColor_), GetAdjustColor(bkColor2_),
                                vertical, 16);
        return;
    }
    RECT upper = itemRect_;
    RECT lower = itemRect_;
    const LONG middle = (itemRect_.top + itemRect_.bottom) / 2;
    upper.bottom = middle;
    lower.top = middle;
    CRenderer::DrawGradient(dc, upper, GetAdjustColor(bkColor_), GetAdjustColor(bkColor2_),
                            vertical, 8);
    CRenderer::DrawGradient(dc, lower, GetAdjustColor(bkColor2_), GetAdjustColor(bkColor3_),
                            vertical, 8);
}

void CControlUI::PaintBackImage(HDC dc) {
    if (bkImage_.IsEmpty()) return;
    DrawImage(dc, bkImage_);
}

void CControlUI::PaintStateImage(HDC) {}

void CControlUI::PaintForeColor(HDC dc) {
    if (foreColor_ == 0) return;
    CRenderer::DrawColor(dc, itemRect_, GetAdjustColor(foreColor_));
}

void CControlUI::PaintForeImage(HDC dc) {
    if (foreImage_.IsEmpty()) return;
    DrawImage(dc, foreImage_);
}

void CControlUI::PaintText(HDC) {}

void CControlUI::PaintBorder(HDC dc) {
    if (borderColor_ == 0 && focusBorderColor_ == 0) return;
    const int size = GetBorderSize();
    const SIZE round = GetBorderRound();
    const RECT sides = GetBorderSizes();
    const bool useFocusColor = IsFocused() && focusBorderColor_ != 0;
    const DWORD border = GetAdjustColor(borderColor_);

    if (size > 0 && (round.cx > 0 || round.cy > 0)) {
        const DWORD color = useFocusColor ? GetAdjustColor(focusBorderColor_) : border;
        CRenderer::DrawRoundRect(dc, itemRect_, size, round.cx, round.cy, color, borderStyle_);
        return;
    }
    if (useFocusColor && size > 0) {
        CRenderer::DrawRect(dc, itemRect_, size, GetAdjustColor(focusBorderColor_), borderStyle_);
        return;
    }
    if (sides.left > 0 || sides.top > 0 || sides.right > 0 || sides.bottom > 0) {
        const RECT& r = itemRect_;
        if (sides.left > 0) {
            CRenderer::DrawLine(dc, RECT{r.left, r.top, r.left, r.bottom}, sides.left, border,
                                borderStyle_);
        }
        if (sides.top > 0) {
            CRenderer::DrawLine(dc, RECT{r.left, r.top, r.right, r.top}, sides.top, border,
                                borderStyle_);
        }
        if (sides.right > 0) {
            CRenderer::DrawLine(dc, RECT{r.right - 1, r.top, r.right - 1, r.bottom}, sides.right,
                                border, borderStyle_);
        }
        if (sides.bottom > 0) {
            CRenderer::DrawLine(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom - 1}, sides.bottom,
                                border, borderStyle_);
        }
        return;
    }
    if (size > 0) CRenderer::DrawRect(dc, itemRect_, size, border, borderStyle_);
}

void CControlUI::PaintAfter(HDC, const RECT&) {}

}  // namespace Ulmar
