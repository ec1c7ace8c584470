// CProgressUI.
#include "ui/controls/progress.h"

#include "ui/base/render.h"
#include "win/text.h"

namespace Ulmar {

CProgressUI::CProgressUI() {
    textStyle_ = DT_CENTER | DT_SINGLELINE;
    fixedSize_.cy = 12;
}

const wchar_t* CProgressUI::GetClassName() const { return L"ProgressUI"; }

void* CProgressUI::GetInterface(const wchar_t* name) {
    if (name && win::EqualsNoCase(name, L"Progress")) return this;
    return CLabelUI::GetInterface(name);
}

void CProgressUI::SetHorizontal(bool horizontal) {
    if (horizontal_ == horizontal) return;
    horizontal_ = horizontal;
    Invalidate();
}

void CProgressUI::SetMinValue(int value) {
    min_ = value;
    Invalidate();
}

void CProgressUI::SetMaxValue(int value) {
    max_ = value;
    Invalidate();
}

void CProgressUI::SetValue(int value) {
    if (value == value_ || value < min_ || value > max_) return;
    value_ = value;
    Invalidate();
    UpdateText();
    NotifyAccessible(EVENT_OBJECT_VALUECHANGE);
}

long CProgressUI::DefaultAccessibleRole() const { return ROLE_SYSTEM_PROGRESSBAR; }

// The percentage of the range, as a progress bar reads to a screen reader.
void CProgressUI::DescribeAccessible(TAccessibleInfo& info) const {
    CLabelUI::DescribeAccessible(info);
    const int range = max_ > min_ ? max_ - min_ : 1;
    info.value.Format(L"%d%%", (value_ - min_) * 100 / range);
    if (showText_ && accName_.IsEmpty()) info.name.Empty();  // its text is the value
}

void CProgressUI::SetStretchForeImage(bool stretch) {
    if (stretchFore_ == stretch) return;
    stretchFore_ = stretch;
    Invalidate();
}

void CProgressUI::SetShowText(bool show) {
    if (showText_ == show) return;
    showText_ = show;
    // Showing computes the text at once, so "showtext" may follow "value" in a skin.
    if (showText_) {
        UpdateText();
    } else {
        SetText(L"");
    }
}

void CProgressUI::UpdateText() {
    if (!showText_) return;
    // A range not yet corrected by a paint would divide by zero.
    const int range = max_ > min_ ? max_ - min_ : 1;
    CUiString text;
    text.Format(L"%.0f%%", (value_ - min_) * 100.0 / range);
    SetText(text);
}

const AttributeRow<CProgressUI> CProgressUI::kAttributes[] = {
    {L"hor", [](CProgressUI& c, const wchar_t* v) { c.SetHorizontal(ParseBool(v)); }},
    {L"min", [](CProgressUI& c, const wchar_t* v) { c.SetMinValue(ParseInt(v)); }},
    {L"max", [](CProgressUI& c, const wchar_t* v) { c.SetMaxValue(ParseInt(v)); }},
    {L"value", [](CProgressUI& c, const wchar_t* v) { c.SetValue(ParseInt(v)); }},
    {L"isstretchfore", [](CProgressUI& c, const wchar_t* v) { c.SetStretchForeImage(ParseBool(v)); }},
    {L"showtext", [](CProgressUI& c, const wchar_t* v) { c.SetShowText(ParseBool(v)); }},
};

void CProgressUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!ApplyAttributeRow(kAttributes, *this, name, value)) CLabelUI::SetAttribute(name, value);
}

void CProgressUI::Normalise() {
    if (max_ <= min_) max_ = min_ + 1;
    if (value_ > max_) value_ = max_;
    if (value_ < min_) value_ = min_;
}

void CProgressUI::PaintForeColor(HDC dc) {
    if (foreColor_ == 0) return;
    Normalise();
    RECT rc = itemRect_;
    const int range = max_ - min_;
    if (horizontal_) {
        rc.right = rc.left + (rc.right - rc.left) * (value_ - min_) / range;
    } else {
        rc.top = rc.top + (rc.bottom - rc.top) * (max_ - value_) / range;
    }
    CRenderer::DrawColor(dc, rc, GetAdjustColor(foreColor_));
}

void CProgressUI::PaintForeImage(HDC dc) {
    Normalise();
    if (foreImage_.IsEmpty()) return;
    const int width = itemRect_.right - itemRect_.left;
    const int height = itemRect_.bottom - itemRect_.top;
    const double range = max_ - min_;
    int w = width;
    int t = 0;
    if (horizontal_) {
        w = static_cast<int>(width * (value_ - min_) / range);
    } else {
        t = static_cast<int>((max_ - value_) * height / range);
    }
    if (stretchFore_) {
        foreModify_.Format(L"dest='%d,%d,%d,%d'", 0, t, w, height);
    } else {
        foreModify_.Format(L"dest='%d,%d,%d,%d' source='%d,%d,%d,%d'", 0, t, w, height, 0, t, w,
                           height);
    }
    // An empty part draws nothing (a zero-width dest would be read as "whole item").
    if (w <= 0 || t >= height) return;
    DrawImage(dc, foreImage_, foreModify_);
}

}  // namespace Ulmar
