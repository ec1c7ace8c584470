#include "app/install_flow.h"

#include "app/install_folder.h"
#include "app/install_rules.h"
#include "app/message_box.h"
#include "app/product.h"
#include "app/string_bundle.h"
#include "engine/registry/registry_records.h"
#include "engine/services/processes.h"
#include "win/path.h"
#include "win/result.h"
#include "win/text.h"
#include "win/unique_handle.h"
#include "win/windows_version.h"

#include <process.h>

#include <memory>

namespace {

using Next = FlowOutcome::Next;

// The product's main window class and title, and the quit request it understands.
constexpr wchar_t kProductWindowClass[] = L"Qt5152QWindowIcon";
constexpr wchar_t kProductWindowTitle[] = L"托尔文";
constexpr UINT WM_ASK_PRODUCT_EXIT = 0x4C8;

// Kept (not closed at start) so that the entry can let the worker finish its
// report before the process ends.
win::UniqueKernelHandle g_worker;

// A question the flow waits for; owned by no window unless said.
FlowBox Question(const wchar_t* captionId, std::wstring text, UINT flags, const wchar_t* okId, const wchar_t* noId,
                 bool ownedByWindow = false) {
    return FlowBox{captionId, std::move(text), flags, okId, noId, ownedByWindow};
}

// A refusal's message over the main window, with one OK button.
FlowBox Notice(const wchar_t* captionId, std::wstring text, UINT flags) {
    return FlowBox{captionId, std::move(text), flags, L"OK", nullptr, true};
}

// The user said no: the window closes with `code`.
FlowOutcome Decline(int32_t code) {
    FlowOutcome outcome;
    outcome.next = Next::kClose;
    outcome.exitCode = code;
    return outcome;
}

// A check failed: silent closes with `code`, otherwise the notice shows and page 0 stays.
FlowOutcome Refuse(bool silent, int32_t code, FlowBox notice) {
    FlowOutcome outcome = Decline(code);
    if (!silent) {
        outcome.next = Next::kStay;
        outcome.notice = std::move(notice);
    }
    return outcome;
}

// The bundle's text for a package that does not fit this Windows; null when it fits.
const wchar_t* BitnessMismatchText(const std::wstring& packageBit) {
    if (packageBit == L"64" && !win::IsWow64()) return L"INSTALL_PKG_BIT_MISMATCH";
    if (packageBit == L"32" && win::IsWow64()) return L"INSTALL_PKG_BIT_MISMATCH2";
    return nullptr;
}

// Asks the product's main window to quit and ends its process: up to 5 s when the
// window exists, then TerminateProcess and up to 4 s more.
void StopRunningProduct(DWORD pid) {
    const HWND window = ::FindWindowW(kProductWindowClass, kProductWindowTitle);
    const win::UniqueKernelHandle process = engine::OpenProcessToEnd(pid);
    if (window) ::PostMessageW(window, WM_ASK_PRODUCT_EXIT, 0, 0);
    engine::EndProcess(process.get(), window ? 5000 : 0, 4000);
}

// The earlier install's updater, running from its folder, is ended at once.
void EndEarlierUpdater(const std::wstring& earlierDir) {
    DWORD pid = 0;
    if (engine::FindProcessByPath(UPDATER_FILE_NAME, earlierDir + UPDATER_FILE_NAME, &pid) && pid > 0)
        engine::EndProcess(engine::OpenProcessToEnd(pid).get(), 0, INFINITE);
}

// An installed product of the other bitness, or a newer one, is replaced only
// when the user agrees; the outcome when not.
std::optional<FlowOutcome> AskAboutEarlierInstall(const InstallProduct& product, const AskUser& ask) {
    const std::wstring& key = product.names.product_key;
    const std::wstring& packageBit = product.names.pkg_bit;
    const std::wstring installedBit = engine::ReadPkgBit(key);
    if (!installedBit.empty() && installedBit != packageBit) {
        const std::wstring text = win::FormatW(GetString(L"INSTALL_PKG_BIT_CHANGED").c_str(), installedBit.c_str(),
                                               packageBit.c_str(), installedBit.c_str());
        if (ask(Question(L"INSTALL_TIPS", text, 0x34, L"CONTINUE", L"CANCEL")) != kMessageBoxOk)
            return Decline(EXIT_DECLINED_OTHER_BITNESS);
    }
    const std::wstring installedVersion = engine::ReadDisplayVersion(key);
    if (!installedVersion.empty() && CompareVersions(product.version, installedVersion) < 0) {
        if (ask(Question(L"INSTALL_TIPS", GetString(L"INSTALL_PKG_VERSION_LOWER_THAN_INSTALLED"), 0x34, L"OK",
                         L"CANCEL")) != kMessageBoxOk)
            return Decline(EXIT_DECLINED_DOWNGRADE);
    }
    return std::nullopt;
}

// The checks once the path is valid: the folder made, the earlier updater ended,
// the free space, and the choice between the typed and the earlier folder.
FlowOutcome PlaceInstall(const FlowInput& input, const AskUser& ask, const std::wstring& path,
                         const std::wstring& earlierDir) {
    // A folder made meanwhile by someone else is as good as one made here.
    const HRESULT made = CreateDirectoryTree(path);
    if (FAILED(made) && made != win::HResultFromWin32(ERROR_ALREADY_EXISTS)) {
        const std::wstring text =
            GetString(L"MESSAGEBOX_INVALID_DIR_TEXT") + win::FormatW(L"(%d)", static_cast<int>(HRESULT_CODE(made)));
        return Refuse(input.silent, EXIT_SILENT_CREATE_FOLDER_FAILED, Notice(L"MESSAGEBOX_CAPITON", text, 0x10));
    }

    if (!earlierDir.empty()) EndEarlierUpdater(earlierDir);

    if (!HasEnoughFreeSpace(path))
        return Refuse(input.silent, EXIT_SILENT_LOW_SPACE,
                      Notice(L"MESSAGEBOX_CAPITON", GetString(L"MESSAGEBOX_LOW_SPACE_TEXT"), 0x10));

    FlowOutcome outcome;
    outcome.next = Next::kShowProgress;
    outcome.plan = InstallPlan{path, earlierDir};
    if (!earlierDir.empty() && !win::EqualsNoCase(path, earlierDir)) {
        const bool useEarlier =
            input.silent || ask(Question(L"MESSAGEBOX_CAPITON", GetString(L"MESSAGEBOX_NEW_LOCATION_TEXT"), 0x44,
                                         L"Y", L"N", true)) == kMessageBoxNo;
        if (useEarlier) {
            outcome.plan = InstallPlan{earlierDir, std::wstring()};
            ::RemoveDirectoryW(path.c_str());  // the folder made above, when still empty
        }
    }
    return outcome;
}

// The context goes to the worker and comes back in WM_INSTALL_FINISHED.
bool StartWorker(const FlowInput& input, const InstallPlan& plan) {
    auto context = std::make_unique<InstallContext>();
    context->product = input.product;
    context->installDir = plan.installDir;
    context->earlierDir = plan.earlierDir;
    context->window = input.window;
    context->started = true;
    InstallContext* handedOver = context.release();
    HANDLE worker = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, InstallThreadProc, handedOver, 0, nullptr));
    if (!worker) {
        delete handedOver;
        return false;
    }
    g_worker.reset(worker);
    return true;
}

}  // namespace

