// CMessageBox: the skinned window behind ShowMessageBox. It lives on the
// caller's stack for one modal run; its window never deletes it.
#pragma once

#include <windows.h>

#include "app/message_box.h"
#include "ui/builder/window_impl_base.h"

namespace Ulmar {
class CButtonUI;
class CControlUI;
class CLabelUI;
class CTextUI;
}  // namespace Ulmar

class CMessageBox : public Ulmar::WindowImplBase {
public:
    // The skin's size before the text is fitted, and the fitting's figures.
    static constexpr int kWidth = 380;
    static constexpr int kHeight = 168;
    static constexpr int kLineWidth = 288;   // width of the text area
    static constexpr int kLineHeight = 18;
    static constexpr int kChromeHeight = 132;  // everything but the text

    CMessageBox();
    ~CMessageBox() override;

    // Sets the buttons, icon, caption and text by MessageBox-style flags, then
    // fits the window's height to the text. Null texts keep what the skin has.
    void Fill(const wchar_t* caption, const wchar_t* text, UINT flags, const wchar_t* okText,
              const wchar_t* noText);
    // 6, 7 or 8 once a button was clicked; 8 when the box closed any other way.
    int GetResult() const { return result_; }

    void InitWindow() override;
    void Notify(Ulmar::TNotifyEvent& msg) override;
    // Folder of the installer's skin files inside the archive.
    virtual Ulmar::CUiString GetSkinFolder();

protected:
    const wchar_t* GetWindowClassName() const override;
    Ulmar::CUiString GetSkinFile() override;
    LRESULT ResponseDefaultKeyEvent(WPARAM key) override;
    Ulmar::CControlUI* GetEscapeControl() override;
    LRESULT HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

private:
    void SetIconImage(const wchar_t* image);
    void FitHeightToText();
    // Lines `text` (one-line width `width`) takes in the text area.
    int CountLines(HDC dc, const wchar_t* text, int width);

    // Borrowed from the control tree; null when the skin lacks the control.
    Ulmar::CLabelUI* caption_ = nullptr;
    Ulmar::CLabelUI* icon_ = nullptr;
    Ulmar::CTextUI* tips_ = nullptr;
    Ulmar::CControlUI* tips1_ = nullptr;  // looked up; the skin has none
    Ulmar::CButtonUI* ok_ = nullptr;
    Ulmar::CButtonUI* no_ = nullptr;
    Ulmar::CButtonUI* close_ = nullptr;
    int result_ = kMessageBoxClosed;
};
