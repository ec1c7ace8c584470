#include "app/main_window.h"

#include "app/ani_label.h"
#include "app/control_lookup.h"
#include "app/install_folder.h"
#include "app/install_flow.h"
#include "app/install_product.h"
#include "app/message_box.h"
#include "app/product.h"
#include "app/string_bundle.h"
#include "engine/pipeline/install_context.h"
#include "engine/registry/registry_records.h"
#include "engine/shortcuts/shortcuts.h"
#include "ui/controls/button.h"
#include "ui/controls/edit.h"
#include "ui/controls/label.h"
#include "ui/controls/option.h"
#include "ui/controls/progress.h"
#include "ui/controls/tab_layout.h"
#include "win/path.h"
#include "win/shell_launch.h"
#include "win/text.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <cwchar>
#include <memory>

using namespace Ulmar;

namespace {

constexpr int kWidth = 600;
constexpr int kHeight = 400;
constexpr int kHeightWithCustomArea = 450;

constexpr int kPageBefore = 0;
constexpr int kPageDone = 2;

constexpr wchar_t kPictureInstalling[] = L"file = 'install_img_02.png'";
constexpr wchar_t kPictureSucceeded[] = L"file = 'install_img_03.png'";
constexpr wchar_t kPictureFailed[] = L"file = 'install_img_04.png'";

// Notification types and control names compare without regard to case (A to Z).
bool Is(const CUiString& a, const wchar_t* b) { return ::lstrcmpiW(a, b) == 0; }


void Show(CControlUI* control, bool visible) {
    if (control) control->SetVisible(visible);
}
void Enable(CControlUI* control, bool enabled) {
    if (control) control->SetEnabled(enabled);
}
void SetText(CControlUI* control, const std::wstring& text) {
    if (control) control->SetText(text.c_str());
}

// The maker's pages: the product URL's scheme and host with a path of our own.
std::wstring MakerPage(const wchar_t* path) {
    const std::wstring& url = COMPANY_URL;
    const size_t scheme = url.find(L"://");
    const size_t slash = scheme == std::wstring::npos ? std::wstring::npos : url.find(L'/', scheme + 3);
    return url.substr(0, slash) + path;
}

// Through the desktop shell, so that the browser runs as the signed-in user and
// not with the installer's administrator token.
void OpenInBrowser(const std::wstring& url) { win::OpenAsDesktopUser(url, std::wstring(), std::wstring(), SW_SHOW); }

// The flow's boxes in the skinned message box, over `window` when the box is owned.
int ShowFlowBox(HWND window, const FlowBox& box) {
    const std::wstring caption = box.captionId ? GetString(box.captionId) : std::wstring();
    const std::wstring ok = box.okId ? GetString(box.okId) : std::wstring();
    const std::wstring no = box.noId ? GetString(box.noId) : std::wstring();
    return ShowMessageBox(box.ownedByWindow ? window : nullptr, caption.c_str(), box.text.c_str(), box.flags,
                          box.okId ? ok.c_str() : nullptr, box.noId ? no.c_str() : nullptr);
}

// Remembered folder of the browse dialog; reset before each browse.
wchar_t g_browseSelection[MAX_PATH] = {};

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM) {
    if (message == BFFM_INITIALIZED && g_browseSelection[0])
        ::SendMessageW(window, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(g_browseSelection));
    return 0;
}

}  // namespace

CWnd_Main::CWnd_Main() {
    g_pMainWnd = this;
    className_ = EXE_NAME + L"Installer";
}

const wchar_t* CWnd_Main::GetWindowClassName() const { return className_.c_str(); }

UINT CWnd_Main::GetClassStyle() const { return CS_DBLCLKS; }

void CWnd_Main::OnFinalMessage(HWND window) {
    WindowImplBase::OnFinalMessage(window);
    if (g_pMainWnd == this) g_pMainWnd = nullptr;
    delete this;
}

CUiString CWnd_Main::GetSkinFile() {
    CUiString file;
    file.Format(L"wnd_main_%s.xml", GetLanguage().c_str());
    return file;
}

void CWnd_Main::OnSkinLoadFailed(const CUiString& skinFile, const wchar_t* parserMessage) {
    if (!g_bSilent) {
        WindowImplBase::OnSkinLoadFailed(skinFile, parserMessage);  // the box, then exit 1
        return;
    }
    g_nExitCode = 1;  // the window base's code for a skin that cannot load
}

LRESULT CWnd_Main::ResponseDefaultKeyEvent(WPARAM) { return 0; }

// The close button: hidden while installing, so Esc then does nothing, as a click cannot.
CControlUI* CWnd_Main::GetEscapeControl() { return closeBtn_; }

