// Uninstall.exe: the product's uninstaller, run from Add/Remove Programs by its
// UninstallString. One at a time and never beside the installer (the same
// mutex), "/s" for no window; the exit code says what happened and what stays
// is listed on standard output and in the debugger output.
#include "app/string_bundle.h"
#include "uninstaller/dialogs.h"
#include "uninstaller/uninstall_run.h"
#include "win/library_search.h"
#include "win/path.h"
#include "win/text.h"
#include "win/unique_handle.h"

#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <cwchar>
#include <memory>

namespace {

constexpr wchar_t kProductKey[] = L"Torvane3";

struct ArgvDeleter {
    void operator()(wchar_t** argv) const { ::LocalFree(argv); }
};

bool HasSwitch(const wchar_t* name) {
    int count = 0;
    std::unique_ptr<wchar_t*, ArgvDeleter> argv(::CommandLineToArgvW(::GetCommandLineW(), &count));
    for (int i = 1; argv && i < count; ++i)
        if (std::wcscmp(argv.get()[i], name) == 0) return true;
    return false;
}

// Standard output is whatever the caller handed over (a pipe, a file); a GUI
// program started from Explorer has none, and then only the debugger hears it.
void Tell(const std::wstring& text) {
    if (text.empty()) return;
    ::OutputDebugStringW(text.c_str());
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);  // borrowed
    if (!out || out == INVALID_HANDLE_VALUE) return;
    const std::string bytes = win::WideToUtf8(text);
    DWORD written = 0;
    ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

UninstallRun MakeRun() {
    UninstallRun run;
    run.names.product_key = kProductKey;
    run.names.links.client_name = GetString(L"ClientName");
    run.names.links.exe_name = GetString(L"ExeName");
    run.names.links.uninstall_text = UninstallLinkPrefix(GetStringBundle());
    run.other_links = OtherLanguagesLinks(::GetModuleHandleW(nullptr), run.names.links.exe_name);
    run.self = win::ModulePath();
    run.temp = win::TempFolder();
    return run;
}

// The COM and OLE set-up the framework's windows need, for as long as it lives.
class ScopedOle {
public:
    ScopedOle() : ok_(SUCCEEDED(::OleInitialize(nullptr))) {}
    ~ScopedOle() {
        if (ok_) ::OleUninitialize();
    }
    ScopedOle(const ScopedOle&) = delete;
    ScopedOle& operator=(const ScopedOle&) = delete;

private:
    bool ok_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything can load a library: the uninstaller runs elevated.
    win::RestrictLibrarySearch();

    const UninstallRun run = MakeRun();
    // The installer's own mutex: no uninstall while an install runs, nor two at once.
    const std::wstring mutex_name = run.names.links.exe_name + L"安装程序";
    win::UniqueKernelHandle mutex(::CreateMutexW(nullptr, FALSE, mutex_name.c_str()));
    if (!mutex || ::GetLastError() == ERROR_ALREADY_EXISTS) {
        Tell(L"an install or an uninstall is running\r\n");
        return UNINSTALL_BUSY;
    }
    if (HasSwitch(L"/s")) {
        engine::RemovalReport report;
        const UninstallExit code = RunUninstall(run, &report);
        Tell(DescribeLeftovers(report));
        return code;
    }

    // Interactive: nothing changes before 确定; a skin that cannot load asks nothing and removes nothing.
    const ScopedOle ole;
    if (!LoadUninstallerSkin(instance) || !ConfirmUninstall()) return UNINSTALL_DECLINED;
    engine::RemovalReport report;
    const UninstallExit code = RunUninstall(run, &report);
    Tell(DescribeLeftovers(report));
    ShowUninstallResult(code, report);
    return code;
}
