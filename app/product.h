// Fixed product values and the few process-wide variables shared by the installer's
// parts. All are ready before the entry point runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

extern const std::wstring PRODUCT_KEY;        // registry key name
extern const std::wstring PRODUCT_VERSION;    // version of the packaged product
extern const std::wstring PKG_BIT;            // bitness of the packaged product, "64"

// From the string bundle.
extern const std::wstring CLIENT_NAME;        // display name, 托尔文
extern const std::wstring EXE_NAME;           // executable name, Torvane
extern const std::wstring COMPANY_NAME;
extern const std::wstring COMPANY_URL;

extern const std::wstring PAYLOAD_ARCHIVE_NAME;   // "resource.7z"
extern const std::wstring SETTINGS_FILE_NAME;     // "setting.cfg"
extern const std::wstring USERDATA_FILE_NAME;     // "temp_userdata.txt"
extern const std::wstring UPDATER_FILE_NAME;      // "updater.exe"
extern const std::wstring UNINSTALLER_FILE_NAME;  // "Uninstall.exe"
extern const std::wstring MAIN_EXE_FILE_NAME;     // EXE_NAME + ".exe"

// What the process returns.
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

class CWnd_Main;

extern bool g_bSilent;                      // "/s": no questions, no message boxes
extern int32_t g_nExitCode;                 // the entry's return value
extern CWnd_Main* g_pMainWnd;
// Set once by the UI thread when the main window closes; the worker reads it
// before every post.
extern std::atomic<int32_t> g_bMainWndClosed;
