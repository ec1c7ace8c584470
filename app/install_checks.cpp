#include "app/install_checks.h"

#include "app/checks.h"
#include "app/install_folder.h"
#include "app/install_product.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/product.h"
#include "app/string_bundle.h"
#include "engine/pipeline/install_context.h"
#include "engine/registry/registry_records.h"
#include "engine/services/processes.h"
#include "win/path.h"
#include "win/shell_launch.h"
#include "win/text.h"
#include "win/unique_handle.h"
#include "win/windows_version.h"

#include <process.h>
#include <shellapi.h>

#include <memory>

namespace {

// Kept (not closed at start) so that the entry can let the worker finish its
// report before the process ends.
win::UniqueKernelHandle g_worker;

// Asks with the skinned box; texts are string bundle ids, empty ids pass none.
int Ask(HWND owner, const wchar_t* captionId, const std::wstring& text, UINT flags, const wchar_t* okId,
        const wchar_t* noId) {
    const std::wstring caption = GetString(captionId);
    const std::wstring ok = okId ? GetString(okId) : std::wstring();
    const std::wstring no = noId ? GetString(noId) : std::wstring();
    return ShowMessageBox(owner, caption.c_str(), text.c_str(), flags, okId ? ok.c_str() : nullptr,
                          noId ? no.c_str() : nullptr);
}

// Stops with `code`: silent closes the window, otherwise the message (if any) shows.
void Refuse(CWnd_Main& window, int32_t code, UINT closeResult = 0) {
    g_nExitCode = code;
    if (g_bSilent) window.Close(closeResult);
}

bool CheckBitness(CWnd_Main& window) {
    const wchar_t* text = nullptr;
    if (PKG_BIT == L"64" && !win::IsWow64()) text = L"INSTALL_PKG_BIT_MISMATCH";
    else if (PKG_BIT == L"32" && win::IsWow64()) text = L"INSTALL_PKG_BIT_MISMATCH2";
    if (!text) return true;
    g_nExitCode = EXIT_BITNESS_MISMATCH;
    if (g_bSilent) {
        window.Close(static_cast<UINT>(-1));
        return false;
    }
    if (Ask(nullptr, L"MESSAGEBOX_CAPITON", GetString(text), 0x34, L"DOWNLOAD_PKG", L"CANCEL") == kMessageBoxOk)
        win::OpenAsDesktopUser(COMPANY_URL, std::wstring(), std::wstring(), SW_SHOW);
    window.Close(0);
    return false;
}

}  // namespace

void RunStartupChecks(CWnd_Main& window) {
    if (!CheckBitness(window)) return;

    DWORD pid = 0;
    if (engine::FindProcessByName(MAIN_EXE_FILE_NAME, &pid) && pid > 0) {
        bool stop = true;
        if (!g_bSilent &&
            Ask(nullptr, L"MESSAGEBOX_CAPITON", GetString(L"MESSAGEBOX_WARNING_RUNNING_TEXT"), 0x34, L"INSTALL",
                L"CANCEL") != kMessageBoxOk) {
            g_nExitCode = EXIT_DECLINED_STOP_PRODUCT;
            window.Close(0);
            stop = false;
        }
        if (stop) StopRunningProduct(pid);
    }
    if (g_bSilent) StartInstall(window);
}

