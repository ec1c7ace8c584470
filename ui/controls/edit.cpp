// CEditUI and its native edit window CEditWnd.
#include "ui/controls/edit.h"

#include <new>
#include <string>

#include "ui/base/paint_manager.h"
#include "ui/base/render.h"
#include "ui/controls/button.h"
#include "win/text.h"

namespace Ulmar {

namespace {

bool IsMouseKind(int type) { return type >= UIEVENT__MOUSEBEGIN && type <= UIEVENT__MOUSEEND; }

// Reflected messages arrive at this offset (the manager reflects to child windows).
constexpr UINT kReflectBase = WM_USER + 0x1C00;
constexpr UINT_PTR kCaretTimer = 0x1999;

COLORREF ToColorRef(DWORD argb) {
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}

}  // namespace

// ---- CEditWnd ----

const wchar_t* CEditWnd::GetWindowClassName() const { return L"EditWnd"; }
const wchar_t* CEditWnd::GetSuperClassName() const { return L"Edit"; }

RECT CEditWnd::CalPos() const {
    RECT rc = owner_->GetPos();
    const RECT pad = owner_->GetTextPadding();
    rc.left += pad.left;
    rc.top += pad.top;
    rc.right -= pad.right;
    rc.bottom -= pad.bottom;
    if (CPaintManagerUI* manager = owner_->GetManager()) {
        const TFontInfo* font = manager->GetFontInfo(owner_->GetFont());
        const LONG height = font ? font->metrics.tmHeight : 0;
        if (height > 0 && height < rc.bottom - rc.top) {
            rc.top += (rc.bottom - rc.top - height) / 2;
            rc.bottom = rc.top + height;
        }
    }
    for (CControlUI* parent = owner_->GetParent(); parent; parent = parent->GetParent()) {
        RECT client = parent->GetClientPos();
        RECT clipped;
        if (!parent->IsVisible() || !::IntersectRect(&clipped, &rc, &client)) return RECT{0, 0, 0, 0};
        rc = clipped;
    }
    return rc;
}

void CEditWnd::Init(CEditUI* owner) {
    owner_ = owner;
    CPaintManagerUI* manager = owner->GetManager();
    RECT rc = CalPos();
    DWORD style = WS_CHILD | ES_AUTOHSCROLL;
    const bool layered = manager->IsLayered();
    if (layered) {
        style = WS_POPUP | WS_VISIBLE | ES_AUTOHSCROLL;
        POINT topLeft = {rc.left, rc.top};
        POINT bottomRight = {rc.right, rc.bottom};
        ::ClientToScreen(manager->GetPaintWindow(), &topLeft);
        ::ClientToScreen(manager->GetPaintWindow(), &bottomRight);
        rc = RECT{topLeft.x, topLeft.y - 1, bottomRight.x, bottomRight.y - 1};
    }
    const UINT textStyle = owner->GetTextStyle();
    if (textStyle & DT_CENTER) style |= ES_CENTER;
    else if (textStyle & DT_RIGHT) style |= ES_RIGHT;
    if (owner->IsPasswordMode()) style |= ES_PASSWORD;
    if (!Create(manager->GetPaintWindow(), nullptr, style, 0, rc)) return;
    if (layered) manager->AddNativeWindow(owner, hwnd_);

    HFONT font = manager->GetFont(owner->GetFont());
    if (!font) font = manager->GetDefaultFontInfoFont();
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessage(EM_LIMITTEXT, owner->GetMaxChar());
    if (owner->IsPasswordMode()) SendMessage(EM_SETPASSWORDCHAR, owner->GetPasswordChar());
    ::SetWindowTextW(hwnd_, owner->GetText());
    SendMessage(EM_SETMODIFY, FALSE);
    SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
    ::EnableWindow(hwnd_, owner->IsEnabled());
    SendMessage(EM_SETREADONLY, owner->IsReadOnly());
    if (owner->IsNumberOnly()) {
        ::SetWindowLongPtrW(hwnd_, GWL_STYLE, ::GetWindowLongPtrW(hwnd_, GWL_STYLE) | ES_NUMBER);
    }
    ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    ::SetFocus(hwnd_);
    const int length = ::GetWindowTextLengthW(hwnd_);
    if (owner->IsAutoSelAll()) {
        SendMessage(EM_SETSEL, 0, length > 0 ? length : 1);
    } else {
        SendMessage(EM_SETSEL, length, length);
    }
    initialised_ = true;
}

void CEditWnd::OnEditChanged() {
    if (!initialised_ || !owner_) return;
    const int length = ::GetWindowTextLengthW(hwnd_);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int read = ::GetWindowTextW(hwnd_, &text[0], length + 1);
    text.resize(read > 0 ? static_cast<size_t>(read) : 0);
    // The owner's own text only: SetText would write back into this window.
    owner_->text_ = text.c_str();
    CPaintManagerUI* manager = owner_->GetManager();
    if (!manager) return;
    manager->SendNotify(owner_, NotifyType::kTextChanged);
    if (manager->IsLayered()) owner_->Invalidate();
}

LRESULT CEditWnd::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
        case kReflectBase + WM_COMMAND:
            if (HIWORD(wParam) == EN_CHANGE) {
                OnEditChanged();
            } else if (HIWORD(wParam) == EN_UPDATE) {
                ::InvalidateRect(hwnd_, nullptr, FALSE);
            }
            return 0;
        case WM_KEYDOWN:
            if (owner_ && owner_->GetManager()) {
                CPaintManagerUI* manager = owner_->GetManager();
                if (wParam == VK_RETURN) {
                    manager->SendNotify(owner_, NotifyType::kReturn);
                } else if (wParam == VK_TAB && manager->IsLayered()) {
                    manager->SetNextTabControl();
                    return 0;
                }
            }
            break;
        case kReflectBase + WM_CTLCOLOREDIT:
        case kReflectBase + WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            ::SetBkMode(dc, TRANSPARENT);
            ::SetTextColor(dc, ToColorRef(owner_ ? owner_->GetTextColor() : 0));
            // A solid brush of the native back colour; a translucent one is drawn opaque.
            if (!brush_) brush_.reset(::CreateSolidBrush(ToColorRef(owner_ ? owner_->GetNativeEditBkColor() : 0xFFFFFFFF)));
            return reinterpret_cast<LRESULT>(brush_.get());
        }
        case WM_KILLFOCUS: {
            const LRESULT result = CWindowWnd::HandleMessage(message, wParam, lParam);
            PostMessage(WM_CLOSE);
            return result;
        }
        case WM_TIMER:
            if (wParam == kCaretTimer) {
                caretVisible_ = !caretVisible_;
                ::InvalidateRect(hwnd_, nullptr, FALSE);
                return 0;
            }
            break;
        default:
            break;
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    return CWindowWnd::HandleMessage(message, wParam, lParam);
}

