// CControlUI's attribute table and the attribute-list reader.
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <string>

#include "ui/base/control.h"
#include "ui/base/paint_manager.h"

namespace Ulmar {

namespace {

bool Is(const wchar_t* name, const wchar_t* expected) { return ::lstrcmpiW(name, expected) == 0; }

// Reads one integer and steps over exactly one separator after it (not over the end).
long ReadListInt(const wchar_t*& p) {
    wchar_t* end = nullptr;
    const long value = std::wcstol(p, &end, 10);
    p = *end ? end + 1 : end;
    return value;
}

double ReadListDouble(const wchar_t*& p) {
    wchar_t* end = nullptr;
    const double value = std::wcstod(p, &end);
    p = *end ? end + 1 : end;
    return value;
}

struct CursorWord {
    const wchar_t* word;
    WORD id;
};
constexpr CursorWord kCursors[] = {
    {L"arrow", 32512},    {L"ibeam", 32513},    {L"wait", 32514},     {L"cross", 32515},
    {L"uparrow", 32516},  {L"size", 32640},     {L"icon", 32641},     {L"sizenwse", 32642},
    {L"sizenesw", 32643}, {L"sizewe", 32644},   {L"sizens", 32645},   {L"sizeall", 32646},
    {L"no", 32648},       {L"hand", 32649},
};

UINT ApplyFloatAlignWords(UINT flags, const wchar_t* value) {
    std::wstring word;
    auto apply = [&flags](const std::wstring& w) {
        if (w.empty()) return;
        const wchar_t* s = w.c_str();
        if (Is(s, L"null")) {
            flags = 0;
        } else if (Is(s, L"left")) {
            flags &= ~(UIFLOAT_HCENTER | UIFLOAT_RIGHT);
        } else if (Is(s, L"center")) {
            flags = (flags | UIFLOAT_HCENTER) & ~UIFLOAT_RIGHT;
        } else if (Is(s, L"right")) {
            flags = (flags | UIFLOAT_RIGHT) & ~UIFLOAT_HCENTER;
        } else if (Is(s, L"top")) {
            flags &= ~(UIFLOAT_VCENTER | UIFLOAT_BOTTOM);
        } else if (Is(s, L"vcenter")) {
            flags = (flags | UIFLOAT_VCENTER) & ~UIFLOAT_BOTTOM;
        } else if (Is(s, L"bottom")) {
            flags = (flags | UIFLOAT_BOTTOM) & ~UIFLOAT_VCENTER;
        }
    };
    for (const wchar_t* p = value; *p; ++p) {
        if (*p == L',' || *p == L' ') {
            apply(word);
            word.clear();
        } else {
            word += *p;
        }
    }
    apply(word);
    return flags;
}

// Styles may name styles; a cycle must not recurse without end.
constexpr int kMaxStyleDepth = 16;
thread_local int g_styleDepth = 0;

}  // namespace

bool CControlUI::ParseBool(const wchar_t* value) { return value && Is(value, L"true"); }

int CControlUI::ParseInt(const wchar_t* value) {
    if (!value) return 0;
    return static_cast<int>(std::wcstol(value, nullptr, 10));
}

DWORD CControlUI::ParseColor(const wchar_t* value, bool skipSpace) {
    if (!value) return 0;
    if (skipSpace) {
        while (*value && *value <= 0x20) ++value;
    }
    if (*value == L'#') ++value;
    return static_cast<DWORD>(std::wcstoul(value, nullptr, 16));
}

RECT CControlUI::ParseRect(const wchar_t* value) {
    RECT rc = {0, 0, 0, 0};
    if (!value) return rc;
    const wchar_t* p = value;
    rc.left = ReadListInt(p);
    rc.top = ReadListInt(p);
    rc.right = ReadListInt(p);
    rc.bottom = ReadListInt(p);
    return rc;
}

SIZE CControlUI::ParseSize(const wchar_t* value) {
    SIZE size = {0, 0};
    if (!value) return size;
    const wchar_t* p = value;
    size.cx = ReadListInt(p);
    size.cy = ReadListInt(p);
    return size;
}

void CControlUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !value) return;
    if (Is(name, L"style")) {
        const wchar_t* style = manager_ ? manager_->GetStyle(value) : nullptr;
        if (style) {
            ApplyAttributeList(style);
            return;
        }
        // an unknown style falls through and is kept as a custom attribute
    }
    if (Is(name, L"innerstyle")) {
        ApplyAttributeList(value);
    } else if (Is(name, L"pos")) {
        const RECT rc = ParseRect(value);
        SetFixedXY(SIZE{rc.left >= 0 ? rc.left : rc.right, rc.top >= 0 ? rc.top : rc.bottom});
        SetFixedWidth(std::abs(rc.right - rc.left));
        SetFixedHeight(std::abs(rc.bottom - rc.top));
    } else if (Is(name, L"float")) {
        if (!std::wcschr(value, L',')) {
            SetFloat(ParseBool(value));
        } else {
            const wchar_t* p = value;
            TPercentInfo percent;
            percent.left = ReadListDouble(p);
            percent.top = ReadListDouble(p);
            percent.right = ReadListDouble(p);
            percent.bottom = ReadListDouble(p);
            SetFloatPercent(percent);
            SetFloat(true);
        }
    } else if (Is(name, L"floatalign")) {
        SetFloatAlign(ApplyFloatAlignWords(floatAlign_, value));
    } else if (Is(name, L"padding")) {
        SetPadding(ParseRect(value));
    } else if (Is(name, L"gradient")) {
        SetGradient(value);
    } else if (Is(name, L"bkcolor") || Is(name, L"bkcolor1")) {
        SetBkColor(ParseColor(value));
    } else if (Is(name, L"bkcolor2")) {
        SetBkColor2(ParseColor(value));
    } else if (Is(name, L"bkcolor3")) {
        SetBkColor3(ParseColor(value));
    } else if (Is(name, L"forecolor")) {
        SetForeColor(ParseColor(value));
    } else if (Is(name, L"bordercolor")) {
        SetBorderColor(ParseColor(value, false));
    } else if (Is(name, L"focusbordercolor")) {
        SetFocusBorderColor(ParseColor(value, false));
    } else if (Is(name, L"colorhsl")) {
        SetColorHSL(ParseBool(value));
    } else if (Is(name, L"bordersize")) {
        if (!std::wcschr(value, L',')) {
            SetBorderSize(ParseInt(value));
            SetBorderSize(RECT{0, 0, 0, 0});
        } else {
            SetBorderSize(ParseRect(value));
        }
    } else if (Is(name, L"leftbordersize")) {
        SetLeftBorderSize(ParseInt(value));
    } else if (Is(name, L"topbordersize")) {
        SetTopBorderSize(ParseInt(value));
    } else if (Is(name, L"rightbordersize")) {
        SetRightBorderSize(ParseInt(value));
    } else if (Is(name, L"bottombordersize")) {
        SetBottomBorderSize(ParseInt(value));
    } else if (Is(name, L"borderstyle")) {
        SetBorderStyle(ParseInt(value));
    } else if (Is(name, L"borderround")) {
        SetBorderRound(ParseSize(value));
    } else if (Is(name, L"bkimage")) {
        SetBkImage(value);
    } else if (Is(name, L"foreimage")) {
        SetForeImage(value);
    } else if (Is(name, L"width")) {
        SetFixedWidth(ParseInt(value));
    } else if (Is(name, L"height")) {
        SetFixedHeight(ParseInt(value));
    } else if (Is(name, L"minwidth")) {
        SetMinWidth(ParseInt(value));
    } else if (Is(name, L"minheight")) {
        SetMinHeight(ParseInt(value));
    } else if (Is(name, L"maxwidth")) {
        SetMaxWidth(ParseInt(value));
    } else if (Is(name, L"maxheight")) {
        SetMaxHeight(ParseInt(value));
    } else if (Is(name, L"name")) {
        SetName(value);
    } else if (Is(name, L"drag")) {
        SetDragEnable(ParseBool(value));
    } else if (Is(name, L"drop")) {
        SetDropEnable(ParseBool(value));
    } else if (Is(name, L"resourcetext")) {
        SetResourceText(ParseBool(value));
    } else if (Is(name, L"richevent")) {
        SetRichEvent(ParseBool(value));
    } else if (Is(name, L"text")) {
        SetText(value);
    } else if (Is(name, L"tooltip")) {
        SetToolTip(value);
    } else if (Is(name, L"userdata")) {
        SetUserData(value);
    } else if (Is(name, L"enabled")) {
        SetEnabled(ParseBool(value));
    } else if (Is(name, L"mouse")) {
        SetMouseEnabled(ParseBool(value));
    } else if (Is(name, L"keyboard")) {
        SetKeyboardEnabled(ParseBool(value));
    } else if (Is(name, L"visible")) {
        SetVisible(ParseBool(value));
    } else if (Is(name, L"shortcut")) {
        SetShortcut(value[0]);
    } else if (Is(name, L"menu")) {
        SetContextMenuUsed(ParseBool(value));
    } else if (Is(name, L"cursor")) {
        for (const CursorWord& c : kCursors) {
            if (Is(value, c.word)) {
                SetCursor(c.id);
                break;
            }
        }
    } else if (Is(name, L"virtualwnd")) {
        SetVirtualWnd(value);
    } else {
        AddCustomAttribute(name, value);
    }
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
