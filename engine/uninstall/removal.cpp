#include "engine/uninstall/removal.h"

#include "engine/record/install_record.h"
#include "engine/registry/registry_records.h"
#include "engine/services/processes.h"
#include "engine/services/service.h"
#include "win/com.h"
#include "win/link_safe.h"
#include "win/path.h"

#include <windows.h>

#include <algorithm>

namespace engine {

namespace {

std::wstring Unquoted(std::wstring text) {
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') text = text.substr(1, text.size() - 2);
    return text;
}

bool IsBelowFolder(const std::wstring& path, const std::wstring& folder) {
    const std::wstring prefix = win::WithTrailingBackslash(folder);
    return path.size() >= prefix.size() && win::EqualsNoCase(path.substr(0, prefix.size()), prefix);
}

bool IsInWindowsFolder(const std::wstring& path) {
    wchar_t windows[MAX_PATH] = {};
    wchar_t system[MAX_PATH] = {};
    return (::GetWindowsDirectoryW(windows, MAX_PATH) && IsBelowFolder(path, windows)) ||
           (::GetSystemWindowsDirectoryW(system, MAX_PATH) && IsBelowFolder(path, system));
}

std::wstring CheckedRoot(const std::wstring& folder, const std::wstring& exe_name) {
    std::wstring root;
    if (folder.empty() || !IsInstallRoot(folder, exe_name, &root) || IsInWindowsFolder(root)) return std::wstring();
    return root;
}

// Opened without any access, so a file held open still opens.
bool OpensBelow(const std::wstring& path, const std::wstring& root) {
    const win::UniqueFile entry = win::OpenEntry(path, 0);
    return entry && win::IsOpenedBelow(entry.get(), root);
}

// The entry at `full` (inside the root, checked) is gone afterwards, or waits
// for the next restart. `waiting` is set when it waits.
bool RemoveEntry(const std::wstring& full, const std::wstring& root, RemovalReport* report, bool* waiting) {
    *waiting = false;
    if (!win::FileExists(full)) return true;
    if (win::DeleteEntryBelow(full, root) || !win::FileExists(full)) return true;
    // Held open (a program we may not end, an antivirus scan): Windows deletes it
    // before anything can open it again at the next start. Only what still opens
    // below the root: a refusal for a link must not turn into a later delete.
    if (OpensBelow(full, root) && ::MoveFileExW(full.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        report->at_restart.push_back(full);
        *waiting = true;
        return true;
    }
    report->failed.push_back(full);
    return false;
}

// A folder that could not be removed is not empty: it waits for the next
// restart when something in it does, else it is kept for what the install did
// not put there.
void SettleFolder(const std::wstring& folder, const std::wstring& root, bool removed, RemovalReport* report) {
    if (removed || !win::FileExists(folder)) return;
    const bool waits = std::any_of(report->at_restart.begin(), report->at_restart.end(),
                                   [&](const std::wstring& path) { return IsBelowFolder(path, folder); });
    if (waits && OpensBelow(folder, root) && ::MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT))
        report->at_restart.push_back(folder);
    else
        report->kept.push_back(folder);
}

}  // namespace

std::wstring FindInstallRoot(const std::wstring& product_key, const std::wstring& exe_name,
                             const std::wstring& fallback) {
    const std::wstring recorded = Unquoted(ReadInstalledFile(product_key));
    if (!recorded.empty()) {
        const std::wstring root = CheckedRoot(win::FolderOf(recorded), exe_name);
        if (!root.empty()) return root;
    }
    return CheckedRoot(fallback, exe_name);
}

void StopProductPrograms(const std::wstring& root, const std::wstring& exe_name, std::vector<std::wstring> programs,
                         const std::wstring& spared, RemovalReport* report) {
    if (root.empty()) return;
    for (std::wstring& name : RecordedRootFileNames(root, exe_name)) programs.push_back(std::move(name));
    programs.erase(std::remove_if(programs.begin(), programs.end(),
                                  [&](const std::wstring& name) {
                                      return !win::EqualsNoCase(win::FileNameOf(name), name) ||
                                             win::EqualsNoCase(name, spared);
                                  }),
                   programs.end());
    StopProcessesInFolder(root, programs);
    for (const std::wstring& name : programs) {
        DWORD pid = 0;
        if (FindProcessByPath(name, win::JoinPath(root, name), &pid)) report->running.push_back(name);
    }
}

void RemoveProductService(RemovalReport* report) {
    ServiceState state;
    if (!QueryServiceState(&state)) {
        report->failed.push_back(std::wstring(L"service ") + kServiceName);
        return;
    }
    if (state.registered && !RemoveService()) report->failed.push_back(std::wstring(L"service ") + kServiceName);
}

void RemoveInstalledFiles(const std::wstring& root_folder, const std::wstring& exe_name,
                          const std::vector<std::wstring>& extra_files, RemovalReport* report) {
    const std::wstring root = CheckedRoot(root_folder, exe_name);
    if (root.empty()) return;
    InstallRecord record;
    ReadInstallRecord(win::JoinPath(root, kInstallRecordFileName), &record);  // none: the extra files only
    record.files.insert(record.files.end(), extra_files.begin(), extra_files.end());

    std::wstring full;
    bool waiting = false;
    for (const std::wstring& file : record.files) {
        if (IsInsideRoot(file, root, exe_name, &full)) RemoveEntry(full, root, report, &waiting);
    }
    std::vector<std::wstring> folders;
    for (const std::wstring& dir : record.dirs) {
        if (IsInsideRoot(dir, root, exe_name, &full)) folders.push_back(full);
    }
    std::stable_sort(folders.begin(), folders.end(),
                     [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
    for (const std::wstring& folder : folders)
        SettleFolder(folder, root, !win::FileExists(folder) || win::DeleteEntryBelow(folder, root), report);
    // The root was checked above: no link, and only administrators change what holds it.
    SettleFolder(root, win::WithoutTrailingSeparators(win::FolderOf(root)), !win::FileExists(root) || ::RemoveDirectoryW(root.c_str()), report);
}

void RemoveProductShortcuts(const ShortcutNames& names, RemovalReport* report) {
    const win::ScopedCoInit com;  // the shell folder lookups
    if (!RemoveStartMenuShortcuts(names)) report->failed.push_back(L"start-menu links");
    if (!RemoveQuickLaunchShortcut(names)) report->failed.push_back(L"quick-launch link");
    if (!RemoveDesktopShortcut(names)) report->failed.push_back(L"desktop link");
}

void RemoveRegistryEntries(const std::wstring& product_key, RemovalReport* report) {
    if (!DeleteUninstallKey(product_key))
        report->failed.push_back(L"HKLM\\" + UninstallKeyName(product_key));
    if (!DeleteApplicationKey(product_key))
        report->failed.push_back(L"HKCU\\" + ApplicationKeyName(product_key));
    if (!KeepOnlyGuid(product_key))
        report->failed.push_back(L"HKLM\\" + ApplicationKeyName(product_key));
}

}  // namespace engine