void CEditWnd::OnFinalMessage(HWND window) {
    if (owner_) {
        owner_->Invalidate();
        CPaintManagerUI* manager = owner_->GetManager();
        if (manager && manager->IsLayered()) manager->RemoveNativeWindow(window);
        owner_->editWnd_ = nullptr;
    }
    delete this;
}

// ---- CEditUI ----

CEditUI::CEditUI() {
    textPadding_ = {4, 3, 4, 3};
    bkColor_ = 0xFFFFFFFF;
}

CEditUI::~CEditUI() {
    // Its final message clears editWnd_ and deletes it.
    if (editWnd_ && editWnd_->GetHWND()) ::DestroyWindow(editWnd_->GetHWND());
}

const wchar_t* CEditUI::GetClassName() const { return L"EditUI"; }

void* CEditUI::GetInterface(const wchar_t* name) {
    if (name && win::EqualsNoCase(name, L"Edit")) return this;
    return CLabelUI::GetInterface(name);
}

void CEditUI::DescribeAccessible(TAccessibleInfo& info) const {
    CLabelUI::DescribeAccessible(info);
    info.name = accName_;
    if (info.name.IsEmpty()) info.name = GetToolTip();
    if (info.name.IsEmpty()) info.name = tipValue_;
    info.value = GetText();
    if (password_) info.value = CUiString(std::wstring(info.value.GetLength(), passwordChar_));
    if (readOnly_) info.state |= STATE_SYSTEM_READONLY;
}

UINT CEditUI::GetControlFlags() const {
    return IsEnabled() ? UINT{UIFLAG_TABSTOP | UIFLAG_SETCURSOR} : 0u;
}

void CEditUI::CreateEditWindow() {
    editWnd_ = new (std::nothrow) CEditWnd();
    if (!editWnd_) return;
    editWnd_->Init(this);
    if (!editWnd_->GetHWND()) {
        delete editWnd_;
        editWnd_ = nullptr;
    }
}

