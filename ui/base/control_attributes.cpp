// CControlUI's attribute table and the attribute-list reader.
#include <cstdlib>
#include <cwchar>
#include <string>

#include "ui/base/attribute_table.h"
#include "ui/base/attribute_values.h"
#include "ui/base/control.h"
#include "ui/base/paint_manager.h"

namespace Ulmar {

namespace {

// Styles may name styles; a cycle must not recurse without end.
constexpr int kMaxStyleDepth = 16;
thread_local int g_styleDepth = 0;

}  // namespace

bool CControlUI::ParseBool(const wchar_t* value) { return attribute_value::ParseBool(value); }
int CControlUI::ParseInt(const wchar_t* value) { return attribute_value::ParseInt(value); }
DWORD CControlUI::ParseColor(const wchar_t* value, bool skipSpace) {
    return attribute_value::ParseColor(value, skipSpace);
}
RECT CControlUI::ParseRect(const wchar_t* value) { return attribute_value::ParseRect(value); }
SIZE CControlUI::ParseSize(const wchar_t* value) { return attribute_value::ParseSize(value); }

// "pos": x, y and size in one; a negative corner counts from the other one.
void CControlUI::SetPosAttribute(const wchar_t* value) {
    const RECT rc = ParseRect(value);
    SetFixedXY(SIZE{rc.left >= 0 ? rc.left : rc.right, rc.top >= 0 ? rc.top : rc.bottom});
    SetFixedWidth(std::abs(rc.right - rc.left));
    SetFixedHeight(std::abs(rc.bottom - rc.top));
}

// "float": a bool, or four fractions of the parent that float the control.
void CControlUI::SetFloatAttribute(const wchar_t* value) {
    if (!std::wcschr(value, L',')) {
        SetFloat(ParseBool(value));
        return;
    }
    double fractions[4];
    attribute_value::ParseFractions(value, fractions);
    TPercentInfo percent;
    percent.left = fractions[0];
    percent.top = fractions[1];
    percent.right = fractions[2];
    percent.bottom = fractions[3];
    SetFloatPercent(percent);
    SetFloat(true);
}

// "bordersize": one width for the whole border, or one per side.
void CControlUI::SetBorderSizeAttribute(const wchar_t* value) {
    if (std::wcschr(value, L',')) {
        SetBorderSize(ParseRect(value));
        return;
    }
    SetBorderSize(ParseInt(value));
    SetBorderSize(RECT{0, 0, 0, 0});
}

using ControlRow = AttributeRow<CControlUI>;
const ControlRow CControlUI::kAttributes[] = {
    {L"innerstyle", [](CControlUI& c, const wchar_t* v) { c.ApplyAttributeList(v); }},
    {L"pos", [](CControlUI& c, const wchar_t* v) { c.SetPosAttribute(v); }},
    {L"float", [](CControlUI& c, const wchar_t* v) { c.SetFloatAttribute(v); }},
    {L"floatalign",
     [](CControlUI& c, const wchar_t* v) { c.SetFloatAlign(attribute_value::ApplyAlignWords(c.floatAlign_, v)); }},
    {L"padding", [](CControlUI& c, const wchar_t* v) { c.SetPadding(ParseRect(v)); }},
    {L"gradient", [](CControlUI& c, const wchar_t* v) { c.SetGradient(v); }},
    {L"bkcolor", [](CControlUI& c, const wchar_t* v) { c.SetBkColor(ParseColor(v)); }},
    {L"bkcolor1", [](CControlUI& c, const wchar_t* v) { c.SetBkColor(ParseColor(v)); }},
    {L"bkcolor2", [](CControlUI& c, const wchar_t* v) { c.SetBkColor2(ParseColor(v)); }},
    {L"bkcolor3", [](CControlUI& c, const wchar_t* v) { c.SetBkColor3(ParseColor(v)); }},
    {L"forecolor", [](CControlUI& c, const wchar_t* v) { c.SetForeColor(ParseColor(v)); }},
    {L"bordercolor", [](CControlUI& c, const wchar_t* v) { c.SetBorderColor(ParseColor(v, false)); }},
    {L"focusbordercolor", [](CControlUI& c, const wchar_t* v) { c.SetFocusBorderColor(ParseColor(v, false)); }},
    {L"colorhsl", [](CControlUI& c, const wchar_t* v) { c.SetColorHSL(ParseBool(v)); }},
    {L"bordersize", [](CControlUI& c, const wchar_t* v) { c.SetBorderSizeAttribute(v); }},
    {L"leftbordersize", [](CControlUI& c, const wchar_t* v) { c.SetLeftBorderSize(ParseInt(v)); }},
    {L"topbordersize", [](CControlUI& c, const wchar_t* v) { c.SetTopBorderSize(ParseInt(v)); }},
    {L"rightbordersize", [](CControlUI& c, const wchar_t* v) { c.SetRightBorderSize(ParseInt(v)); }},
    {L"bottombordersize", [](CControlUI& c, const wchar_t* v) { c.SetBottomBorderSize(ParseInt(v)); }},
    {L"borderstyle", [](CControlUI& c, const wchar_t* v) { c.SetBorderStyle(ParseInt(v)); }},
    {L"borderround", [](CControlUI& c, const wchar_t* v) { c.SetBorderRound(ParseSize(v)); }},
    {L"bkimage", [](CControlUI& c, const wchar_t* v) { c.SetBkImage(v); }},
    {L"foreimage", [](CControlUI& c, const wchar_t* v) { c.SetForeImage(v); }},
    {L"width", [](CControlUI& c, const wchar_t* v) { c.SetFixedWidth(ParseInt(v)); }},
    {L"height", [](CControlUI& c, const wchar_t* v) { c.SetFixedHeight(ParseInt(v)); }},
    {L"minwidth", [](CControlUI& c, const wchar_t* v) { c.SetMinWidth(ParseInt(v)); }},
    {L"minheight", [](CControlUI& c, const wchar_t* v) { c.SetMinHeight(ParseInt(v)); }},
    {L"maxwidth", [](CControlUI& c, const wchar_t* v) { c.SetMaxWidth(ParseInt(v)); }},
    {L"maxheight", [](CControlUI& c, const wchar_t* v) { c.SetMaxHeight(ParseInt(v)); }},
    {L"name", [](CControlUI& c, const wchar_t* v) { c.SetName(v); }},
    {L"drag", [](CControlUI& c, const wchar_t* v) { c.SetDragEnable(ParseBool(v)); }},
    {L"drop", [](CControlUI& c, const wchar_t* v) { c.SetDropEnable(ParseBool(v)); }},
    {L"resourcetext", [](CControlUI& c, const wchar_t* v) { c.SetResourceText(ParseBool(v)); }},
    {L"richevent", [](CControlUI& c, const wchar_t* v) { c.SetRichEvent(ParseBool(v)); }},
    {L"text", [](CControlUI& c, const wchar_t* v) { c.SetText(v); }},
    {L"tooltip", [](CControlUI& c, const wchar_t* v) { c.SetToolTip(v); }},
    {L"accname", [](CControlUI& c, const wchar_t* v) { c.accName_ = v; }},
    {L"accrole", [](CControlUI& c, const wchar_t* v) { c.accRole_ = ParseAccessibleRole(v); }},
    {L"userdata", [](CControlUI& c, const wchar_t* v) { c.SetUserData(v); }},
    {L"enabled", [](CControlUI& c, const wchar_t* v) { c.SetEnabled(ParseBool(v)); }},
    {L"mouse", [](CControlUI& c, const wchar_t* v) { c.SetMouseEnabled(ParseBool(v)); }},
    {L"keyboard", [](CControlUI& c, const wchar_t* v) { c.SetKeyboardEnabled(ParseBool(v)); }},
    {L"visible", [](CControlUI& c, const wchar_t* v) { c.SetVisible(ParseBool(v)); }},
    {L"shortcut", [](CControlUI& c, const wchar_t* v) { c.SetShortcut(v[0]); }},
    {L"menu", [](CControlUI& c, const wchar_t* v) { c.SetContextMenuUsed(ParseBool(v)); }},
    {L"cursor",
     [](CControlUI& c, const wchar_t* v) {
         WORD cursor = 0;
         if (attribute_value::ParseCursor(v, cursor)) c.SetCursor(cursor);
     }},
    {L"virtualwnd", [](CControlUI& c, const wchar_t* v) { c.SetVirtualWnd(v); }},
};

void CControlUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !value) return;
    // A known style applies its list; an unknown one is kept as a custom attribute.
    if (win::EqualsNoCase(name, L"style")) {
        if (const wchar_t* style = manager_ ? manager_->GetStyle(value) : nullptr) {
            ApplyAttributeList(style);
            return;
        }
    }
    if (!ApplyAttributeRow(kAttributes, *this, name, value)) AddCustomAttribute(name, value);
}

