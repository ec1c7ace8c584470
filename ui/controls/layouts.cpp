#include "ui/controls/layouts.h"
#include "win/text.h"

namespace Ulmar {

const wchar_t* CVerticalLayoutUI::GetClassName() const { return L"VerticalLayoutUI"; }

void* CVerticalLayoutUI::GetInterface(const wchar_t* name) {
    if (name && win::EqualsNoCase(name, L"VerticalLayout")) return static_cast<CVerticalLayoutUI*>(this);
    return CContainerUI::GetInterface(name);
}

const AttributeRow<CVerticalLayoutUI> CVerticalLayoutUI::kAttributes[] = {
    {L"sepheight", [](CVerticalLayoutUI& c, const wchar_t* v) { c.SetSepHeight(ParseInt(v)); }},
    {L"sepimm", [](CVerticalLayoutUI& c, const wchar_t* v) { c.SetSepImmMode(ParseBool(v)); }},
};

void CVerticalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!ApplyAttributeRow(kAttributes, *this, name, value)) CBoxLayoutUI::SetAttribute(name, value);
}

const wchar_t* CHorizontalLayoutUI::GetClassName() const { return L"HorizontalLayoutUI"; }

void* CHorizontalLayoutUI::GetInterface(const wchar_t* name) {
    if (name && win::EqualsNoCase(name, L"HorizontalLayout")) return static_cast<CHorizontalLayoutUI*>(this);
    return CContainerUI::GetInterface(name);
}

const AttributeRow<CHorizontalLayoutUI> CHorizontalLayoutUI::kAttributes[] = {
    {L"sepwidth", [](CHorizontalLayoutUI& c, const wchar_t* v) { c.SetSepWidth(ParseInt(v)); }},
    {L"sepimm", [](CHorizontalLayoutUI& c, const wchar_t* v) { c.SetSepImmMode(ParseBool(v)); }},
};

void CHorizontalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!ApplyAttributeRow(kAttributes, *this, name, value)) CBoxLayoutUI::SetAttribute(name, value);
}

}  // namespace Ulmar
