// CLabelUI and CTextUI.
#include "ui/controls/label.h"

#include <cwchar>

#include "ui/base/paint_manager.h"
#include "ui/base/render.h"
#include "win/text.h"

namespace Ulmar {

namespace {

bool Contains(const wchar_t* value, const wchar_t* word) { return std::wcsstr(value, word) != nullptr; }

bool Inside(const RECT& rc, POINT pt) { return ::PtInRect(&rc, pt) != FALSE; }

}  // namespace

// ---- CLabelUI ----

CLabelUI::CLabelUI() = default;

const wchar_t* CLabelUI::GetClassName() const { return L"LabelUI"; }

void* CLabelUI::GetInterface(const wchar_t* name) {
    if (name && win::EqualsNoCase(name, L"Label")) return this;
    return CControlUI::GetInterface(name);
}

// Text reads as text; a picture without text as a graphic; a label with neither stays silent.
long CLabelUI::DefaultAccessibleRole() const {
    if (!GetText().IsEmpty()) return ROLE_SYSTEM_STATICTEXT;
    return GetBkImage().IsEmpty() ? 0 : ROLE_SYSTEM_GRAPHIC;
}

UINT CLabelUI::GetControlFlags() const { return IsEnabled() ? UINT{UIFLAG_SETCURSOR} : 0u; }

void CLabelUI::SetText(const wchar_t* text) {
    CControlUI::SetText(text);
    if (autoCalcWidth_ || autoCalcHeight_) NeedParentUpdate();
}

bool CLabelUI::GetAutoCalcWidth() const { return autoCalcWidth_; }
void CLabelUI::SetAutoCalcWidth(bool autoCalc) { autoCalcWidth_ = autoCalc; }
bool CLabelUI::GetAutoCalcHeight() const { return autoCalcHeight_; }
void CLabelUI::SetAutoCalcHeight(bool autoCalc) { autoCalcHeight_ = autoCalc; }

void CLabelUI::SetTextStyle(UINT style) {
    textStyle_ = style;
    Invalidate();
}

void CLabelUI::SetTextColor(DWORD color) {
    textColor_ = color;
    Invalidate();
}

void CLabelUI::SetDisabledTextColor(DWORD color) {
    disabledTextColor_ = color;
    Invalidate();
}

void CLabelUI::SetFont(int font) {
    font_ = font;
    needEstimate_ = true;
    Invalidate();
}

RECT CLabelUI::GetTextPadding() const { return ScaleMetric(textPadding_); }

void CLabelUI::SetTextPadding(RECT padding) {
    textPadding_ = padding;
    needEstimate_ = true;
    Invalidate();
}

void CLabelUI::SetShowHtml(bool show) {
    if (showHtml_ == show) return;
    showHtml_ = show;
    needEstimate_ = true;
    Invalidate();
}

void CLabelUI::HandleEvent(TControlEvent& event) {
    if (event.type == UIEVENT_SETFOCUS) {
        focused_ = true;
        return;
    }
    if (event.type == UIEVENT_KILLFOCUS) {
        focused_ = false;
        return;
    }
    CControlUI::HandleEvent(event);
}

// Words are found anywhere in the value and tested in this order, so a later one wins.
void CLabelUI::SetAlignWords(const wchar_t* value) {
    if (Contains(value, L"left")) textStyle_ &= ~(DT_CENTER | DT_RIGHT);
    if (Contains(value, L"center")) textStyle_ = (textStyle_ | DT_CENTER) & ~DT_RIGHT;
    if (Contains(value, L"right")) textStyle_ = (textStyle_ | DT_RIGHT) & ~DT_CENTER;
}

void CLabelUI::SetVAlignWords(const wchar_t* value) {
    if (Contains(value, L"top")) {
        textStyle_ = (textStyle_ & ~(DT_VCENTER | DT_BOTTOM | DT_WORDBREAK)) | DT_SINGLELINE;
    }
    if (Contains(value, L"vcenter")) {
        textStyle_ = (textStyle_ & ~(DT_BOTTOM | DT_WORDBREAK)) | DT_VCENTER | DT_SINGLELINE;
    }
    if (Contains(value, L"bottom")) {
        textStyle_ = (textStyle_ & ~(DT_VCENTER | DT_WORDBREAK)) | DT_BOTTOM | DT_SINGLELINE;
    }
}

void CLabelUI::SetWordBreak(bool wordBreak) {
    if (wordBreak) {
        textStyle_ = (textStyle_ & ~DT_SINGLELINE) | DT_WORDBREAK | DT_EDITCONTROL;
    } else {
        textStyle_ = (textStyle_ & ~(DT_WORDBREAK | DT_EDITCONTROL)) | DT_SINGLELINE;
    }
}

const AttributeRow<CLabelUI> CLabelUI::kAttributes[] = {
    {L"align", [](CLabelUI& c, const wchar_t* v) { c.SetAlignWords(v); }},
    {L"valign", [](CLabelUI& c, const wchar_t* v) { c.SetVAlignWords(v); }},
    {L"endellipsis", [](CLabelUI& c, const wchar_t* v) { c.SetStyleFlag(DT_END_ELLIPSIS, ParseBool(v)); }},
    {L"wordbreak", [](CLabelUI& c, const wchar_t* v) { c.SetWordBreak(ParseBool(v)); }},
    {L"noprefix", [](CLabelUI& c, const wchar_t* v) { c.SetStyleFlag(DT_NOPREFIX, ParseBool(v)); }},
    {L"font", [](CLabelUI& c, const wchar_t* v) { c.SetFont(ParseInt(v)); }},
    {L"textcolor", [](CLabelUI& c, const wchar_t* v) { c.SetTextColor(ParseColor(v)); }},
    {L"disabledtextcolor", [](CLabelUI& c, const wchar_t* v) { c.SetDisabledTextColor(ParseColor(v)); }},
    {L"textpadding", [](CLabelUI& c, const wchar_t* v) { c.SetTextPadding(ParseRect(v)); }},
    {L"showhtml", [](CLabelUI& c, const wchar_t* v) { c.SetShowHtml(ParseBool(v)); }},
    {L"autocalcwidth", [](CLabelUI& c, const wchar_t* v) { c.SetAutoCalcWidth(ParseBool(v)); }},
    {L"autocalcheight", [](CLabelUI& c, const wchar_t* v) { c.SetAutoCalcHeight(ParseBool(v)); }},
};

void CLabelUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!ApplyAttributeRow(kAttributes, *this, name, value)) CControlUI::SetAttribute(name, value);
}