void CControlUI::ApplyAttributeList(const wchar_t* list) {
    if (!list) return;
    if (g_styleDepth >= kMaxStyleDepth) return;
    struct DepthGuard {
        DepthGuard() { ++g_styleDepth; }
        ~DepthGuard() { --g_styleDepth; }
    } depth;

    if (manager_) {
        if (const wchar_t* style = manager_->GetStyle(list)) {
            ApplyAttributeList(style);
            return;
        }
    }

    std::wstring text(list);
    for (size_t pos = 0; (pos = text.find(L"&quot;", pos)) != std::wstring::npos; ++pos) {
        text.replace(pos, 6, 1, L'"');
    }
    for (wchar_t& ch : text) {
        if (ch == L'\r' || ch == L'\n' || ch == L'\t') ch = L' ';
    }

    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        while (i < n && text[i] == L' ') ++i;
        if (i >= n) return;
        const size_t eq = text.find(L'=', i);
        if (eq == std::wstring::npos) return;
        const std::wstring name = text.substr(i, eq - i);
        if (eq + 1 >= n || text[eq + 1] != L'"') return;
        const size_t valueStart = eq + 2;
        const size_t close = text.find(L'"', valueStart);
        if (close == std::wstring::npos) return;
        const std::wstring value = text.substr(valueStart, close - valueStart);
        SetAttribute(name.c_str(), value.c_str());
        i = close + 1;
        if (i >= n) return;
        if (text[i] != L' ' && text[i] != L',') return;
        ++i;
    }
}

}  // namespace Ulmar
