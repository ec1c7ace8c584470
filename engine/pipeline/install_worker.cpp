// The install worker: every engine step in a fixed order, reporting to the main
// window by posted messages only.
#include "engine/pipeline/install_context.h"

#include "engine/files/install_folder.h"
#include "engine/payload.h"
#include "engine/record/install_record.h"
#include "engine/registry/registry_records.h"
#include "engine/services/processes.h"
#include "engine/services/service.h"
#include "engine/shortcuts/shortcuts.h"
#include "engine/sevenzip/sevenzip.h"
#include "engine/temp_archive.h"
#include "report/install_report.h"
#include "win/com.h"
#include "win/result.h"

#include <shlwapi.h>

#include <new>

namespace {

// The payload copy failed, or had nowhere to go.
constexpr int32_t kPayloadCopyFailed = -1;
// Points added by each stage after the extraction.
constexpr float kStagePoints = 5.0f;

struct WorkerPaths {
    std::wstring tempArchive;  // empty when the temp folder is unknown
    std::wstring serviceExe;   // quoted
    std::wstring record;
};

WorkerPaths DerivePaths(const InstallContext& ctx) {
    WorkerPaths p;
    p.tempArchive = TempArchivePath();
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

// The payload from resource "7Z" 101, or from a named file, into the open temp archive.
bool CopyPayload(const InstallContext& ctx, HANDLE tempArchive) {
    if (ctx.payloadFile.empty()) return WriteResourceToFile(IDR_PAYLOAD, PAYLOAD_RESOURCE_TYPE, tempArchive);
    return CopyFileInto(ctx.payloadFile, tempArchive);
}

// Only the product's own programs are stopped: those the payload carries and
// those the earlier install's record lists.
void StopAndRemoveEarlier(const InstallContext& ctx, std::vector<std::wstring> programs) {
    const std::wstring& exeName = ctx.product.names.exe_name;
    if (ctx.earlierDir.empty()) {
        Trace(engine::StopProcessesInFolder(ctx.installDir, programs), L"stopProcesses failed!");
        return;
    }
    for (std::wstring& name : engine::RecordedRootFileNames(ctx.earlierDir, exeName)) programs.push_back(std::move(name));
    Trace(engine::StopProcessesInFolder(ctx.earlierDir, programs), L"stopProcesses failed!");
    Trace(engine::RemoveEarlierInstallation(ctx.earlierDir, exeName), L"removeEarlierInstallation failed!");
}

void CreateShortcuts(const InstallContext& ctx, std::wstring& stage) {
    const engine::ShortcutNames links{ctx.product.names.client_name, ctx.product.names.exe_name,
                                      ctx.product.uninstallText};
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
    std::wstring stage;
    PostStage(window, stage, kStagePoints);

    // Held open, shared for reading only, until the extraction has ended.
    TempArchive archive;
    if (!archive.Create(paths.tempArchive) || !CopyPayload(ctx, archive.Handle())) {
        window.PostStatus(stage);
        ctx.lastStage = stage;
        return kPayloadCopyFailed;
    }
    StopAndRemoveEarlier(ctx, PayloadRootNames(archive.Handle()));
    // Nothing is written into the install folder before it is a real folder
    // that only administrators may change.
    if (!engine::PrepareInstallFolder(ctx.installDir)) return static_cast<int32_t>(win::LastErrorAsHResult());

    stage = ctx.product.installingText;
    PostStage(window, stage, g_fProgress + kStagePoints);

    SevenZip::SevenZipExtractor extractor;
    extractor.SetArchivePath(archive.Path());
    extractor.SetArchiveFile(archive.Handle());
    PCallBack callback(window, ctx.product.extractingText);
    const LONG extracted = extractor.ExtractArchive(ctx.installDir, &callback);
    if (extracted != 0) {
        engine::RollBackExtraction(g_newFiles, g_newDirs, ctx.installDir, ctx.product.names.exe_name);
        return static_cast<int32_t>(extracted);  // the temporary archive stays for inspection
    }

    Trace(engine::WriteInstallRecord(paths.record, g_allFiles, g_allDirs), L"writeInstallRecord failed!");
    CreateShortcuts(ctx, stage);
    PostStage(window, stage, g_fProgress + kStagePoints);

    WriteRegistry(ctx);
    Trace(engine::RemoveService(), L"removeService failed!");
    Trace(engine::InstallService(paths.serviceExe), L"installService failed!");

    PostStage(window, stage, 100.0f);
    Trace(archive.Delete(), L"deleteTempArchive failed!");
    WriteSourceMarker(ctx.installDir);
    return 0;
}

ReportProduct MakeReportProduct(const InstallContext& ctx) {
    const std::wstring key = ctx.product.names.product_key;
    return ReportProduct{ctx.product.version,
                         [key](std::wstring& guid) { return engine::ReadGuid(key, &guid); },
                         [key](const std::wstring& guid) { engine::WriteGuid(key, guid); }};
}

}  // namespace

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
