// What the installer's process returns, and what each code means. The meanings
// stand here once: scripts/run.sh prints the brief one and README.md's table
// gives the full one, and a test holds both to this list.
#pragma once

#include <cstdint>

enum ExitCode : int32_t {
    EXIT_INSTALLED = 0,
    EXIT_ALREADY_RUNNING = 1,
    EXIT_MUTEX_FAILED = 2,
    EXIT_USER_CLOSED = 3,
    EXIT_WINDOWS_TOO_OLD = 4,
    EXIT_BITNESS_MISMATCH = 5,
    EXIT_DECLINED_STOP_PRODUCT = 6,
    EXIT_DECLINED_OTHER_BITNESS = 7,
    EXIT_DECLINED_DOWNGRADE = 8,
    EXIT_SILENT_BAD_PATH = 9,
    EXIT_SILENT_CREATE_FOLDER_FAILED = 10,
    EXIT_SILENT_LOW_SPACE = 11,
    EXIT_INSTALL_FAILED = 12,
};

struct ExitCodeMeaning {
    ExitCode code;
    const char* brief;  // a line of scripts/run.sh's output
    const char* full;   // a row of README.md's table (Markdown)
};

// Every code once, in order.
constexpr ExitCodeMeaning kExitCodeMeanings[] = {
    {EXIT_INSTALLED, "installed",
     "installed (also: closed before anything else set a code, e.g. by Alt+F4)"},
    {EXIT_ALREADY_RUNNING, "another installer is running",
     "another installer is running (the mutex \"Torvane安装程序\" exists), or the skin could not load "
     "(silent: no box); nothing shown"},
    {EXIT_MUTEX_FAILED, "the single-instance mutex could not be created",
     "the single-instance mutex could not be created"},
    {EXIT_USER_CLOSED, "closed by the user before the install",
     "the user closed the window before the install ended"},
    {EXIT_WINDOWS_TOO_OLD, "Windows older than 7", "Windows older than 7"},
    {EXIT_BITNESS_MISMATCH, "the package's bitness does not fit Windows",
     "the package is for 64-bit Windows and this one is 32-bit"},
    {EXIT_DECLINED_STOP_PRODUCT, "the user declined to stop the running product",
     "the product is running and the user declined to stop it"},
    {EXIT_DECLINED_OTHER_BITNESS, "the user declined to replace an install of the other bitness",
     "the user declined to replace an install of the other bitness"},
    {EXIT_DECLINED_DOWNGRADE, "the user declined to install over a newer version",
     "the user declined to install over a newer version"},
    {EXIT_SILENT_BAD_PATH, "silent: the install path is not a drive path",
     "silent: the install folder is not valid (not a full drive path; a device name, a part ending in a dot or "
     "space, or inside the Windows folder)"},
    {EXIT_SILENT_CREATE_FOLDER_FAILED, "silent: the install folder could not be created",
     "silent: the install folder could not be created"},
    {EXIT_SILENT_LOW_SPACE, "silent: less than 0.5 GiB free", "silent: less than 0.5 GiB free on the install drive"},
    {EXIT_INSTALL_FAILED, "the install failed",
     "the install worker failed to start, or the install failed: the earlier install, its registry values, links "
     "and service are put back as they were; silent: COM or the main window could not start"},
};

constexpr bool ExitCodesStandInOrder() {
    int32_t expected = 0;
    for (const ExitCodeMeaning& row : kExitCodeMeanings)
        if (row.code != expected++) return false;
    return expected == EXIT_INSTALL_FAILED + 1;
}
static_assert(ExitCodesStandInOrder(), "every exit code once, in order");
