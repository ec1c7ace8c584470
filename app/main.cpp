// The installer's entry: one instance at a time, COM and OLE, the skin from the
// executable's resources, "/s", the main window and its message loop. Returns
// the exit code the flow and the install left in g_nExitCode.
#include "app/install_flow.h"
#include "app/main_window.h"
#include "app/product.h"
#include "app/string_bundle.h"
#include "ui/base/paint_manager.h"
#include "ui/base/resource_manager.h"
#include "win/library_search.h"
#include "win/module_resource.h"
#include "win/result.h"
#include "win/unique_handle.h"

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <cwchar>
#include <new>

using Ulmar::CPaintManagerUI;

namespace {

constexpr WORD kSkinResourceId = 102;
constexpr int kResourceZipInMemory = 4;
// How long the process waits at its end for the worker to send its report.
constexpr DWORD kWorkerGraceMs = 15000;

void DebugLine(const wchar_t* text) { ::OutputDebugStringW(text); }

struct ArgvDeleter {
    void operator()(wchar_t** argv) const { ::LocalFree(argv); }
};

bool HasSilentSwitch() {
    int count = 0;
    std::unique_ptr<wchar_t*, ArgvDeleter> argv(::CommandLineToArgvW(::GetCommandLineW(), &count));
    if (!argv) return false;
    bool silent = false;
    for (int i = 1; i < count; ++i)
        if (std::wcscmp(argv.get()[i], L"/s") == 0) silent = true;
    return silent;
}

// The installer could not get as far as its window: a silent run must not
// report success (0) for an install that never ran.
void FailSilentStart() {
    if (g_bSilent && g_nExitCode == EXIT_INSTALLED) g_nExitCode = EXIT_INSTALL_FAILED;
}

}  // namespace

bool EnableDebugPrivilege() {
    win::UniqueKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, token.put())) {
        DebugLine(L"OpenProcessToken failed!");
        return false;
    }
    TOKEN_PRIVILEGES privileges{};
    if (!::LookupPrivilegeValueW(nullptr, SE_DEBUG_NAME, &privileges.Privileges[0].Luid)) {
        DebugLine(L"LookupPrivilegeValue failed!");
        return false;
    }
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // Succeeds without enabling it when the token lacks the privilege.
    const bool adjusted =
        ::AdjustTokenPrivileges(token.get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr) != FALSE;
    if (win::ResultWithLastError(adjusted) == S_OK) {
        DebugLine(L"AdjustTokenPrivileges succed!");
        return true;
    }
    DebugLine(L"AdjustTokenPrivileges failed!");
    return false;
}

void LoadSkinResource() {
    CPaintManagerUI::SetResourceType(kResourceZipInMemory);
    const std::wstring path = CPaintManagerUI::GetInstancePath() + L"skin_inst\\";
    CPaintManagerUI::SetResourcePath(path.c_str());
    const win::ModuleResource skin =
        win::ReadModuleResource(CPaintManagerUI::GetResourceDll(), L"ZIPRES", kSkinResourceId);
    if (!skin) return;
    CPaintManagerUI::SetResourceZip(skin.data, skin.size);
    // The archive holds no index; its absence is no error.
    Ulmar::CResourceManager::GetInstance().LoadResource(Ulmar::STRINGorID(L"res.xml"));
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything can load a library: a DLL planted beside the installer
    // (a Downloads folder) must never be loaded by this elevated process.
    win::RestrictLibrarySearch();

    const std::wstring mutexName = EXE_NAME + L"安装程序";
    win::UniqueKernelHandle mutex(::CreateMutexW(nullptr, FALSE, mutexName.c_str()));
    const HRESULT mutexResult = win::ResultWithLastError(static_cast<bool>(mutex));
    if (mutexResult != S_OK) {
        g_nExitCode = mutexResult == win::HResultFromWin32(ERROR_ALREADY_EXISTS) ? EXIT_ALREADY_RUNNING
                                                                                  : EXIT_MUTEX_FAILED;
        return g_nExitCode;
    }

    // Read first: every failure below must know whether it may show anything
    // and which code a silent run returns.
    g_bSilent = HasSilentSwitch();

    if (SUCCEEDED(::CoInitialize(nullptr))) {
        ::OleInitialize(nullptr);
        CPaintManagerUI::SetInstance(instance);
        LoadSkinResource();
        EnableDebugPrivilege();

        auto* window = new (std::nothrow) CWnd_Main;
        const std::wstring title = GetString(L"SETUP_TITLE");
        // No window, no loop: nothing could ever end it.
        // Created hidden (the style without WS_VISIBLE): shown only once centred,
        // and never in silent mode, not even for the moment before SW_HIDE.
        if (window && window->Create(nullptr, title.c_str(), 0x10CE0000 & ~WS_VISIBLE, 0x00060000, 0, 0, 500, 400)) {
            window->CenterWindow();
            ::ShowWindow(window->GetHWND(), g_bSilent ? SW_HIDE : SW_SHOW);
            CPaintManagerUI::MessageLoop();
        } else {
            // Nothing to show: a skin that failed has set 1, anything else is a failed start.
            FailSilentStart();
        }
        // The worker sends the install report after its last message: let it end.
        WaitForInstallWorker(kWorkerGraceMs);

        CPaintManagerUI::Term();
        ::OleUninitialize();
        ::CoUninitialize();
    } else {
        FailSilentStart();
    }
    mutex.reset();
    return g_nExitCode;
}