FlowOutcome RunStartupChecks(const FlowInput& input, const AskUser& ask) {
    if (const wchar_t* mismatch = BitnessMismatchText(input.product.names.pkg_bit)) {
        FlowOutcome outcome = Decline(EXIT_BITNESS_MISMATCH);
        if (input.silent) {
            outcome.closeResult = static_cast<UINT>(-1);
        } else if (ask(Question(L"MESSAGEBOX_CAPITON", GetString(mismatch), 0x34, L"DOWNLOAD_PKG", L"CANCEL")) ==
                   kMessageBoxOk) {
            outcome.openPage = input.product.names.company_url;
        }
        return outcome;
    }

    DWORD pid = 0;
    if (engine::FindProcessByName(input.product.names.exe_name + L".exe", &pid) && pid > 0) {
        if (!input.silent && ask(Question(L"MESSAGEBOX_CAPITON", GetString(L"MESSAGEBOX_WARNING_RUNNING_TEXT"), 0x34,
                                          L"INSTALL", L"CANCEL")) != kMessageBoxOk)
            return Decline(EXIT_DECLINED_STOP_PRODUCT);
        StopRunningProduct(pid);
    }
    FlowOutcome outcome;
    if (input.silent) outcome.next = Next::kStartInstall;
    return outcome;
}

FlowOutcome DecideInstall(const FlowInput& input, const AskUser& ask) {
    // A run that was killed is undone before anything is read: its half-written
    // registry values would otherwise steer the checks below. The worker tries
    // again (and fails the install) if it could not be done here.
    RepairInterruptedInstall(input.product);

    if (CompareVersions(GetOsVersionString(), L"6.1") < 0)
        return Refuse(input.silent, EXIT_WINDOWS_TOO_OLD,
                      Notice(L"INSTALL_TIPS", GetString(L"INSTALL_PKG_SYSTEM_VERSION_LOWER_THAN_WIN7"), 0x30));

    if (!input.silent) {
        if (std::optional<FlowOutcome> declined = AskAboutEarlierInstall(input.product, ask)) return *declined;
    }

    // Both folders in their one normal form before anything compares or uses
    // them. An earlier folder that is refused is not an earlier install: nothing
    // is stopped or removed there (silent mode has it in the edit box and stops
    // with 9 just below).
    const std::wstring earlierDir = FindEarlierInstall(input.product.names.product_key).folder;
    const std::wstring path = ResolveInstallFolder(input.typedPath);
    if (path.empty())
        return Refuse(input.silent, EXIT_SILENT_BAD_PATH,
                      Notice(L"MESSAGEBOX_CAPITON", GetString(L"MESSAGEBOX_INVALID_DIR_TEXT"), 0x10));

    FlowOutcome outcome = PlaceInstall(input, ask, path, earlierDir);
    outcome.reselectShortcut = true;
    return outcome;
}

FlowOutcome StartInstall(const FlowInput& input, const AskUser& ask) {
    FlowOutcome outcome = DecideInstall(input, ask);
    if (outcome.next != Next::kShowProgress || StartWorker(input, outcome.plan)) return outcome;

    FlowOutcome failed = Refuse(input.silent, EXIT_INSTALL_FAILED,
                                Notice(L"MESSAGEBOX_CAPITON", GetString(L"MESSAGEBOX_INSTERROR_2_TEXT"), 0x10));
    failed.reselectShortcut = true;
    failed.workerFailed = true;
    return failed;
}

bool WaitForInstallWorker(DWORD timeoutMs) {
    if (!g_worker) return true;
    return ::WaitForSingleObject(g_worker.get(), timeoutMs) != WAIT_TIMEOUT;
}
