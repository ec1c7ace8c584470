// CButtonUI.
#include "ui/controls/button.h"

#include "ui/base/image.h"
#include "ui/base/paint_manager.h"
#include "ui/base/render.h"

#if __has_include("ui/controls/tab_layout.h")
#include "ui/controls/tab_layout.h"
#include "win/text.h"
#define ULMAR_HAVE_TAB_LAYOUT 1
#endif

namespace Ulmar {

namespace {

bool IsMouseKind(int type) { return type >= UIEVENT__MOUSEBEGIN && type <= UIEVENT__MOUSEEND; }

}  // namespace

CButtonUI::CButtonUI() { textStyle_ = DT_CENTER | DT_VCENTER | DT_SINGLELINE; }

const wchar_t* CButtonUI::GetClassName() const { return L"ButtonUI"; }

void* CButtonUI::GetInterface(const wchar_t* name) {
    if (name && win::EqualsNoCase(name, L"Button")) return this;
    return CLabelUI::GetInterface(name);
}

UINT CButtonUI::GetControlFlags() const {
    if (!IsEnabled()) return 0;
    return UIFLAG_SETCURSOR | (IsKeyboardEnabled() ? UINT{UIFLAG_TABSTOP} : 0u);
}

bool CButtonUI::Activate() {
    if (!CControlUI::Activate()) return false;
    if (!manager_) return true;
    // Hold what is needed before notifying: a listener may delete this control.
    CPaintManagerUI* manager = manager_;
    const CUiString tabName = bindTabLayoutName_;
    const int tabIndex = bindTabIndex_;
    manager->SendNotify(this, NotifyType::kClick);
    if (!tabName.IsEmpty() && tabIndex >= 0) {
#ifdef ULMAR_HAVE_TAB_LAYOUT
        if (CControlUI* found = manager->FindControl(tabName)) {
            if (auto* tab = static_cast<CTabLayoutUI*>(found->GetInterface(L"TabLayout"))) {
                tab->SelectItem(tabIndex);
            }
        }
#endif
    }
    return true;
}

void CButtonUI::SetEnabled(bool enable) {
    CControlUI::SetEnabled(enable);
    if (enable) {
        buttonState_ &= ~UISTATE_DISABLED;
    } else {
        buttonState_ |= UISTATE_DISABLED;
    }
}

void CButtonUI::HandleEvent(TControlEvent& event) {
    if (!IsMouseEnabled() && IsMouseKind(event.type)) {
        if (parent_) {
            parent_->HandleEvent(event);
        } else {
            CLabelUI::HandleEvent(event);
        }
        return;
    }
    const bool inside = ::PtInRect(&itemRect_, event.mouse) != FALSE;
    switch (event.type) {
    case UIEVENT_SETFOCUS:
    case UIEVENT_KILLFOCUS:
        Invalidate();
        break;
    case UIEVENT_KEYDOWN:
        if (IsKeyboardEnabled() && (event.key == VK_SPACE || event.key == VK_RETURN)) {
            Activate();
            return;
        }
        break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (inside && IsEnabled()) {
            buttonState_ |= UISTATE_PUSHED | UISTATE_CAPTURED;
            Invalidate();
            if (IsRichEvent() && manager_) manager_->SendNotify(this, L"buttondown");
        }
        return;
    case UIEVENT_MOUSEMOVE:
        if (buttonState_ & UISTATE_CAPTURED) {
            if (inside) {
                buttonState_ |= UISTATE_PUSHED;
            } else {
                buttonState_ &= ~UISTATE_PUSHED;
            }
            Invalidate();
        }
        return;
    case UIEVENT_BUTTONUP:
        if (buttonState_ & UISTATE_CAPTURED) {
            buttonState_ &= ~(UISTATE_PUSHED | UISTATE_CAPTURED);
            Invalidate();
            if (inside) Activate();
        }
        return;
    case UIEVENT_CONTEXTMENU:
        if (IsContextMenuUsed() && manager_) {
            manager_->SendNotify(this, NotifyType::kMenu, event.wParam, event.lParam);
        }
        return;
    case UIEVENT_MOUSEENTER:
        if (IsEnabled()) {
            buttonState_ |= UISTATE_HOT;
            Invalidate();
            if (IsRichEvent() && manager_) manager_->SendNotify(this, L"mouseenter");
        }
        break;
    case UIEVENT_MOUSELEAVE:
        if (IsEnabled()) {
            buttonState_ &= ~UISTATE_HOT;
            Invalidate();
            if (IsRichEvent() && manager_) manager_->SendNotify(this, L"mouseleave");
        }
        break;
    default:
        break;
    }
    CLabelUI::HandleEvent(event);
}

const AttributeRow<CButtonUI> CButtonUI::kAttributes[] = {
    {L"normalimage", [](CButtonUI& c, const wchar_t* v) { c.SetNormalImage(v); }},
    {L"hotimage", [](CButtonUI& c, const wchar_t* v) { c.SetHotImage(v); }},
    {L"pushedimage", [](CButtonUI& c, const wchar_t* v) { c.SetPushedImage(v); }},
    {L"focusedimage", [](CButtonUI& c, const wchar_t* v) { c.SetFocusedImage(v); }},
    {L"disabledimage", [](CButtonUI& c, const wchar_t* v) { c.SetDisabledImage(v); }},
    {L"hotforeimage", [](CButtonUI& c, const wchar_t* v) { c.SetHotForeImage(v); }},
    {L"pushedforeimage", [](CButtonUI& c, const wchar_t* v) { c.SetPushedForeImage(v); }},
    {L"stateimage", [](CButtonUI& c, const wchar_t* v) { c.SetStateImage(v); }},
    {L"statecount", [](CButtonUI& c, const wchar_t* v) { c.SetStateCount(ParseInt(v)); }},
    {L"bindtabindex", [](CButtonUI& c, const wchar_t* v) { c.BindTabIndex(ParseInt(v)); }},
    {L"bindtablayoutname", [](CButtonUI& c, const wchar_t* v) { c.BindTabLayoutName(v); }},
    {L"hotbkcolor", [](CButtonUI& c, const wchar_t* v) { c.SetHotBkColor(ParseColor(v)); }},
    {L"pushedbkcolor", [](CButtonUI& c, const wchar_t* v) { c.SetPushedBkColor(ParseColor(v)); }},
    {L"disabledbkcolor", [](CButtonUI& c, const wchar_t* v) { c.SetDisabledBkColor(ParseColor(v)); }},
    {L"hottextcolor", [](CButtonUI& c, const wchar_t* v) { c.SetHotTextColor(ParseColor(v)); }},
    {L"pushedtextcolor", [](CButtonUI& c, const wchar_t* v) { c.SetPushedTextColor(ParseColor(v)); }},
    {L"focusedtextcolor", [](CButtonUI& c, const wchar_t* v) { c.SetFocusedTextColor(ParseColor(v)); }},
    {L"hotbordercolor", [](CButtonUI& c, const wchar_t* v) { c.hotBorderColor_ = ParseColor(v); }, true},
    {L"pushedbordercolor", [](CButtonUI& c, const wchar_t* v) { c.pushedBorderColor_ = ParseColor(v); }, true},
    {L"disabledbordercolor", [](CButtonUI& c, const wchar_t* v) { c.disabledBorderColor_ = ParseColor(v); }, true},
    {L"hotfont", [](CButtonUI& c, const wchar_t* v) { c.hotFont_ = ParseInt(v); }},
    {L"pushedfont", [](CButtonUI& c, const wchar_t* v) { c.pushedFont_ = ParseInt(v); }},
    {L"focuedfont", [](CButtonUI& c, const wchar_t* v) { c.focusedFont_ = ParseInt(v); }},
};

void CButtonUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!ApplyAttributeRow(kAttributes, *this, name, value)) CLabelUI::SetAttribute(name, value);
}