void CEditUI::HandleEvent(TControlEvent& event) {
    if (!IsMouseEnabled() && IsMouseKind(event.type)) {
        if (parent_) parent_->HandleEvent(event);
        else CLabelUI::HandleEvent(event);
        return;
    }
    switch (event.type) {
    case UIEVENT_SETCURSOR:
        if (IsEnabled()) {
            ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32513)));
            return;
        }
        break;
    case UIEVENT_WINDOWSIZE:
        if (editWnd_ && manager_) manager_->SetFocus(nullptr);
        return;
    case UIEVENT_SCROLLWHEEL:
        if (editWnd_) return;
        break;
    case UIEVENT_SETFOCUS:
        if (IsEnabled()) {
            focused_ = true;
            if (!editWnd_) CreateEditWindow();
            Invalidate();
            return;
        }
        break;
    case UIEVENT_KILLFOCUS:
        if (IsEnabled()) {
            focused_ = false;
            Invalidate();
            return;
        }
        break;
    case UIEVENT_BUTTONDOWN:
    case UIEVENT_DBLCLICK:
    case UIEVENT_RBUTTONDOWN:
        if (IsEnabled()) {
            if (manager_) manager_->ReleaseCapture();
            if (IsFocused() && !editWnd_) {
                CreateEditWindow();
                if (editWnd_ && ::PtInRect(&itemRect_, event.mouse)) {
                    const int length = ::GetWindowTextLengthW(editWnd_->GetHWND());
                    ::SendMessageW(editWnd_->GetHWND(), EM_SETSEL, 0, length > 0 ? length : 1);
                }
            } else if (editWnd_ && !autoSelAll_) {
                HWND native = editWnd_->GetHWND();
                ::SendMessageW(native, EM_SETSEL, 0, 0);
                const RECT pad = GetTextPadding();
                const POINT pt = {event.mouse.x - itemRect_.left - pad.left, event.mouse.y - itemRect_.top - pad.top};
                ::SendMessageW(native, WM_LBUTTONDOWN, event.wParam, MAKELPARAM(pt.x, pt.y));
            }
            return;
        }
        break;
    case UIEVENT_MOUSEMOVE:
    case UIEVENT_BUTTONUP:
    case UIEVENT_CONTEXTMENU:
        return;
    case UIEVENT_MOUSEENTER:
        if (IsEnabled() && ::PtInRect(&itemRect_, event.mouse) && !(buttonState_ & UISTATE_HOT)) {
            buttonState_ |= UISTATE_HOT;
            Invalidate();
        }
        return;
    case UIEVENT_MOUSELEAVE:
        if (IsEnabled()) {
            buttonState_ &= ~UISTATE_HOT;
            Invalidate();
            return;
        }
        break;
    default:
        break;
    }
    CLabelUI::HandleEvent(event);
}

const AttributeRow<CEditUI> CEditUI::kAttributes[] = {
    {L"readonly", [](CEditUI& c, const wchar_t* v) { c.SetReadOnly(ParseBool(v)); }},
    {L"numberonly", [](CEditUI& c, const wchar_t* v) { c.SetNumberOnly(ParseBool(v)); }},
    {L"autoselall", [](CEditUI& c, const wchar_t* v) { c.autoSelAll_ = std::wcscmp(v, L"true") == 0; }},
    {L"password", [](CEditUI& c, const wchar_t* v) { c.SetPasswordMode(ParseBool(v)); }},
    {L"passwordchar", [](CEditUI& c, const wchar_t* v) { c.SetPasswordChar(v[0]); }},
    {L"maxchar", [](CEditUI& c, const wchar_t* v) { c.SetMaxChar(static_cast<UINT>(ParseInt(v))); }},
    {L"normalimage", [](CEditUI& c, const wchar_t* v) { c.normalImage_ = v; }},
    {L"hotimage", [](CEditUI& c, const wchar_t* v) { c.hotImage_ = v; }},
    {L"focusedimage", [](CEditUI& c, const wchar_t* v) { c.focusedImage_ = v; }},
    {L"disabledimage", [](CEditUI& c, const wchar_t* v) { c.disabledImage_ = v; }},
    {L"tipvalue", [](CEditUI& c, const wchar_t* v) { c.SetTipValue(v); }},
    {L"tipvaluecolor", [](CEditUI& c, const wchar_t* v) { c.SetTipValueColor(ParseColor(v)); }},
    {L"nativetextcolor", [](CEditUI& c, const wchar_t* v) { c.nativeTextColor_ = ParseColor(v); }},
    {L"nativebkcolor", [](CEditUI& c, const wchar_t* v) { c.SetNativeEditBkColor(ParseColor(v)); }},
};

void CEditUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!ApplyAttributeRow(kAttributes, *this, name, value)) CLabelUI::SetAttribute(name, value);
}

void CEditUI::SetMaxChar(UINT max) {
    maxChar_ = max;
    if (HWND native = GetNativeWindow()) ::SendMessageW(native, EM_LIMITTEXT, max, 0);
}

void CEditUI::SetReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    if (HWND native = GetNativeWindow()) ::SendMessageW(native, EM_SETREADONLY, readOnly, 0);
    Invalidate();
}

