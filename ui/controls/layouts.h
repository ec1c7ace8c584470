#pragma once
// CVerticalLayoutUI and CHorizontalLayoutUI: the box layout along each axis,
// with the name of its separator attribute.
#include "ui/controls/box_layout.h"

namespace Ulmar {

class CVerticalLayoutUI : public CBoxLayoutUI {
public:
    CVerticalLayoutUI() : CBoxLayoutUI(kColumn) {}
    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    int GetSepHeight() const { return GetSeparatorThickness(); }  // scaled
    void SetSepHeight(int height) { SetSeparatorThickness(height); }

private:
    static const AttributeRow<CVerticalLayoutUI> kAttributes[];  // its own rows; the rest go to the base
};

class CHorizontalLayoutUI : public CBoxLayoutUI {
public:
    CHorizontalLayoutUI() : CBoxLayoutUI(kRow) {}
    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    int GetSepWidth() const { return GetSeparatorThickness(); }  // scaled
    void SetSepWidth(int width) { SetSeparatorThickness(width); }

private:
    static const AttributeRow<CHorizontalLayoutUI> kAttributes[];  // its own rows; the rest go to the base
};

}  // namespace Ulmar
