#include "ui/controls/layouts.h"

namespace Ulmar {

namespace {
bool Is(const wchar_t* name, const wchar_t* expected) { return ::lstrcmpiW(name, expected) == 0; }
}  // namespace

const wchar_t* CVerticalLayoutUI::GetClassName() const { return L"VerticalLayoutUI"; }

void* CVerticalLayoutUI::GetInterface(const wchar_t* name) {
    if (name && Is(name, L"VerticalLayout")) return static_cast<CVerticalLayoutUI*>(this);
    return CContainerUI::GetInterface(name);
}

void CVerticalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (Is(name, L"sepheight")) SetSepHeight(ParseInt(value));
    else if (Is(name, L"sepimm")) SetSepImmMode(ParseBool(value));
    else CContainerUI::SetAttribute(name, value);
}

const wchar_t* CHorizontalLayoutUI::GetClassName() const { return L"HorizontalLayoutUI"; }

void* CHorizontalLayoutUI::GetInterface(const wchar_t* name) {
    if (name && Is(name, L"HorizontalLayout")) return static_cast<CHorizontalLayoutUI*>(this);
    return CContainerUI::GetInterface(name);
}

void CHorizontalLayoutUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (Is(name, L"sepwidth")) SetSepWidth(ParseInt(value));
    else if (Is(name, L"sepimm")) SetSepImmMode(ParseBool(value));
    else CContainerUI::SetAttribute(name, value);
}

}  // namespace Ulmar