// ---- images ----

const CUiString& CButtonUI::GetNormalImage() const { return normalImage_; }
void CButtonUI::SetNormalImage(const wchar_t* image) { normalImage_ = image; Invalidate(); }
const CUiString& CButtonUI::GetHotImage() const { return hotImage_; }
void CButtonUI::SetHotImage(const wchar_t* image) { hotImage_ = image; Invalidate(); }
const CUiString& CButtonUI::GetPushedImage() const { return pushedImage_; }
void CButtonUI::SetPushedImage(const wchar_t* image) { pushedImage_ = image; Invalidate(); }
const CUiString& CButtonUI::GetFocusedImage() const { return focusedImage_; }
void CButtonUI::SetFocusedImage(const wchar_t* image) { focusedImage_ = image; Invalidate(); }
const CUiString& CButtonUI::GetDisabledImage() const { return disabledImage_; }
void CButtonUI::SetDisabledImage(const wchar_t* image) { disabledImage_ = image; Invalidate(); }
const CUiString& CButtonUI::GetHotForeImage() const { return hotForeImage_; }
void CButtonUI::SetHotForeImage(const wchar_t* image) { hotForeImage_ = image; Invalidate(); }
const CUiString& CButtonUI::GetPushedForeImage() const { return pushedForeImage_; }
void CButtonUI::SetPushedForeImage(const wchar_t* image) { pushedForeImage_ = image; Invalidate(); }
const CUiString& CButtonUI::GetStateImage() const { return stateImage_; }

