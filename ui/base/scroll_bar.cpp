#include "ui/base/scroll_bar.h"

#include <algorithm>

#include "ui/base/render.h"
#include "win/text.h"

namespace Ulmar {

CScrollBarUI::CScrollBarUI() { SetHorizontal(false); }

const wchar_t* CScrollBarUI::GetClassName() const { return L"ScrollBarUI"; }

void* CScrollBarUI::GetInterface(const wchar_t* name) {
    if (name && win::EqualsNoCase(name, L"ScrollBar")) return this;
    return CControlUI::GetInterface(name);
}

void CScrollBarUI::SetHorizontal(bool horizontal) {
    horizontal_ = horizontal;
    if (horizontal) {
        fixedSize_ = SIZE{0, kDefaultSize};
    } else {
        fixedSize_ = SIZE{kDefaultSize, 0};
    }
    NeedParentUpdate();
}

void CScrollBarUI::SetScrollRange(int range) {
    range_ = std::max(0, range);
    pos_ = std::min(pos_, range_);
    Invalidate();
}

void CScrollBarUI::SetScrollPos(int pos) {
    pos = std::max(0, std::min(pos, range_));
    if (pos == pos_) return;
    pos_ = pos;
    Invalidate();
}

int CScrollBarUI::GetLineSize() const { return ScaleMetric(lineSize_); }
void CScrollBarUI::SetLineSize(int size) {
    if (size >= 1) lineSize_ = size;
}

const AttributeRow<CScrollBarUI> CScrollBarUI::kAttributes[] = {
    {L"hor", [](CScrollBarUI& c, const wchar_t* v) { c.SetHorizontal(ParseBool(v)); }},
    {L"linesize", [](CScrollBarUI& c, const wchar_t* v) { c.SetLineSize(ParseInt(v)); }},
    {L"range", [](CScrollBarUI& c, const wchar_t* v) { c.SetScrollRange(ParseInt(v)); }},
    {L"value", [](CScrollBarUI& c, const wchar_t* v) { c.SetScrollPos(ParseInt(v)); }},
    {L"thumbcolor", [](CScrollBarUI& c, const wchar_t* v) { c.thumbColor_ = ParseColor(v); }},
};

void CScrollBarUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!ApplyAttributeRow(kAttributes, *this, name, value)) CControlUI::SetAttribute(name, value);
}

RECT CScrollBarUI::GetThumbRect() const {
    RECT rc = itemRect_;
    const int track = horizontal_ ? rc.right - rc.left : rc.bottom - rc.top;
    if (track <= 0) return RECT{rc.left, rc.top, rc.left, rc.top};
    // The thumb shows the visible share of (visible + range).
    const int minThumb = std::min(track, kDefaultSize);
    const int thumb = std::max(minThumb, static_cast<int>(static_cast<long long>(track) * track /
                                                          (static_cast<long long>(track) + range_)));
    const int travel = track - thumb;
    const int offset = range_ > 0 ? static_cast<int>(static_cast<long long>(travel) * pos_ / range_) : 0;
    if (horizontal_) {
        rc.left += offset;
        rc.right = rc.left + thumb;
    } else {
        rc.top += offset;
        rc.bottom = rc.top + thumb;
    }
    return rc;
}

bool CScrollBarUI::PaintLayers(HDC dc, const RECT& paintRect, CControlUI* stopControl) {
    CControlUI::PaintLayers(dc, paintRect, stopControl);
    RECT thumb = GetThumbRect();
    RECT visible;
    if (::IntersectRect(&visible, &thumb, &paintRect)) CRenderer::DrawColor(dc, visible, thumbColor_);
    return true;
}

}  // namespace Ulmar
