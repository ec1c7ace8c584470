#include "app/message_box.h"

#include <algorithm>

#include "app/control_lookup.h"
#include "app/message_box_window.h"
#include "app/string_bundle.h"
#include "ui/controls/button.h"
#include "ui/controls/label.h"
#include "ui/base/render.h"
#include "win/gdi.h"

using namespace Ulmar;

namespace {

// The four pictures of the icon strip, top to bottom.
constexpr wchar_t kIconError[] = L"file='messagebox_icon_22x22.png' source='0,0,22,22'";
constexpr wchar_t kIconQuestion[] = L"file='messagebox_icon_22x22.png' source='0,22,22,44'";
constexpr wchar_t kIconInfo[] = L"file='messagebox_icon_22x22.png' source='0,44,22,66'";
constexpr wchar_t kIconWarning[] = L"file='messagebox_icon_22x22.png' source='0,66,22,88'";

constexpr UINT kButtonsMask = 0xF;
constexpr UINT kOkOnly = 0x0;
constexpr UINT kOkNo = 0x4;
constexpr UINT kIconBitsError = 0x10;
constexpr UINT kIconBitsQuestion = 0x20;
constexpr UINT kIconBitsWarning = 0x30;
constexpr UINT kIconBitsInfo = 0x100;

constexpr DWORD kBoxStyle = 0x10CE0000;  // visible, caption, system menu, sizing frame, minimise box
constexpr int kCaptionlessShift = 10;    // how far the text moves down when there is no caption

}  // namespace