void CButtonUI::SetStateImage(const wchar_t* image) {
    // Emptying the normal image makes the next paint cut the strips again.
    normalImage_.Empty();
    stateImage_ = image;
    Invalidate();
}

void CButtonUI::SetStateCount(int count) {
    stateCount_ = count;
    Invalidate();
}

void CButtonUI::BindTabIndex(int index) {
    if (index >= 0) bindTabIndex_ = index;
}

void CButtonUI::BindTabLayoutName(const wchar_t* name) {
    if (name) bindTabLayoutName_ = name;
}

// ---- painting ----

void CButtonUI::RefreshStateBits() {
    if (IsFocused()) {
        buttonState_ |= UISTATE_FOCUSED;
    } else {
        buttonState_ &= ~UISTATE_FOCUSED;
    }
    if (!IsEnabled()) {
        buttonState_ |= UISTATE_DISABLED;
    } else {
        buttonState_ &= ~UISTATE_DISABLED;
    }
}

void CButtonUI::PaintBackColor(HDC dc) {
    DWORD color = 0;
    if (buttonState_ & UISTATE_DISABLED) {
        color = disabledBkColor_;
    } else if (buttonState_ & UISTATE_PUSHED) {
        color = pushedBkColor_;
    } else if (buttonState_ & UISTATE_HOT) {
        color = hotBkColor_;
    }
    if (color == 0) {
        CControlUI::PaintBackColor(dc);
        return;
    }
    CRenderer::DrawColor(dc, paintRect_, GetAdjustColor(color));
}

bool CButtonUI::CutStrips(const CUiString& stateImage, int count, CUiString* const images[4],
                          const int strips[4], const wchar_t* extra) {
    if (!manager_ || count <= 0) return false;
    const CImageDrawInfo* info = manager_->GetDrawInfo(stateImage, L"");
    if (!info) return false;
    const CImageData* data = manager_->GetImageEx(info->sImageName, info->sResType, info->dwMask,
                                                  info->bHSL, info->bGdiplus, instance_);
    if (!data || data->width <= 0) return false;
    const int stripWidth = data->width / count;
    const RECT& dest = info->rcDest;
    for (int i = 0; i < 4; ++i) {
        if (!images[i] || strips[i] < 0 || strips[i] >= count) continue;
        const int left = strips[i] * stripWidth;
        CUiString text;
        text.Format(L"res='%s' restype='%s' dest='%d,%d,%d,%d' source='%d,%d,%d,%d'",
                    info->sImageName.GetData(), info->sResType.GetData(), dest.left, dest.top,
                    dest.right, dest.bottom, left, 0, left + stripWidth, data->height);
        text += extra;
        *images[i] = text;
    }
    return true;
}

