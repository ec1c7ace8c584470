#pragma once
// CButtonUI: a label with a focused/hot/pushed/disabled state machine, state
// images (set one by one or cut from one strip image), state colours and
// fonts, and an optional bound tab layout. Sends "click".
#include <windows.h>

#include "ui/controls/label.h"

namespace Ulmar {

// Button state bits.
enum : UINT {
    UISTATE_FOCUSED = 0x01,
    UISTATE_SELECTED = 0x02,
    UISTATE_DISABLED = 0x04,
    UISTATE_HOT = 0x08,
    UISTATE_PUSHED = 0x10,
    UISTATE_CAPTURED = 0x40,
};

class CButtonUI : public CLabelUI {
public:
    CButtonUI();

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    bool Activate() override;
    void SetEnabled(bool enable = true) override;
    void HandleEvent(TControlEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    void PaintBackColor(HDC dc) override;
    void PaintStateImage(HDC dc) override;
    void PaintForeImage(HDC dc) override;
    void PaintText(HDC dc) override;
    void PaintBorder(HDC dc) override;
    long DefaultAccessibleRole() const override { return ROLE_SYSTEM_PUSHBUTTON; }

    virtual const CUiString& GetNormalImage() const;
    virtual void SetNormalImage(const wchar_t* image);
    virtual const CUiString& GetHotImage() const;
    virtual void SetHotImage(const wchar_t* image);
    virtual const CUiString& GetPushedImage() const;
    virtual void SetPushedImage(const wchar_t* image);
    virtual const CUiString& GetFocusedImage() const;
    virtual void SetFocusedImage(const wchar_t* image);
    virtual const CUiString& GetDisabledImage() const;
    virtual void SetDisabledImage(const wchar_t* image);
    virtual const CUiString& GetHotForeImage() const;
    virtual void SetHotForeImage(const wchar_t* image);
    virtual const CUiString& GetPushedForeImage() const;
    virtual void SetPushedForeImage(const wchar_t* image);
    virtual const CUiString& GetStateImage() const;
    virtual void SetStateImage(const wchar_t* image);

    UINT GetButtonState() const { return buttonState_; }
    int GetStateCount() const { return stateCount_; }
    void SetStateCount(int count);
    void BindTabIndex(int index);
    void BindTabLayoutName(const wchar_t* name);
    int GetBindTabLayoutIndex() const { return bindTabIndex_; }
    const CUiString& GetBindTabLayoutName() const { return bindTabLayoutName_; }

    void SetHotBkColor(DWORD color) { hotBkColor_ = color; Invalidate(); }
    void SetPushedBkColor(DWORD color) { pushedBkColor_ = color; Invalidate(); }
    void SetDisabledBkColor(DWORD color) { disabledBkColor_ = color; Invalidate(); }
    void SetHotTextColor(DWORD color) { hotTextColor_ = color; Invalidate(); }
    void SetPushedTextColor(DWORD color) { pushedTextColor_ = color; Invalidate(); }
    void SetFocusedTextColor(DWORD color) { focusedTextColor_ = color; Invalidate(); }

protected:
    // Refreshes the focused and disabled bits from the control's flags.
    void RefreshStateBits();
    // Rewrites the given images as strips of `stateImage` (once, while `first` is
    // empty). `extra` is appended to every generated string. Returns false when
    // the strip image cannot be loaded.
    bool CutStrips(const CUiString& stateImage, int count, CUiString* const images[4],
                   const int strips[4], const wchar_t* extra);

    UINT buttonState_ = 0;
    CUiString normalImage_;
    CUiString hotImage_;
    CUiString pushedImage_;
    CUiString focusedImage_;
    CUiString disabledImage_;
    CUiString hotForeImage_;
    CUiString pushedForeImage_;
    CUiString stateImage_;
    int stateCount_ = 0;
    DWORD hotBkColor_ = 0;
    DWORD pushedBkColor_ = 0;
    DWORD disabledBkColor_ = 0;
    DWORD hotTextColor_ = 0;
    DWORD pushedTextColor_ = 0;
    DWORD focusedTextColor_ = 0;
    DWORD hotBorderColor_ = 0;
    DWORD pushedBorderColor_ = 0;
    DWORD disabledBorderColor_ = 0;
    int hotFont_ = -1;
    int pushedFont_ = -1;
    int focusedFont_ = -1;
    CUiString bindTabLayoutName_;
    int bindTabIndex_ = -1;

private:
    static const AttributeRow<CButtonUI> kAttributes[];  // its own rows; the rest go to the base
};

}  // namespace Ulmar
