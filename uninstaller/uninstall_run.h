// The removal as the uninstaller runs it, after any question was answered: the
// order of the steps, the exit code and the listing of what stays.
#pragma once

#include "engine/uninstall/removal.h"

#include <string>
#include <vector>

// What the process returns.
enum UninstallExit : int {
    UNINSTALL_REMOVED = 0,
    UNINSTALL_BUSY = 1,             // an install or another uninstall runs
    UNINSTALL_DECLINED = 3,
    UNINSTALL_PRODUCT_RUNNING = 6,  // a program of the product could not be ended; nothing removed
    UNINSTALL_STEP_FAILED = 12,     // something of the product stays (listed)
    UNINSTALL_AT_RESTART = 13,      // removed, but files held open go at the next restart (listed)
};

struct UninstallRun {
    engine::UninstallNames names;
    // The links as the installer's other languages name them: an install made
    // in another language than this uninstaller speaks leaves those.
    std::vector<engine::ShortcutNames> other_links;
    std::wstring self;  // the running uninstaller's file
    std::wstring temp;  // where its file may go aside first
};

// Stops the product's programs (and stops there when one keeps running), moves
// the uninstaller out of the install folder, then removes the service, files,
// links and registry entries.
UninstallExit RunUninstall(const UninstallRun& run, engine::RemovalReport* report);

// One line per entry that stays, running or waits for the next restart; empty
// when the product went completely.
std::wstring DescribeLeftovers(const engine::RemovalReport& report);