CControlUI* CWnd_Main::CreateControl(const wchar_t* className) {
    if (className && std::wcscmp(className, L"AniLabel") == 0) return new (std::nothrow) CAniLabelUI;
    return nullptr;
}

void CWnd_Main::InitWindow() {
    g_pMainWnd = this;
    SetIcon(103);

    labBk_ = FindControlAs<CLabelUI>(pm_, L"labBk", L"Label");
    vLayoutBg_ = pm_.FindControl(L"vLayout_bg");
    labCaptionTitle_ = FindControlAs<CLabelUI>(pm_, L"lab_captionTitle", L"Label");
    closeBtn_ = FindControlAs<CButtonUI>(pm_, L"closebtn", L"Button");
    labInstallTip_ = FindControlAs<CLabelUI>(pm_, L"lab_install_tip", L"Label");
    labInstallCompleted_ = FindControlAs<CLabelUI>(pm_, L"lab_install_completed", L"Label");
    tabInstallView_ = FindControlAs<CTabLayoutUI>(pm_, L"tab_install_view", L"TabLayout");
    btnInstallStart_ = FindControlAs<CButtonUI>(pm_, L"btn_install_start", L"Button");
    checkUserProt_ = FindControlAs<COptionUI>(pm_, L"check_userprot", L"Option");
    btnUserProt_ = FindControlAs<CButtonUI>(pm_, L"btn_userprot", L"Button");
    btnUserCustom_ = FindControlAs<CButtonUI>(pm_, L"btn_usercustom", L"Button");
    optUserCustom_ = FindControlAs<COptionUI>(pm_, L"opt_usercustom", L"Option");
    horSeparator_ = pm_.FindControl(L"hor_separator");
    horUserDefine_ = pm_.FindControl(L"hor_userdefine");
    editInstallPath_ = FindControlAs<CEditUI>(pm_, L"edit_installpath", L"Edit");
    btnBrowsePath_ = FindControlAs<CButtonUI>(pm_, L"btn_browsepath", L"Button");
    labInstallPercent_ = FindControlAs<CLabelUI>(pm_, L"lab_install_percent", L"Label");
    proInstall_ = FindControlAs<CProgressUI>(pm_, L"pro_install", L"Progress");
    checkShortcut_ = FindControlAs<COptionUI>(pm_, L"check_shortcut", L"Option");
    btnOpenZelk_ = FindControlAs<CButtonUI>(pm_, L"btn_open_zelk", L"Button");

    Enable(btnOpenZelk_, false);
    Show(checkShortcut_, false);
    if (checkShortcut_) checkShortcut_->Selected(true);

    SetText(labCaptionTitle_, GetString(L"MESSAGEBOX_CAPITON"));
    SetText(labInstallTip_, GetString(L"INSTALLING_TEXT"));
    SetText(btnUserProt_, GetString(L"USER_AGREEMENT"));

    // Default folder: the earlier install's, else Program Files\<exe name>\. A
    // recorded value that is not a valid folder is shown as it is, so that the
    // install refuses it rather than quietly choosing another folder.
    const EarlierInstall earlierInstall = FindEarlierInstall(PRODUCT_KEY);
    const std::wstring& earlier = earlierInstall.folder.empty() ? earlierInstall.recorded : earlierInstall.folder;
    if (earlier.empty()) {
        if (PKG_BIT == L"64")
            ::ExpandEnvironmentStringsW(L"%ProgramW6432%", pathBuffer_, MAX_PATH);
        else
            ::SHGetSpecialFolderPathW(hwnd_, pathBuffer_, CSIDL_PROGRAM_FILES, FALSE);
        const std::wstring tail = L"\\" + EXE_NAME + L"\\";
        ::wcsncat(pathBuffer_, tail.c_str(), MAX_PATH - 1 - std::wcslen(pathBuffer_));
    } else {
        // A recorded folder too long for the buffer is cut; the checks then refuse
        // or normalise what the user sees.
        ::lstrcpynW(pathBuffer_, earlier.c_str(), MAX_PATH);
    }
    SetText(editInstallPath_, pathBuffer_);

    if (tabInstallView_) tabInstallView_->SelectItem(kPageBefore);
    if (checkUserProt_) checkUserProt_->Selected(false);

    RunFlowStep(RunStartupChecks);
}

FlowInput CWnd_Main::MakeFlowInput() const {
    FlowInput input;
    input.silent = g_bSilent;
    input.product = MakeInstallProduct();
    if (editInstallPath_) input.typedPath = editInstallPath_->GetText().GetData();
    input.window = InstallWindow{hwnd_, &g_bMainWndClosed};
    return input;
}