void StartInstall(CWnd_Main& window) {
    const HWND owner = window.GetHWND();

    // A run that was killed is undone before anything is read: its half-written
    // registry values would otherwise steer the checks below. The worker tries
    // again (and fails the install) if it could not be done here.
    RepairInterruptedInstall(MakeInstallProduct());

    if (CompareVersions(GetOsVersionString(), L"6.1") < 0) {
        Refuse(window, EXIT_WINDOWS_TOO_OLD);
        if (!g_bSilent)
            Ask(owner, L"INSTALL_TIPS", GetString(L"INSTALL_PKG_SYSTEM_VERSION_LOWER_THAN_WIN7"), 0x30, L"OK",
                nullptr);
        return;
    }

    const std::wstring installedBit = engine::ReadPkgBit(PRODUCT_KEY);
    const std::wstring installedVersion = engine::ReadDisplayVersion(PRODUCT_KEY);
    if (!g_bSilent) {
        if (!installedBit.empty() && installedBit != PKG_BIT) {
            const std::wstring text = win::FormatW(GetString(L"INSTALL_PKG_BIT_CHANGED").c_str(),
                                                   installedBit.c_str(), PKG_BIT.c_str(), installedBit.c_str());
            if (Ask(nullptr, L"INSTALL_TIPS", text, 0x34, L"CONTINUE", L"CANCEL") != kMessageBoxOk) {
                g_nExitCode = EXIT_DECLINED_OTHER_BITNESS;
                window.Close(0);
                return;
            }
        }
        if (!installedVersion.empty() && CompareVersions(PRODUCT_VERSION, installedVersion) < 0) {
            if (Ask(nullptr, L"INSTALL_TIPS", GetString(L"INSTALL_PKG_VERSION_LOWER_THAN_INSTALLED"), 0x34, L"OK",
                    L"CANCEL") != kMessageBoxOk) {
                g_nExitCode = EXIT_DECLINED_DOWNGRADE;
                window.Close(0);
                return;
            }
        }
    }

    // Both folders in their one normal form before anything compares or uses
    // them. An earlier folder that is refused is not an earlier install: nothing
    // is stopped or removed there (silent mode has it in the edit box and stops
    // with 9 just below).
    const std::wstring earlierDir = FindEarlierInstall(PRODUCT_KEY).folder;
    const bool installedBefore = !earlierDir.empty();

    const std::wstring path = ResolveInstallFolder(window.GetInstallPathText());
    if (path.empty()) {
        Refuse(window, EXIT_SILENT_BAD_PATH);
        if (!g_bSilent) Ask(owner, L"MESSAGEBOX_CAPITON", GetString(L"MESSAGEBOX_INVALID_DIR_TEXT"), 0x10, L"OK", nullptr);
        return;
    }
    window.SelectShortcutOption();

    ::SetLastError(0);
    if (CreateDirectoryTree(path) != 0) {
        const DWORD error = ::GetLastError();
        if (error != 0 && error != ERROR_ALREADY_EXISTS) {
            Refuse(window, EXIT_SILENT_CREATE_FOLDER_FAILED);
            if (!g_bSilent) {
                const std::wstring text = GetString(L"MESSAGEBOX_INVALID_DIR_TEXT") + win::FormatW(L"(%d)", error);
                Ask(owner, L"MESSAGEBOX_CAPITON", text, 0x10, L"OK", nullptr);
            }
            return;
        }
    }

    if (installedBefore) {
        DWORD pid = 0;
        if (engine::FindProcessByPath(UPDATER_FILE_NAME, earlierDir + UPDATER_FILE_NAME, &pid) && pid > 0)
            EndProcessAndWait(pid);
    }

    if (!HasEnoughFreeSpace(path)) {
        Refuse(window, EXIT_SILENT_LOW_SPACE);
        if (!g_bSilent) Ask(owner, L"MESSAGEBOX_CAPITON", GetString(L"MESSAGEBOX_LOW_SPACE_TEXT"), 0x10, L"OK", nullptr);
        return;
    }

    bool useEarlier = false;
    if (installedBefore && !win::EqualsNoCase(path, earlierDir)) {
        useEarlier = g_bSilent || Ask(owner, L"MESSAGEBOX_CAPITON", GetString(L"MESSAGEBOX_NEW_LOCATION_TEXT"), 0x44,
                                      L"Y", L"N") == kMessageBoxNo;
    }

    auto context = std::make_unique<InstallContext>();
    context->product = MakeInstallProduct();
    if (useEarlier) {
        context->installDir = earlierDir;
        ::RemoveDirectoryW(path.c_str());  // the folder made above, when still empty
    } else {
        context->installDir = path;
        context->earlierDir = earlierDir;
    }
    window.SetInstallFolder(context->installDir);
    context->window = InstallWindow{window.GetHWND(), &g_bMainWndClosed};
    context->started = true;
    window.SetInstalling(true);

    InstallContext* handedOver = context.release();  // comes back in WM_INSTALL_FINISHED
    HANDLE worker = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, InstallThreadProc, handedOver, 0, nullptr));
    if (!worker) {
        delete handedOver;
        window.SetInstalling(false);
        window.SetInstallResult(-1);
        Refuse(window, EXIT_INSTALL_FAILED);
        if (!g_bSilent)
            Ask(owner, L"MESSAGEBOX_CAPITON", GetString(L"MESSAGEBOX_INSTERROR_2_TEXT"), 0x10, L"OK", nullptr);
        return;
    }
    g_worker.reset(worker);
    window.ShowProgressPage();
}

bool WaitForInstallWorker(DWORD timeoutMs) {
    if (!g_worker) return true;
    return ::WaitForSingleObject(g_worker.get(), timeoutMs) != WAIT_TIMEOUT;
}
