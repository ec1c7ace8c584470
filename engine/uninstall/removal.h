// The uninstaller's steps: the product's programs stopped, its service, files,
// links and registry entries removed. Each step removes what it can, notes what
// stays, and never deletes anything outside the install root.
#pragma once

#include "engine/shortcuts/shortcuts.h"

#include <string>
#include <vector>

namespace engine {

struct UninstallNames {
    std::wstring product_key;  // registry key name, "Torvane3"
    ShortcutNames links;       // client name, executable name, uninstall text
};

// What a removal left behind, for the exit code and the listing on stdout.
struct RemovalReport {
    std::vector<std::wstring> running;     // programs still running after the stop
    std::vector<std::wstring> failed;      // product entries that could not be removed
    std::vector<std::wstring> at_restart;  // held open: deleted at the next restart
    std::vector<std::wstring> kept;        // folders holding files the install did not put there

    bool Clean() const { return running.empty() && failed.empty() && at_restart.empty(); }
};

// The install root the uninstaller removes: the folder of the file the
// machine-wide uninstall record names (only administrators can write it), else
// `fallback` (the uninstaller's own folder). Empty when neither is a folder
// named after the product's executable, reached through no link and outside
// the Windows folder.
std::wstring FindInstallRoot(const std::wstring& product_key, const std::wstring& exe_name,
                             const std::wstring& fallback);

// Ends the product's own programs running from `root` (those the record lists
// in it and `programs`), never `spared` (the uninstaller's own file). Programs
// still running afterwards go to report->running.
void StopProductPrograms(const std::wstring& root, const std::wstring& exe_name, std::vector<std::wstring> programs,
                         const std::wstring& spared, RemovalReport* report);

// Stops and deletes the product's service when it is registered.
void RemoveProductService(RemovalReport* report);

// The files and folders the record in `root` lists, then `extra_files` (names
// the installer writes beside the record: the record itself, markers), then the
// root when it is empty. Without a usable record only `extra_files` go. A file
// held open is scheduled for deletion at the next restart, and so is every
// folder that then waits for it.
void RemoveInstalledFiles(const std::wstring& root, const std::wstring& exe_name,
                          const std::vector<std::wstring>& extra_files, RemovalReport* report);

// The start-menu, quick-launch and desktop links.
void RemoveProductShortcuts(const ShortcutNames& names, RemovalReport* report);

// The Add/Remove Programs entry, the current user's application key and every
// machine value but the Guid.
void RemoveRegistryEntries(const std::wstring& product_key, RemovalReport* report);

}  // namespace engine