bool CWnd_Main::RunFlowStep(FlowStep step) {
    // A question's own message loop may let the user close this window, which
    // deletes this object: only the handle is held across it.
    const HWND self = hwnd_;
    const FlowOutcome outcome = step(MakeFlowInput(), [self](const FlowBox& box) { return ShowFlowBox(self, box); });
    if (!::IsWindow(self)) return false;
    Apply(outcome);
    return ::IsWindow(self) != FALSE;
}

void CWnd_Main::Apply(const FlowOutcome& outcome) {
    if (outcome.exitCode) g_nExitCode = *outcome.exitCode;
    if (outcome.reselectShortcut && checkShortcut_) checkShortcut_->Selected(true);
    if (outcome.workerFailed) installResult_ = -1;
    if (!outcome.openPage.empty()) OpenInBrowser(outcome.openPage);
    if (outcome.notice) {
        const HWND self = hwnd_;
        ShowFlowBox(self, *outcome.notice);
        if (!::IsWindow(self)) return;
    }
    switch (outcome.next) {
    case FlowOutcome::Next::kStay:
        break;
    case FlowOutcome::Next::kClose:
        Close(outcome.closeResult);
        break;
    case FlowOutcome::Next::kStartInstall:
        RunFlowStep(StartInstall);
        break;
    case FlowOutcome::Next::kShowProgress:
        installFolder_ = outcome.plan.installDir;
        installing_ = true;
        ShowProgressPage();
        break;
    }
}

void CWnd_Main::Notify(TNotifyEvent& msg) {
    CControlUI* sender = msg.sender;
    const CUiString name = sender ? sender->GetName() : CUiString();
    if (Is(msg.type, NotifyType::kClick)) {
        if (Is(name, L"closebtn")) {
            if (installing_) return;
            if (!tabInstallView_ || tabInstallView_->GetCurSel() != kPageDone) g_nExitCode = EXIT_USER_CLOSED;
            CloseAndQuit();
            return;
        }
        if (Is(name, L"btn_userprot")) {
            if (!g_bMainWndClosed.load() && g_pMainWnd) ::PostMessageW(g_pMainWnd->GetHWND(), WM_SHOW_AGREEMENT, 0, 0);
            return;
        }
        if (Is(name, L"btn_privacy")) {
            if (!g_bMainWndClosed.load() && g_pMainWnd) ::PostMessageW(g_pMainWnd->GetHWND(), WM_SHOW_PRIVACY, 0, 0);
            return;
        }
        if (Is(name, L"btn_install_start")) {
            if (!RunFlowStep(StartInstall)) return;  // closed meanwhile: this object is gone
        } else if (Is(name, L"btn_browsepath")) {
            BrowseForFolder();
        } else if (sender && sender == btnOpenZelk_) {
            Launch();
        } else if (sender && sender == btnUserCustom_ && optUserCustom_) {
            optUserCustom_->Selected(!optUserCustom_->IsSelected());
        }
    } else if (Is(msg.type, NotifyType::kSelectChanged)) {
        if (Is(name, L"check_userprot")) {
            Enable(btnInstallStart_, checkUserProt_ && checkUserProt_->IsSelected());
        } else if (Is(name, L"opt_usercustom")) {
            ToggleCustomArea();
        }
    }
    WindowImplBase::Notify(msg);
}

void CWnd_Main::ToggleCustomArea() {
    if (!horUserDefine_) return;
    const bool open = !horUserDefine_->IsVisible();
    Show(horUserDefine_, open);
    Show(horSeparator_, open);
    ResizeKeepingCorner(kWidth, open ? kHeightWithCustomArea : kHeight);
}

void CWnd_Main::ResizeKeepingCorner(int width, int height) {
    RECT client{};
    ::GetClientRect(hwnd_, &client);
    POINT corner{client.left, client.top};
    ::ClientToScreen(hwnd_, &corner);
    // Skin pixels, scaled as the skin is.
    ::MoveWindow(hwnd_, corner.x, corner.y, pm_.ScaleValue(width), pm_.ScaleValue(height), TRUE);
}

void CWnd_Main::BrowseForFolder() {
    g_browseSelection[0] = L'\0';
    BROWSEINFOW info{};
    info.hwndOwner = hwnd_;
    info.lpszTitle = L"";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    info.lpfn = BrowseCallback;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
    if (!chosen) return;
    wchar_t path[MAX_PATH] = {};
    const BOOL ok = ::SHGetPathFromIDListW(chosen, path);
    ::CoTaskMemFree(chosen);
    if (!ok || !path[0]) return;
    std::wstring folder = path;
    if (folder.back() != L'\\') folder += L'\\';
    ::lstrcpynW(g_browseSelection, folder.c_str(), MAX_PATH);
    SetText(editInstallPath_, g_browseSelection);
}

