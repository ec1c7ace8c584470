#pragma once
// COptionUI: a button with a selected state, radio groups (optionally split by
// group type) and selected-state images; sends "selectchanged".
// CCheckBoxUI: an option with its own group rule and an optional
// check-on-press mode that sends "checkclick" instead of "click".
#include <windows.h>

#include "ui/controls/button.h"

namespace Ulmar {

class COptionUI : public CButtonUI {
public:
    COptionUI();
    ~COptionUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    bool Activate() override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    void PaintBackColor(HDC dc) override;
    void PaintStateImage(HDC dc) override;
    void PaintForeImage(HDC dc) override;
    void PaintText(HDC dc) override;

    virtual const CUiString& GetSelectedStateImage() const;
    virtual void SetSelectedStateImage(const wchar_t* image);
    virtual void Selected(bool selected, bool notify = true);

    bool IsSelected() const { return selected_; }
    const CUiString& GetGroup() const { return group_; }
    void SetGroup(const wchar_t* name);
    const CUiString& GetGroupType() const { return groupType_; }
    void SetGroupType(const wchar_t* type);
    const CUiString& GetSelectedImage() const { return selectedImage_; }
    void SetSelectedImage(const wchar_t* image) { selectedImage_ = image; Invalidate(); }
    void SetSelectedBkColor(DWORD color) { selectedBkColor_ = color; Invalidate(); }
    void SetSelectedTextColor(DWORD color) { selectedTextColor_ = color; Invalidate(); }

protected:
    long DefaultAccessibleRole() const override;
    void DescribeAccessible(TAccessibleInfo& info) const override;
    // Stores the new state and its bit.
    void StoreSelected(bool selected);

    bool selected_ = false;
    CUiString group_;
    CUiString groupType_;
    CUiString selectedImage_;
    CUiString selectedHotImage_;
    CUiString selectedPushedImage_;
    CUiString selectedForeImage_;
    CUiString selectedStateImage_;
    int selectedStateCount_ = 0;
    DWORD selectedBkColor_ = 0;
    DWORD selectedTextColor_ = 0;
    int selectedFont_ = -1;

private:
    static const AttributeRow<COptionUI> kAttributes[];  // its own rows; the rest go to the base
};

class CCheckBoxUI : public COptionUI {
public:
    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    void HandleEvent(TControlEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    void Selected(bool selected, bool notify = true) override;

    bool IsAutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool autoCheck) { autoCheck_ = autoCheck; }
    bool GetCheck() const { return IsSelected(); }
    void SetCheck(bool check) { Selected(check, true); }

private:
    bool autoCheck_ = false;

private:
    static const AttributeRow<CCheckBoxUI> kAttributes[];  // its own rows; the rest go to the base
};

}  // namespace Ulmar
