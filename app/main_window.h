// CWnd_Main: the installer's one top-level window. Three pages in one tab layout
// (before, during and after the install); follows the worker through the
// messages it posts.
#pragma once

#include "app/install_flow.h"
#include "ui/builder/window_impl_base.h"

#include <windows.h>

#include <string>

namespace Ulmar {
class CButtonUI;
class CControlUI;
class CEditUI;
class CLabelUI;
class COptionUI;
class CProgressUI;
class CTabLayoutUI;
class CTextUI;
}  // namespace Ulmar

// The window's own messages (the worker's are in engine/progress/install_messages.h).
constexpr UINT WM_SHOW_AGREEMENT = WM_USER + 103;
constexpr UINT WM_SHOW_PRIVACY = WM_USER + 107;

class CWnd_Main : public Ulmar::WindowImplBase {
public:
    CWnd_Main();

    void Notify(Ulmar::TNotifyEvent& msg) override;
    Ulmar::CControlUI* CreateControl(const wchar_t* className) override;

protected:
    const wchar_t* GetWindowClassName() const override;
    UINT GetClassStyle() const override;
    void OnFinalMessage(HWND window) override;
    void InitWindow() override;
    Ulmar::CUiString GetSkinFile() override;
    LRESULT ResponseDefaultKeyEvent(WPARAM key) override;
    Ulmar::CControlUI* GetEscapeControl() override;
    LRESULT OnClose(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    LRESULT OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    LRESULT HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    // Silent: no box; the creation fails and the process ends with 1.
    void OnSkinLoadFailed(const Ulmar::CUiString& skinFile, const wchar_t* parserMessage) override;

private:
    // What the flow works on: the silent switch, the product, the typed folder
    // and this window as the worker's receiver.
    FlowInput MakeFlowInput() const;
    // Runs a step of the flow with this window's boxes and applies its outcome;
    // false when the window is gone by then (and this object with it).
    bool RunFlowStep(FlowStep step);
    // Carries out what the start-up checks or the install's start decided.
    void Apply(const FlowOutcome& outcome);
    // Page 1: progress, the picture of the install, no close button, 600 × 400.
    void ShowProgressPage();
    void OnInstallProgress(int percent);
    void OnInstallFinished(LPARAM context);
    void ToggleCustomArea();
    void BrowseForFolder();
    void Launch();
    // Leaves the desktop shortcut when the install succeeded, the last page
    // shows and the option is ticked; harmless when run again.
    void CreateDesktopShortcutStep();
    // Resizes the window keeping its top-left corner where it is.
    void ResizeKeepingCorner(int width, int height);
    void CloseAndQuit();

    Ulmar::CLabelUI* labBk_ = nullptr;
    Ulmar::CControlUI* vLayoutBg_ = nullptr;
    Ulmar::CLabelUI* labCaptionTitle_ = nullptr;
    Ulmar::CButtonUI* closeBtn_ = nullptr;
    Ulmar::CLabelUI* labInstallTip_ = nullptr;
    Ulmar::CLabelUI* labInstallCompleted_ = nullptr;
    Ulmar::CTabLayoutUI* tabInstallView_ = nullptr;
    Ulmar::CButtonUI* btnInstallStart_ = nullptr;
    Ulmar::COptionUI* checkUserProt_ = nullptr;
    Ulmar::CButtonUI* btnUserProt_ = nullptr;
    Ulmar::CButtonUI* btnUserCustom_ = nullptr;
    Ulmar::COptionUI* optUserCustom_ = nullptr;
    Ulmar::CControlUI* horSeparator_ = nullptr;
    Ulmar::CControlUI* horUserDefine_ = nullptr;
    Ulmar::CEditUI* editInstallPath_ = nullptr;
    Ulmar::CButtonUI* btnBrowsePath_ = nullptr;
    Ulmar::CLabelUI* labInstallPercent_ = nullptr;
    Ulmar::CProgressUI* proInstall_ = nullptr;
    Ulmar::COptionUI* checkShortcut_ = nullptr;
    Ulmar::CButtonUI* btnOpenZelk_ = nullptr;

    std::wstring installFolder_;
    int32_t installResult_ = 0;
    bool installing_ = false;
    wchar_t pathBuffer_[MAX_PATH] = {};
    std::wstring className_;
};