void CWnd_Main::ShowProgressPage() {
    if (tabInstallView_) tabInstallView_->SelectItem(1);
    Show(labInstallTip_, true);
    Show(labInstallCompleted_, false);
    if (labBk_) labBk_->SetBkImage(kPictureInstalling);
    ResizeKeepingCorner(kWidth, kHeight);
    Show(closeBtn_, false);
}

void CWnd_Main::OnInstallProgress(int percent) {
    if (proInstall_) proInstall_->SetValue(percent);
    SetText(labInstallPercent_, win::DecimalText(percent) + L"%");
}

void CWnd_Main::OnInstallFinished(LPARAM lParam) {
    std::unique_ptr<InstallContext> context(reinterpret_cast<InstallContext*>(lParam));
    installResult_ = context ? context->result : -1;

    Show(closeBtn_, true);
    Show(labInstallTip_, false);
    Enable(btnOpenZelk_, true);
    if (tabInstallView_) tabInstallView_->SelectItem(kPageDone);
    installing_ = false;

    if (installResult_ == 0) {
        if (labBk_) labBk_->SetBkImage(kPictureSucceeded);
        SetText(labInstallCompleted_, GetString(L"INSTALL_COMPLETE"));
        Show(labInstallCompleted_, true);
        Show(checkShortcut_, true);
        SetText(btnOpenZelk_, GetString(L"START_NOW"));
        g_nExitCode = EXIT_INSTALLED;
        if (g_bSilent) {
            CreateDesktopShortcutStep();
            CloseAndQuit();
        }
    } else {
        g_nExitCode = EXIT_INSTALL_FAILED;
        if (labBk_) labBk_->SetBkImage(kPictureFailed);
        SetText(labInstallCompleted_, GetString(L"MESSAGEBOX_INSTERROR_2_TEXT"));
        Show(labInstallCompleted_, true);
        SetText(btnOpenZelk_, GetString(L"OK"));
        if (checkShortcut_) checkShortcut_->Selected(false);
        Show(checkShortcut_, false);
        if (g_bSilent) CloseAndQuit();
    }
}

void CWnd_Main::CreateDesktopShortcutStep() {
    engine::DesktopShortcutState state;
    state.install_result = installResult_;
    state.finished_page_shown = tabInstallView_ && tabInstallView_->GetCurSel() == kPageDone;
    state.shortcut_option_selected = checkShortcut_ && checkShortcut_->IsSelected();
    state.install_folder = installFolder_;
    const engine::ShortcutNames names{CLIENT_NAME, EXE_NAME, UninstallLinkPrefix(GetStringBundle())};
    engine::CreateDesktopShortcut(state, names, GetString(L"DESKTOP_SHORTCUT_COMMENT"));
}

void CWnd_Main::Launch() {
    if (installResult_ == 0) {
        CreateDesktopShortcutStep();
        // As the signed-in user, in its own folder: never with the installer's token.
        const std::wstring exe = installFolder_ + MAIN_EXE_FILE_NAME;
        win::OpenAsDesktopUser(exe, std::wstring(), installFolder_, SW_SHOWNORMAL);
    }
    CloseAndQuit();
}

void CWnd_Main::CloseAndQuit() {
    Close(1);
    ::PostMessageW(hwnd_, WM_QUIT, 0, 0);
}

LRESULT CWnd_Main::OnClose(UINT, WPARAM, LPARAM, bool& handled) {
    if (installing_) {
        handled = true;
        return 0;
    }
    CreateDesktopShortcutStep();
    g_bMainWndClosed.store(1);
    ::PostQuitMessage(0);
    handled = false;
    return 0;
}

LRESULT CWnd_Main::OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if ((wParam & 0xFFF0) == SC_MAXIMIZE) {
        handled = true;
        return 0;
    }
    return WindowImplBase::OnSysCommand(message, wParam, lParam, handled);
}

LRESULT CWnd_Main::HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
    case WM_INSTALL_PROGRESS:
        OnInstallProgress(static_cast<int>(wParam));
        break;
    case WM_INSTALL_STATUS:
        delete reinterpret_cast<InstallStatusText*>(lParam);
        break;
    case WM_INSTALL_FINISHED:
        OnInstallFinished(lParam);
        break;
    case WM_SHOW_AGREEMENT:
        OpenInBrowser(MakerPage(L"/pages/torvane/agreement.html"));
        break;
    case WM_SHOW_PRIVACY:
        OpenInBrowser(MakerPage(L"/pages/torvane/privacy.html"));
        break;
    default:
        return WindowImplBase::HandleCustomMessage(message, wParam, lParam, handled);
    }
    handled = true;
    return 0;
}
