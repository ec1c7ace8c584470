// The install worker: every engine step in a fixed order, reporting to the main
// window by posted messages only.
#include "engine/pipeline/install_context.h"

#include "engine/payload.h"
#include "engine/record/install_record.h"
#include "engine/registry/registry_records.h"
#include "engine/services/processes.h"
#include "engine/services/service.h"
#include "engine/shortcuts/shortcuts.h"
#include "engine/sevenzip/sevenzip.h"
#include "win/path.h"
#include "report/install_report.h"

#include <objbase.h>
#include <shlwapi.h>

namespace {

struct WorkerPaths {
    std::wstring tempArchive;
    std::wstring serviceExe;  // quoted
    std::wstring record;
};

WorkerPaths DerivePaths(const InstallContext& ctx) {
    WorkerPaths p;
    p.tempArchive = TempArchivePath();
    wchar_t service[MAX_PATH] = {};
    ::PathCombineW(service, ctx.installDir.c_str(), L"TorvaneService.exe");
    p.serviceExe = std::wstring(L"\"") + service + L"\"";
    p.record = ctx.installDir + L"Uninstall.xml";
    return p;
}

// The payload from resource "7Z" 101, or from a named file, into the temp archive.
bool CopyPayload(const InstallContext& ctx, const std::wstring& tempArchive) {
    if (ctx.payloadFile.empty()) return WriteResourceToFile(IDR_PAYLOAD, PAYLOAD_RESOURCE_TYPE, tempArchive);
    return ::CopyFileW(ctx.payloadFile.c_str(), tempArchive.c_str(), FALSE) != FALSE;
}

int32_t RunInstall(InstallContext& ctx) {
    const InstallWindow& window = ctx.window;
    auto postProgress = [&] { window.PostProgress(g_fProgress); };

    ResetPayloadState();
    const WorkerPaths paths = DerivePaths(ctx);
    std::wstring stage;

    window.PostStatus(stage);
    g_fProgress = 5;
    postProgress();

    const std::wstring& exeName = ctx.product.names.exe_name;
    if (!ctx.earlierDir.empty()) {
        engine::StopProcessesInFolder(ctx.earlierDir);
        engine::RemoveEarlierInstallation(ctx.earlierDir, exeName);
    } else {
        engine::StopProcessesInFolder(ctx.installDir);
    }

    if (!CopyPayload(ctx, paths.tempArchive)) {
        window.PostStatus(stage);
        ctx.lastStage = stage;
        return -1;
    }

    stage = ctx.product.installingText;
    window.PostStatus(stage);
    g_fProgress += 5;
    postProgress();

    SevenZip::SevenZipExtractor extractor;
    extractor.SetArchivePath(paths.tempArchive);
    PCallBack callback(window, ctx.product.extractingText);
    const LONG extracted = extractor.ExtractArchive(ctx.installDir, &callback);
    if (extracted != 0) {
        engine::RollBackExtraction(g_newFiles, g_newDirs, ctx.installDir, exeName);
        return static_cast<int32_t>(extracted);  // the temporary archive stays for inspection
    }

    engine::WriteInstallRecord(paths.record, g_allFiles, g_allDirs);
    const engine::ShortcutNames links{ctx.product.names.client_name, exeName, ctx.product.uninstallText};

    const HRESULT com = ::CoInitialize(nullptr);
    if (ctx.startMenu) {
        stage = ctx.product.startMenuStageText;
        window.PostStatus(stage);
        g_fProgress += 5;
        postProgress();
        engine::CreateStartMenuShortcuts(ctx.installDir, links);
    }
    if (ctx.quickLaunch) {
        window.PostStatus(stage);
        g_fProgress += 5;
        postProgress();
        engine::CreateQuickLaunchShortcut(ctx.installDir, links);
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
    window.PostStatus(stage);
    g_fProgress += 5;
    postProgress();

    engine::RegistryRecord registry;
    engine::Fill(&registry, ctx.installDir, exeName);
    registry.version = ctx.product.version;
    engine::WriteApplicationKey(registry, ctx.product.names.product_key);
    engine::WriteUninstallKey(registry, ctx.product.names);

    if (!engine::RemoveService()) ::OutputDebugStringW(L"removeService failed!");
    if (!engine::InstallService(paths.serviceExe)) ::OutputDebugStringW(L"installService failed!");

    window.PostStatus(stage);
    g_fProgress = 100;
    postProgress();
    ::DeleteFileW(paths.tempArchive.c_str());
    WriteSourceMarker(ctx.installDir);
    return 0;
}

}  // namespace

unsigned __stdcall InstallThreadProc(void* param) {
    auto* ctx = static_cast<InstallContext*>(param);
    // The context belongs to the window once posted: copy what is needed after that.
    const InstallWindow window = ctx->window;
    const std::wstring productKey = ctx->product.names.product_key;
    const int32_t result = RunInstall(*ctx);
    ctx->result = result;
    // After this post the context is the window's; when the window has closed the
    // context is left to the ending process rather than freed under a late reader.
    if (window.IsOpen()) ::PostMessageW(window.window, WM_INSTALL_FINISHED, 0, reinterpret_cast<LPARAM>(ctx));
    SendInstallReport(result == 0, productKey);
    return static_cast<unsigned>(result);
}
