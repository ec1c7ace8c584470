// The install worker: every engine step in a fixed order, reporting to the main
// window by posted messages only.
#include "engine/pipeline/install_context.h"

#include "engine/files/install_folder.h"
#include "engine/payload/payload.h"
#include "engine/payload/payload_bytes.h"
#include "engine/pipeline/payload_check.h"
#include "engine/record/install_record.h"
#include "engine/registry/registry_records.h"
#include "engine/services/processes.h"
#include "engine/services/service.h"
#include "engine/shortcuts/shortcuts.h"
#include "engine/sevenzip/sevenzip.h"
#include "engine/update/update_transaction.h"
#include "report/install_report.h"
#include "win/com.h"
#include "win/path.h"
#include "win/result.h"

#include <shlwapi.h>

#include <new>

namespace {

// The payload could not be read (no resource, no such file).
constexpr int32_t kPayloadUnreadable = -1;
// Points added by each stage after the extraction.
constexpr float kStagePoints = 5.0f;

struct WorkerPaths {
    std::wstring serviceExe;   // quoted
    std::wstring record;
};

WorkerPaths DerivePaths(const InstallContext& ctx) {
    WorkerPaths p;
    wchar_t service[MAX_PATH] = {};
    ::PathCombineW(service, ctx.installDir.c_str(), engine::kServiceExeFileName);
    p.serviceExe = std::wstring(L"\"") + service + L"\"";
    p.record = ctx.installDir + engine::kInstallRecordFileName;
    return p;
}

// Steps after the payload are best effort: a failure leaves a line in the
// debugger output and changes nothing else.
void Trace(bool ok, const wchar_t* failure) {
    if (!ok) ::OutputDebugStringW(failure);
}

// The window sees the stage text, then the new percent.
void PostStage(const InstallWindow& window, const std::wstring& stage, float percent) {
    window.PostStatus(stage);
    g_fProgress = percent;
    window.PostProgress(g_fProgress);
}

// The payload in place: resource "7Z" 101, or a named file.
bool OpenPayload(const InstallContext& ctx, PayloadBytes* payload) {
    if (ctx.payloadFile.empty()) return payload->FromResource(nullptr, PAYLOAD_RESOURCE_TYPE, IDR_PAYLOAD);
    return payload->FromFile(ctx.payloadFile);
}

// Only the product's own programs are stopped: those the payload carries and
// those the earlier install's record lists. Where the earlier install is
// replaced, in its folder; otherwise in the new one.
void StopProcesses(const InstallContext& ctx, std::vector<std::wstring> programs) {
    if (ctx.earlierDir.empty()) {
        Trace(engine::StopProcessesInFolder(ctx.installDir, programs), L"stopProcesses failed!");
        return;
    }
    for (std::wstring& name : engine::RecordedRootFileNames(ctx.earlierDir, ctx.product.names.exe_name))
        programs.push_back(std::move(name));
    Trace(engine::StopProcessesInFolder(ctx.earlierDir, programs), L"stopProcesses failed!");
}

engine::UpdateNames MakeUpdateNames(const InstallProduct& product) {
    return engine::UpdateNames{product.names.product_key,
                               engine::ShortcutNames{product.names.client_name, product.names.exe_name,
                                                     product.uninstallText}};
}

int32_t FromWin32(DWORD error) { return static_cast<int32_t>(win::HResultFromWin32(error)); }

// The earlier install's files go aside within the removal's share of the
// progress (5 to 10); the window sees each whole percent once.
void MoveAside(const InstallWindow& window, engine::UpdateTransaction& update, DWORD* error) {
    const float start = g_fProgress;
    int shown = static_cast<int>(start);
    *error = update.MoveAside([&](size_t done, size_t total) {
        g_fProgress = start + kStagePoints * 0.99f * static_cast<float>(done) / static_cast<float>(total);
        if (static_cast<int>(g_fProgress) != shown) {
            shown = static_cast<int>(g_fProgress);
            window.PostProgress(g_fProgress);
        }
    });
}

// A failed run leaves the earlier install as it was.
int32_t Fail(engine::UpdateTransaction& update, int32_t result) {
    Trace(update.RollBack(), L"rollBack failed!");
    return result;
}

void CreateShortcuts(const InstallContext& ctx, std::wstring& stage) {
    const engine::ShortcutNames links = MakeUpdateNames(ctx.product).links;
    const win::ScopedCoInit com;
    Trace(com.ok(), L"CoInitialize failed!");
    if (ctx.startMenu) {
        stage = ctx.product.startMenuStageText;
        PostStage(ctx.window, stage, g_fProgress + kStagePoints);
        Trace(engine::CreateStartMenuShortcuts(ctx.installDir, links), L"createStartMenuShortcuts failed!");
    }
    if (ctx.quickLaunch) {
        PostStage(ctx.window, stage, g_fProgress + kStagePoints);
        Trace(engine::CreateQuickLaunchShortcut(ctx.installDir, links), L"createQuickLaunchShortcut failed!");
    }
}

// An earlier install in another language left its links under its names. They
// go only after the commit (a rollback restores this run's names alone), and a
// language that names its links as this one does keeps them: they are ours now.
void RemoveOtherLanguagesLinks(const InstallContext& ctx) {
    const engine::ShortcutNames ours = MakeUpdateNames(ctx.product).links;
    const win::ScopedCoInit com;
    for (const engine::ShortcutNames& other : ctx.product.otherLanguagesLinks) {
        if (other.client_name.empty() || win::EqualsNoCase(other.client_name, ours.client_name)) continue;
        Trace(engine::RemoveStartMenuShortcuts(other), L"removeStartMenuShortcuts failed!");
        Trace(engine::RemoveQuickLaunchShortcut(other), L"removeQuickLaunchShortcut failed!");
        Trace(engine::RemoveDesktopShortcut(other), L"removeDesktopShortcut failed!");
    }
}

void WriteRegistry(const InstallContext& ctx) {
    engine::RegistryRecord registry;
    engine::Fill(&registry, ctx.installDir, ctx.product.names.exe_name);
    registry.version = ctx.product.version;
    Trace(engine::WriteApplicationKey(registry, ctx.product.names.product_key), L"writeApplicationKey failed!");
    Trace(engine::WriteUninstallKey(registry, ctx.product.names), L"writeUninstallKey failed!");
}

int32_t RunInstall(InstallContext& ctx) {
    const InstallWindow& window = ctx.window;
    ResetPayloadState();
    const WorkerPaths paths = DerivePaths(ctx);
    const engine::UpdateNames names = MakeUpdateNames(ctx.product);
    std::wstring stage;
    PostStage(window, stage, kStagePoints);

    // An earlier run that was killed is rolled back (or finished) first.
    if (!engine::RepairInterruptedUpdate(names)) {
        ::OutputDebugStringW(L"repairInterruptedUpdate failed!");
        return FromWin32(ERROR_CAN_NOT_COMPLETE);
    }

    // Nothing of the earlier install is touched before the new payload is read,
    // its headers listed and the room for it found. It is unpacked from where it
    // is: the resource's bytes, or a file held unwritable until the end.
    PayloadBytes payload;
    if (!OpenPayload(ctx, &payload)) {
        window.PostStatus(stage);
        ctx.lastStage = stage;
        return kPayloadUnreadable;
    }
    PayloadListing listing;
    const LONG listed = ReadPayloadListing(payload.data(), payload.size(), &listing);
    if (listed != 0) return static_cast<int32_t>(listed);
    if (!HasRoomFor(ctx.installDir, BytesNeeded(listing))) return FromWin32(ERROR_DISK_FULL);

    // Nothing is written into the install folder (the update's journal and backup
    // included) before it is a real folder that only administrators may change.
    if (!engine::PrepareInstallFolder(ctx.installDir)) return static_cast<int32_t>(win::LastErrorAsHResult());
    engine::UpdateTransaction update(names);
    const DWORD begun = update.Begin(ctx.installDir, ctx.earlierDir, listing.names);
    if (begun != ERROR_SUCCESS) return FromWin32(begun);
    StopProcesses(ctx, PayloadRootNames(listing.names));
    DWORD moved = ERROR_SUCCESS;
    MoveAside(window, update, &moved);
    if (moved != ERROR_SUCCESS) return Fail(update, FromWin32(moved));

    stage = ctx.product.installingText;
    PostStage(window, stage, kStagePoints * 2);

    SevenZip::SevenZipExtractor extractor;
    extractor.SetArchivePath(ctx.payloadFile);
    extractor.SetArchiveBytes(payload.data(), payload.size());
    PCallBack callback(window, ctx.product.extractingText);
    const LONG extracted = extractor.ExtractArchive(ctx.installDir, &callback);
    if (extracted != 0) return Fail(update, static_cast<int32_t>(extracted));

    Trace(engine::WriteInstallRecord(paths.record, g_allFiles, g_allDirs), L"writeInstallRecord failed!");
    CreateShortcuts(ctx, stage);
    PostStage(window, stage, g_fProgress + kStagePoints);

    WriteRegistry(ctx);
    Trace(engine::RemoveService(), L"removeService failed!");
    Trace(engine::InstallService(paths.serviceExe), L"installService failed!");
    WriteSourceMarker(ctx.installDir);

    bool earlierRemoved = false;
    if (!update.Commit(g_allDirs, &earlierRemoved)) return Fail(update, FromWin32(ERROR_WRITE_FAULT));
    if (!ctx.earlierDir.empty() && !update.journal().earlier.empty())
        Trace(earlierRemoved, L"removeEarlierInstallation failed!");
    RemoveOtherLanguagesLinks(ctx);

    PostStage(window, stage, 100.0f);
    return 0;
}

ReportProduct MakeReportProduct(const InstallContext& ctx) {
    const std::wstring key = ctx.product.names.product_key;
    return ReportProduct{ctx.product.version,
                         [key](std::wstring& guid) { return engine::ReadGuid(key, &guid); },
                         [key](const std::wstring& guid) { engine::WriteGuid(key, guid); }};
}

}  // namespace

bool RepairInterruptedInstall(const InstallProduct& product) {
    return engine::RepairInterruptedUpdate(MakeUpdateNames(product));
}

unsigned __stdcall InstallThreadProc(void* param) {
    auto* ctx = static_cast<InstallContext*>(param);
    // The context belongs to the window once posted: copy what is needed after that.
    const InstallWindow window = ctx->window;
    ReportProduct report;
    int32_t result = E_OUTOFMEMORY;
    try {
        report = MakeReportProduct(*ctx);
        result = RunInstall(*ctx);
    } catch (const std::bad_alloc&) {
        ::OutputDebugStringW(L"install worker out of memory!");
    }
    ctx->result = result;
    // After this post the context is the window's; when the window has closed the
    // context is left to the ending process rather than freed under a late reader.
    if (window.IsOpen()) ::PostMessageW(window.window, WM_INSTALL_FINISHED, 0, reinterpret_cast<LPARAM>(ctx));
    try {
        SendInstallReport(result == 0, report);
    } catch (const std::bad_alloc&) {
        ::OutputDebugStringW(L"sendInstallReport out of memory!");
    }
    return static_cast<unsigned>(result);
}