void CEditUI::SetPasswordMode(bool password) {
    password_ = password;
    if (HWND native = GetNativeWindow()) {
        const LONG_PTR style = ::GetWindowLongPtrW(native, GWL_STYLE);
        ::SetWindowLongPtrW(native, GWL_STYLE, password ? (style | ES_PASSWORD) : (style & ~ES_PASSWORD));
    }
    Invalidate();
}

void CEditUI::SetPasswordChar(wchar_t ch) {
    passwordChar_ = ch;
    if (HWND native = GetNativeWindow()) ::SendMessageW(native, EM_SETPASSWORDCHAR, ch, 0);
    Invalidate();
}

void CEditUI::SetNumberOnly(bool numberOnly) {
    numberOnly_ = numberOnly;
    if (HWND native = GetNativeWindow()) {
        const LONG_PTR style = ::GetWindowLongPtrW(native, GWL_STYLE);
        ::SetWindowLongPtrW(native, GWL_STYLE, numberOnly ? (style | ES_NUMBER) : (style & ~ES_NUMBER));
    }
}

void CEditUI::SetText(const wchar_t* text) {
    text_ = text;
    if (HWND native = GetNativeWindow()) ::SetWindowTextW(native, text_);
    Invalidate();
    NotifyAccessible(EVENT_OBJECT_VALUECHANGE);
}

void CEditUI::SetEnabled(bool enable) {
    CControlUI::SetEnabled(enable);
    if (!IsEnabled()) buttonState_ = 0;
}

void CEditUI::SetVisible(bool visible) {
    CControlUI::SetVisible(visible);
    if (!IsVisible() && editWnd_ && manager_) manager_->SetFocus(nullptr);
}

void CEditUI::SetInheritedVisible(bool visible) {
    // Only ends editing; the inherited flag itself is not stored here.
    if (!visible && editWnd_ && manager_) manager_->SetFocus(nullptr);
    (void)visible;
}

void CEditUI::SetPos(RECT rc, bool needInvalidate) {
    CControlUI::SetPos(rc, needInvalidate);
    if (editWnd_ && editWnd_->GetHWND()) {
        const RECT pos = editWnd_->CalPos();
        ::SetWindowPos(editWnd_->GetHWND(), nullptr, pos.left, pos.top, pos.right - pos.left,
                       pos.bottom - pos.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CEditUI::Move(SIZE offset, bool needInvalidate) {
    CControlUI::Move(offset, needInvalidate);
    if (editWnd_ && editWnd_->GetHWND()) {
        const RECT pos = editWnd_->CalPos();
        ::SetWindowPos(editWnd_->GetHWND(), nullptr, pos.left, pos.top, 0, 0,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
    }
}

SIZE CEditUI::EstimateSize(SIZE /*available*/) {
    if (fixedSize_.cy == 0 && manager_) {
        const TFontInfo* font = manager_->GetFontInfo(font_);
        return SIZE{GetFixedWidth(), (font ? font->metrics.tmHeight : 0) + 6};
    }
    return GetFixedSize();
}

void CEditUI::PaintStateImage(HDC dc) {
    if (IsFocused()) buttonState_ |= UISTATE_FOCUSED;
    else buttonState_ &= ~UISTATE_FOCUSED;
    if (!IsEnabled()) buttonState_ |= UISTATE_DISABLED;
    else buttonState_ &= ~UISTATE_DISABLED;
    const CUiString* chosen = nullptr;
    if (buttonState_ & UISTATE_DISABLED) chosen = &disabledImage_;
    else if (buttonState_ & UISTATE_FOCUSED) chosen = &focusedImage_;
    else if (buttonState_ & UISTATE_HOT) chosen = &hotImage_;
    if (chosen && !chosen->IsEmpty() && DrawImage(dc, *chosen)) return;
    if (!normalImage_.IsEmpty()) DrawImage(dc, normalImage_);
}

void CEditUI::PaintText(HDC dc) {
    ResolveDefaultColors();
    const bool showText = !text_.IsEmpty() && text_ != tipValue_;
    CUiString shown;
    DWORD color;
    if (showText) {
        shown = text_;
        if (password_) {
            for (int i = 0; i < shown.GetLength(); ++i) shown.SetAt(i, passwordChar_);
        }
        color = textColor_;
    } else {
        shown = tipValue_;
        color = tipValueColor_;
    }
    if (!IsEnabled()) color = disabledTextColor_;
    if (shown.IsEmpty()) return;
    RECT rc = TextRect();
    CRenderer::DrawText(dc, manager_, rc, shown, color, font_, textStyle_ | DT_SINGLELINE);
}

}  // namespace Ulmar