void CButtonUI::PaintStateImage(HDC dc) {
    RefreshStateBits();
    if (!stateImage_.IsEmpty() && stateCount_ > 0 && normalImage_.IsEmpty()) {
        // Strip 0 normal; hot and pushed strip 1; pushed strip 2 with three; disabled strip 3.
        CUiString* const images[4] = {&normalImage_, &hotImage_, &pushedImage_, &disabledImage_};
        const int strips[4] = {0, stateCount_ >= 2 ? 1 : -1, stateCount_ >= 3 ? 2 : (stateCount_ == 2 ? 1 : -1),
                               stateCount_ >= 4 ? 3 : -1};
        CutStrips(stateImage_, stateCount_, images, strips, L"");
    }
    if (manager_ && !::IsWindowEnabled(manager_->GetPaintWindow())) {
        buttonState_ &= UISTATE_DISABLED;
    }
    const CUiString* chosen = nullptr;
    if (buttonState_ & UISTATE_DISABLED) {
        chosen = &disabledImage_;
    } else if (buttonState_ & UISTATE_PUSHED) {
        chosen = &pushedImage_;
    } else if (buttonState_ & UISTATE_HOT) {
        chosen = &hotImage_;
    } else if (buttonState_ & UISTATE_FOCUSED) {
        chosen = &focusedImage_;
    }
    if (chosen && !chosen->IsEmpty() && DrawImage(dc, *chosen)) return;
    if (!normalImage_.IsEmpty()) DrawImage(dc, normalImage_);
}

void CButtonUI::PaintForeImage(HDC dc) {
    const CUiString* chosen = nullptr;
    if (buttonState_ & UISTATE_PUSHED) {
        chosen = &pushedForeImage_;
    } else if (buttonState_ & UISTATE_HOT) {
        chosen = &hotForeImage_;
    }
    if (chosen && !chosen->IsEmpty() && DrawImage(dc, *chosen)) return;
    CControlUI::PaintForeImage(dc);
}

void CButtonUI::PaintText(HDC dc) {
    ResolveDefaultColors();
    if (text_.IsEmpty()) return;
    DWORD color = IsEnabled() ? textColor_ : disabledTextColor_;
    int font = font_;
    if ((buttonState_ & UISTATE_PUSHED) && pushedTextColor_ != 0) {
        color = pushedTextColor_;
    } else if ((buttonState_ & UISTATE_HOT) && hotTextColor_ != 0) {
        color = hotTextColor_;
    } else if ((buttonState_ & UISTATE_FOCUSED) && focusedTextColor_ != 0) {
        color = focusedTextColor_;
    }
    if ((buttonState_ & UISTATE_PUSHED) && pushedFont_ != -1) {
        font = pushedFont_;
    } else if ((buttonState_ & UISTATE_HOT) && hotFont_ != -1) {
        font = hotFont_;
    } else if ((buttonState_ & UISTATE_FOCUSED) && focusedFont_ != -1) {
        font = focusedFont_;
    }
    RECT rc = TextRect();
    if (showHtml_) {
        int links = 0;
        CRenderer::DrawHtmlText(dc, manager_, rc, text_, color, nullptr, nullptr, links, font,
                                textStyle_);
    } else {
        CRenderer::DrawText(dc, manager_, rc, text_, color, font, textStyle_);
    }
}

void CButtonUI::PaintBorder(HDC dc) {
    DWORD color = 0;
    if (buttonState_ & UISTATE_DISABLED) {
        color = disabledBorderColor_;
    } else if (buttonState_ & UISTATE_PUSHED) {
        color = pushedBorderColor_;
    } else if (buttonState_ & UISTATE_HOT) {
        color = hotBorderColor_;
    }
    if (color == 0) {
        CControlUI::PaintBorder(dc);
        return;
    }
    // The base draws the border in its own colour; lend it the state's for this paint.
    const DWORD saved = borderColor_;
    borderColor_ = color;
    CControlUI::PaintBorder(dc);
    borderColor_ = saved;
}

}  // namespace Ulmar
