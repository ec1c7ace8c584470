#pragma once
// CLabelUI: static text with alignment, colours, font, padding and optional
// automatic sizing. CTextUI: a label whose inline-tag text may carry up to
// eight clickable links ("link" notification).
#include <windows.h>

#include "ui/base/control.h"

namespace Ulmar {

class CLabelUI : public CControlUI {
public:
    CLabelUI();

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;

    void SetText(const wchar_t* text) override;
    void HandleEvent(TControlEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    SIZE EstimateSize(SIZE available) override;
    void PaintText(HDC dc) override;

    virtual bool GetAutoCalcWidth() const;
    virtual void SetAutoCalcWidth(bool autoCalc);
    virtual bool GetAutoCalcHeight() const;
    virtual void SetAutoCalcHeight(bool autoCalc);

    UINT GetTextStyle() const { return textStyle_; }
    void SetTextStyle(UINT style);
    DWORD GetTextColor() const { return textColor_; }
    void SetTextColor(DWORD color);
    DWORD GetDisabledTextColor() const { return disabledTextColor_; }
    void SetDisabledTextColor(DWORD color);
    int GetFont() const { return font_; }
    void SetFont(int font);
    RECT GetTextPadding() const;  // scaled
    void SetTextPadding(RECT padding);
    bool IsShowHtml() const { return showHtml_; }
    void SetShowHtml(bool show);

protected:
    long DefaultAccessibleRole() const override;
    // Replaces unset text colours by the manager's defaults (and keeps them).
    void ResolveDefaultColors();
    // The item rectangle minus the scaled text padding.
    RECT TextRect() const;
    // Measures the text with DT_CALCRECT in `rc` (its right/bottom grow or shrink).
    void MeasureText(RECT& rc, UINT style);

    DWORD textColor_ = 0;
    DWORD disabledTextColor_ = 0;
    int font_ = -1;
    UINT textStyle_ = DT_VCENTER | DT_SINGLELINE;
    RECT textPadding_ = {0, 0, 0, 0};
    bool showHtml_ = false;
    bool autoCalcWidth_ = false;
    bool autoCalcHeight_ = false;
    SIZE lastAvailable_ = {0, 0};
    SIZE lastEstimate_ = {0, 0};
    bool needEstimate_ = false;

private:
    // The attribute forms that change several text style flags at once.
    void SetAlignWords(const wchar_t* value);
    void SetVAlignWords(const wchar_t* value);
    void SetWordBreak(bool wordBreak);
    void SetStyleFlag(UINT flag, bool on) { textStyle_ = on ? (textStyle_ | flag) : (textStyle_ & ~flag); }

    static const AttributeRow<CLabelUI> kAttributes[];  // its own rows; the rest go to the base
};

class CTextUI : public CLabelUI {
public:
    static constexpr int kMaxLinks = 8;

    CTextUI();

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;

    // The link text of index `i` (empty outside 0..link count - 1).
    CUiString* GetLinkContent(int index);
    int GetLinkCount() const { return linkCount_; }
    const RECT& GetLinkRect(int index) const { return links_[index]; }
    int GetHoverLink() const { return hoverLink_; }

    void HandleEvent(TControlEvent& event) override;
    SIZE EstimateSize(SIZE available) override;
    void PaintText(HDC dc) override;

private:
    int LinkAt(POINT pt) const;  // -1 when none

    int linkCount_ = 0;
    RECT links_[kMaxLinks] = {};
    CUiString linkTexts_[kMaxLinks];
    int hoverLink_ = -1;
};

}  // namespace Ulmar
