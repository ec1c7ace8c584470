#include "uninstaller/uninstall_run.h"

#include "engine/services/service.h"
#include "engine/uninstall/self_removal.h"
#include "win/path.h"

namespace {

constexpr wchar_t kRecordFileName[] = L"Uninstall.xml";
constexpr wchar_t kSourceMarkerFileName[] = L"source.dat";
constexpr wchar_t kUpdaterFileName[] = L"updater.exe";

void AddLines(std::wstring* text, const wchar_t* label, const std::vector<std::wstring>& entries) {
    for (const std::wstring& entry : entries) *text += std::wstring(label) + entry + L"\r\n";
}

}  // namespace

UninstallExit RunUninstall(const UninstallRun& run, engine::RemovalReport* report) {
    const std::wstring& exe_name = run.names.links.exe_name;
    const std::wstring self_name = win::FileNameOf(run.self);
    const std::wstring root = engine::FindInstallRoot(run.names.product_key, exe_name, win::FolderOf(run.self));

    engine::StopProductPrograms(root, exe_name, {exe_name + L".exe", kUpdaterFileName, engine::kServiceExeFileName},
                                self_name, report);
    if (!report->running.empty()) return UNINSTALL_PRODUCT_RUNNING;

    // Out of the folder before it is emptied; where that fails the file waits
    // for the next restart like any other held open.
    engine::SelfRemoval aside;
    if (!root.empty() && win::EqualsNoCase(win::FolderOf(run.self), win::WithTrailingBackslash(root)))
        engine::MoveSelfAside(run.self, {run.temp, win::FolderOf(root)}, &aside);

    engine::RemoveProductService(report);
    engine::RemoveInstalledFiles(root, exe_name, {self_name, kSourceMarkerFileName, kRecordFileName}, report);
    engine::RemoveProductShortcuts(run.names.links, report);
    for (const engine::ShortcutNames& links : run.other_links) engine::RemoveProductShortcuts(links, report);
    engine::RemoveRegistryEntries(run.names.product_key, report);

    if (!report->failed.empty()) return UNINSTALL_STEP_FAILED;
    if (!report->at_restart.empty()) return UNINSTALL_AT_RESTART;
    return UNINSTALL_REMOVED;
}

std::wstring DescribeLeftovers(const engine::RemovalReport& report) {
    std::wstring text;
    AddLines(&text, L"running: ", report.running);
    AddLines(&text, L"not removed: ", report.failed);
    AddLines(&text, L"removed at the next restart: ", report.at_restart);
    AddLines(&text, L"kept, holds files the install did not put there: ", report.kept);
    return text;
}
