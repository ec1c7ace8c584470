#pragma once
// CEditUI: a one-line text input. It draws its text (or a hint, or password
// characters) itself; while it has the focus a native EDIT child window,
// CEditWnd, lies over its text area and does the editing, and is destroyed
// again when it loses the focus.
#include <windows.h>

#include "ui/base/window_wnd.h"
#include "ui/controls/label.h"
#include "win/gdi.h"

namespace Ulmar {

class CEditUI;

class CEditWnd : public CWindowWnd {
public:
    CEditWnd() = default;
    void Init(CEditUI* owner);
    // The owner's text area in the manager window, clipped by its ancestors.
    RECT CalPos() const;

protected:
    const wchar_t* GetWindowClassName() const override;
    const wchar_t* GetSuperClassName() const override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND window) override;

private:
    void OnEditChanged();

    CEditUI* owner_ = nullptr;  // borrowed; the owner outlives its edit window
    win::UniqueBrush brush_;
    bool initialised_ = false;
    bool caretVisible_ = false;
};

class CEditUI : public CLabelUI {
    friend class CEditWnd;

public:
    CEditUI();
    ~CEditUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    UINT GetControlFlags() const override;
    void HandleEvent(TControlEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void SetText(const wchar_t* text) override;
    void SetEnabled(bool enable = true) override;
    void SetVisible(bool visible = true) override;
    void SetInheritedVisible(bool visible = true) override;
    void SetPos(RECT rc, bool needInvalidate = true) override;
    void Move(SIZE offset, bool needInvalidate = true) override;
    SIZE EstimateSize(SIZE available) override;
    void PaintStateImage(HDC dc) override;
    void PaintText(HDC dc) override;

    void SetMaxChar(UINT max);
    UINT GetMaxChar() const { return maxChar_; }
    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return readOnly_; }
    void SetPasswordMode(bool password);
    bool IsPasswordMode() const { return password_; }
    void SetPasswordChar(wchar_t ch);
    wchar_t GetPasswordChar() const { return passwordChar_; }
    void SetNumberOnly(bool numberOnly);
    bool IsNumberOnly() const { return numberOnly_; }
    bool IsAutoSelAll() const { return autoSelAll_; }
    void SetTipValue(const wchar_t* tip) { tipValue_ = tip; Invalidate(); }
    const CUiString& GetTipValue() const { return tipValue_; }
    void SetTipValueColor(DWORD color) { tipValueColor_ = color; Invalidate(); }
    DWORD GetNativeEditBkColor() const { return nativeBkColor_; }
    void SetNativeEditBkColor(DWORD color) { nativeBkColor_ = color; }
    // The native edit window while editing, else null.
    HWND GetNativeWindow() const { return editWnd_ ? editWnd_->GetHWND() : nullptr; }

protected:
    long DefaultAccessibleRole() const override { return ROLE_SYSTEM_TEXT; }
    // The text is the value; the name comes from the skin, the tooltip or the hint.
    void DescribeAccessible(TAccessibleInfo& info) const override;

private:
    void CreateEditWindow();

    CEditWnd* editWnd_ = nullptr;  // owned while editing; it deletes itself when destroyed
    UINT maxChar_ = 255;
    bool readOnly_ = false;
    bool password_ = false;
    bool autoSelAll_ = false;
    wchar_t passwordChar_ = L'*';
    UINT buttonState_ = 0;
    CUiString normalImage_;
    CUiString hotImage_;
    CUiString focusedImage_;
    CUiString disabledImage_;
    CUiString tipValue_;
    DWORD tipValueColor_ = 0xFFBAC0C5;
    DWORD nativeBkColor_ = 0xFFFFFFFF;
    DWORD nativeTextColor_ = 0;
    bool numberOnly_ = false;

    static const AttributeRow<CEditUI> kAttributes[];  // its own rows; the rest go to the base
};

}  // namespace Ulmar