void CLabelUI::MeasureText(RECT& rc, UINT style) {
    if (!manager_) return;
    HDC dc = manager_->GetPaintDC();
    if (showHtml_) {
        int links = 0;
        CRenderer::DrawHtmlText(dc, manager_, rc, text_, 0, nullptr, nullptr, links, font_,
                                style | DT_CALCRECT);
    } else {
        CRenderer::DrawText(dc, manager_, rc, text_, 0, font_, style | DT_CALCRECT);
    }
}

SIZE CLabelUI::EstimateSize(SIZE available) {
    if (fixedSize_.cx > 0 && fixedSize_.cy > 0) return GetFixedSize();
    if (available.cx != lastAvailable_.cx || available.cy != lastAvailable_.cy) needEstimate_ = true;
    if (needEstimate_) {
        lastAvailable_ = available;
        needEstimate_ = false;
        SIZE size = GetFixedSize();
        const RECT pad = GetTextPadding();
        const UINT style = textStyle_ & ~(DT_CENTER | DT_RIGHT);
        if ((textStyle_ & DT_SINGLELINE) == 0) {
            if (size.cy == 0 && autoCalcHeight_) {
                RECT rc = {pad.left, 0, size.cx - pad.right, 9999};
                MeasureText(rc, style);
                size.cy = (rc.bottom - rc.top) + pad.top + pad.bottom;
            }
        } else {
            if (size.cy == 0 && manager_) {
                const TFontInfo* info = manager_->GetFontInfo(font_);
                const int fontHeight = info ? info->metrics.tmHeight : 0;
                size.cy = fontHeight + 8 + pad.top + pad.bottom;
            }
            if (size.cx == 0 && autoCalcWidth_) {
                RECT rc = {0, 0, 9999, 9999};
                MeasureText(rc, style);
                size.cx = (rc.right - rc.left) + pad.left + pad.right;
            }
        }
        lastEstimate_ = size;
    }
    return lastEstimate_;
}

void CLabelUI::ResolveDefaultColors() {
    if (!manager_) return;
    if (textColor_ == 0) textColor_ = manager_->GetDefaultFontColor();
    if (disabledTextColor_ == 0) disabledTextColor_ = manager_->GetDefaultDisabledColor();
}

RECT CLabelUI::TextRect() const {
    const RECT pad = GetTextPadding();
    RECT rc = itemRect_;
    rc.left += pad.left;
    rc.right -= pad.right;
    rc.top += pad.top;
    rc.bottom -= pad.bottom;
    return rc;
}

