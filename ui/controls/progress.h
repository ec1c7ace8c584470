#pragma once
// CProgressUI: a value between min and max drawn as a partial fore colour or
// fore image, horizontally or vertically, optionally with a percentage text.
#include <windows.h>

#include "ui/controls/label.h"

namespace Ulmar {

class CProgressUI : public CLabelUI {
public:
    CProgressUI();

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void PaintForeColor(HDC dc) override;
    void PaintForeImage(HDC dc) override;

    virtual void UpdateText();

    bool IsHorizontal() const { return horizontal_; }
    void SetHorizontal(bool horizontal);
    int GetMinValue() const { return min_; }
    void SetMinValue(int value);
    int GetMaxValue() const { return max_; }
    void SetMaxValue(int value);
    int GetValue() const { return value_; }
    void SetValue(int value);
    bool IsStretchForeImage() const { return stretchFore_; }
    void SetStretchForeImage(bool stretch);
    bool IsShowText() const { return showText_; }
    void SetShowText(bool show);
    // The modify string of the last fore image paint.
    const CUiString& GetForeImageModify() const { return foreModify_; }

protected:
    long DefaultAccessibleRole() const override;
    void DescribeAccessible(TAccessibleInfo& info) const override;

private:
    // max <= min becomes min + 1; the value is clamped into [min, max].
    void Normalise();

    bool showText_ = false;
    bool horizontal_ = true;
    bool stretchFore_ = true;
    int max_ = 100;
    int min_ = 0;
    int value_ = 0;
    CUiString foreModify_;

private:
    static const AttributeRow<CProgressUI> kAttributes[];  // its own rows; the rest go to the base
};

}  // namespace Ulmar