CMessageBox::CMessageBox() = default;
CMessageBox::~CMessageBox() {
    // A WM_QUIT ends the modal loop with the window still up; it must not
    // outlive the object its procedure calls.
    if (::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
}

const wchar_t* CMessageBox::GetWindowClassName() const { return L"messagebox"; }

CUiString CMessageBox::GetSkinFile() {
    CUiString file;
    file.Format(L"messagebox_%s.xml", GetLanguage().c_str());
    return file;
}

CUiString CMessageBox::GetSkinFolder() { return CUiString(L"skin_inst\\"); }

LRESULT CMessageBox::ResponseDefaultKeyEvent(WPARAM key) { return key == VK_RETURN ? 1 : 0; }

// The close button (disabled in a question that must be answered).
CControlUI* CMessageBox::GetEscapeControl() { return close_; }

LRESULT CMessageBox::HandleCustomMessage(UINT message, WPARAM, LPARAM, bool& handled) {
    // A double click on the caption must not maximise the box.
    handled = message == WM_NCLBUTTONDBLCLK;
    return 0;
}

void CMessageBox::InitWindow() {
    caption_ = FindControlAs<CLabelUI>(pm_, L"txt_caption", L"Label");
    icon_ = FindControlAs<CLabelUI>(pm_, L"txt_icon", L"Label");
    tips_ = FindControlAs<CTextUI>(pm_, L"txt_tips", L"Text");
    tips1_ = pm_.FindControl(L"txt_tips1");
    ok_ = FindControlAs<CButtonUI>(pm_, L"btn_ok", L"Button");
    no_ = FindControlAs<CButtonUI>(pm_, L"btn_no", L"Button");
    close_ = FindControlAs<CButtonUI>(pm_, L"btn_close", L"Button");
}

void CMessageBox::Notify(TNotifyEvent& msg) {
    if (msg.type == NotifyType::kClick && msg.sender) {
        const CUiString name = msg.sender->GetName();
        bool answered = true;
        if (name == L"btn_close") {
            result_ = kMessageBoxClosed;
        } else if (name == L"btn_ok") {
            result_ = kMessageBoxOk;
        } else if (name == L"btn_no") {
            result_ = kMessageBoxNo;
        } else {
            answered = false;
        }
        if (answered) Close(1);
        return;
    }
    WindowImplBase::Notify(msg);
}

void CMessageBox::SetIconImage(const wchar_t* image) {
    if (icon_) icon_->SetBkImage(image);
}

void CMessageBox::Fill(const wchar_t* caption, const wchar_t* text, UINT flags, const wchar_t* okText,
                       const wchar_t* noText) {
    switch (flags & kButtonsMask) {
    case kOkNo:
        if (close_) close_->SetEnabled(false);
        SetIconImage(kIconQuestion);
        if (okText && noText) {
            if (ok_) ok_->SetText(okText);
            if (no_) no_->SetText(noText);
        }
        break;
    case kOkOnly:
        if (ok_ && okText) ok_->SetText(okText);
        SetIconImage(kIconInfo);
        if (no_) no_->SetVisible(false);
        break;
    default:
        break;
    }

    switch (flags & ~kButtonsMask) {
    case kIconBitsInfo: SetIconImage(kIconInfo); break;
    case kIconBitsError: SetIconImage(kIconError); break;
    case kIconBitsQuestion: SetIconImage(kIconQuestion); break;
    case kIconBitsWarning: SetIconImage(kIconWarning); break;
    default: break;  // the buttons' icon stays
    }

    if (caption) {
        if (caption_) caption_->SetText(caption);
    } else {
        if (caption_) caption_->SetVisible(false);
        if (tips_) {
            RECT padding = tips_->GetPadding();
            padding.top += kCaptionlessShift;
            tips_->SetPadding(padding);
        }
    }

    if (tips_) tips_->SetText(text);
    FitHeightToText();
}

int CMessageBox::CountLines(HDC dc, const wchar_t* text, int width) {
    const int font = tips_->GetFont();
    const UINT style = tips_->GetTextStyle();
    const int lineWidth = pm_.ScaleValue(kLineWidth);
    int lines = (width + lineWidth - 1) / lineWidth;
    // The text is drawn inside its padding and broken at words, so it can wrap
    // sooner than every 288 pixels; the box grows to show every wrapped line.
    const RECT padding = tips_->GetTextPadding();
    RECT wrapped = {0, 0, lineWidth - padding.left - padding.right, 9999};
    CRenderer::DrawText(dc, &pm_, wrapped, text, 0, font,
                        (style & ~DT_SINGLELINE) | DT_WORDBREAK | DT_CALCRECT);
    RECT line = {0, 0, 9999, 9999};
    CRenderer::DrawText(dc, &pm_, line, text, 0, font, (style & ~DT_WORDBREAK) | DT_SINGLELINE | DT_CALCRECT);
    const int lineHeight = line.bottom - line.top;
    if (lineHeight > 0) {
        const int wrappedLines = (wrapped.bottom - wrapped.top + lineHeight / 2) / lineHeight;
        lines = std::max(lines, wrappedLines);
    }
    return lines;
}

void CMessageBox::FitHeightToText() {
    if (!tips_) return;
    const win::UniqueWindowDc dc = win::GetWindowDc(hwnd_);
    if (!dc) return;
    const CUiString text = tips_->GetText();
    const SIZE size =
        CRenderer::GetTextSize(dc.get().dc, &pm_, text, tips_->GetFont(), tips_->GetTextStyle());
    // A width of a pixel or two is no text worth a line.
    if (size.cx <= 2) return;
    const int lines = CountLines(dc.get().dc, text, size.cx);
    RECT client;
    ::GetClientRect(hwnd_, &client);
    POINT origin = {client.left, client.top};
    ::ClientToScreen(hwnd_, &origin);
    // Skin pixels, scaled as the skin is.
    ::MoveWindow(hwnd_, origin.x, origin.y, pm_.ScaleValue(kWidth), pm_.ScaleValue(kLineHeight * lines + kChromeHeight),
                 TRUE);
    tips_->SetFixedHeight(kLineHeight * lines);
}

int ShowMessageBox(HWND owner, const wchar_t* caption, const wchar_t* text, UINT flags, const wchar_t* okText,
                   const wchar_t* noText) {
    CMessageBox box;
    // Created hidden and shown by the modal loop once filled and centred: created
    // visible it would show for a moment at the screen's corner in its first size.
    if (!box.Create(owner, L"", kBoxStyle & ~WS_VISIBLE, 0, 0, 0, CMessageBox::kWidth, CMessageBox::kHeight)) {
        return kMessageBoxClosed;
    }
    box.Fill(caption, text, flags, okText, noText);
    box.CenterWindow();
    box.ShowModal();
    return box.GetResult();
}