void CLabelUI::PaintText(HDC dc) {
    ResolveDefaultColors();
    if (text_.IsEmpty()) return;
    RECT rc = TextRect();
    const DWORD color = IsEnabled() ? textColor_ : disabledTextColor_;
    if (showHtml_) {
        int links = 0;
        CRenderer::DrawHtmlText(dc, manager_, rc, text_, color, nullptr, nullptr, links, font_,
                                textStyle_);
    } else {
        CRenderer::DrawText(dc, manager_, rc, text_, color, font_, textStyle_);
    }
}

// ---- CTextUI ----

CTextUI::CTextUI() {
    textStyle_ = DT_WORDBREAK;
    textPadding_ = {2, 0, 2, 0};
}

const wchar_t* CTextUI::GetClassName() const { return L"TextUI"; }

void* CTextUI::GetInterface(const wchar_t* name) {
    if (name && win::EqualsNoCase(name, L"Text")) return this;
    return CLabelUI::GetInterface(name);
}

UINT CTextUI::GetControlFlags() const {
    return IsEnabled() && linkCount_ > 0 ? UINT{UIFLAG_SETCURSOR} : 0u;
}

CUiString* CTextUI::GetLinkContent(int index) {
    if (index < 0 || index >= linkCount_) return nullptr;
    return &linkTexts_[index];
}

int CTextUI::LinkAt(POINT pt) const {
    for (int i = 0; i < linkCount_; ++i) {
        if (Inside(links_[i], pt)) return i;
    }
    return -1;
}

void CTextUI::HandleEvent(TControlEvent& event) {
    if (!IsMouseEnabled() && event.type > UIEVENT__MOUSEBEGIN - 1 && event.type < UIEVENT__MOUSEEND + 1) {
        if (parent_) {
            parent_->HandleEvent(event);
        } else {
            CLabelUI::HandleEvent(event);
        }
        return;
    }
    switch (event.type) {
    case UIEVENT_SETCURSOR:
        if (LinkAt(event.mouse) >= 0) {
            ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32649)));
            return;
        }
        break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
        if (IsEnabled() && LinkAt(event.mouse) >= 0) {
            Invalidate();
            return;
        }
        break;
    case UIEVENT_BUTTONUP:
        if (IsEnabled()) {
            const int link = LinkAt(event.mouse);
            if (link >= 0) {
                if (manager_) manager_->SendNotify(this, NotifyType::kLink, link);
                return;
            }
        }
        break;
    case UIEVENT_CONTEXTMENU:
        return;
    case UIEVENT_MOUSEMOVE: {
        const int link = LinkAt(event.mouse);
        if (link != hoverLink_) {
            hoverLink_ = link;
            Invalidate();
        }
        if (linkCount_ > 0) return;
        break;
    }
    case UIEVENT_MOUSELEAVE:
        if (hoverLink_ != -1) {
            hoverLink_ = -1;
            Invalidate();
        }
        break;
    default:
        break;
    }
    CLabelUI::HandleEvent(event);
}

SIZE CTextUI::EstimateSize(SIZE /*available*/) {
    const RECT pad = GetTextPadding();
    const int right = autoCalcWidth_ ? 9999 : GetFixedWidth();
    RECT rc = {pad.left, 0, right - pad.right, 9999};
    MeasureText(rc, textStyle_ & ~(DT_CENTER | DT_RIGHT));
    if (autoCalcWidth_ && manager_) {
        const int width = (rc.right - rc.left) + pad.left + pad.right;
        const int scale = manager_->GetDPIScale();
        fixedSize_.cx = scale > 0 ? width * 100 / scale : width;
    }
    return GetFixedSize();
}

void CTextUI::PaintText(HDC dc) {
    ResolveDefaultColors();
    if (text_.IsEmpty()) {
        linkCount_ = 0;
        return;
    }
    // The unscaled padding, as the link rectangles are taken from this drawing.
    RECT rc = itemRect_;
    rc.left += textPadding_.left;
    rc.right -= textPadding_.right;
    rc.top += textPadding_.top;
    rc.bottom -= textPadding_.bottom;
    const DWORD color = IsEnabled() ? textColor_ : disabledTextColor_;
    if (showHtml_) {
        linkCount_ = kMaxLinks;
        CRenderer::DrawHtmlText(dc, manager_, rc, text_, color, links_, linkTexts_, linkCount_,
                                font_, textStyle_);
    } else {
        linkCount_ = 0;
        CRenderer::DrawText(dc, manager_, rc, text_, color, font_, textStyle_);
    }
}

}  // namespace Ulmar
