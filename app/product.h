// Fixed product values and the few process-wide variables shared by the installer's
// parts. All are ready before the entry point runs.
#pragma once

#include "app/exit_codes.h"

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

extern const std::wstring PAYLOAD_ARCHIVE_NAME;   // "resource.7z", the payload resource's name as a file
extern const std::wstring SETTINGS_FILE_NAME;     // "setting.cfg"
extern const std::wstring USERDATA_FILE_NAME;     // "temp_userdata.txt"
extern const std::wstring UPDATER_FILE_NAME;      // "updater.exe"
extern const std::wstring UNINSTALLER_FILE_NAME;  // "Uninstall.exe"
extern const std::wstring MAIN_EXE_FILE_NAME;     // EXE_NAME + ".exe"

class CWnd_Main;

extern bool g_bSilent;                      // "/s": no questions, no message boxes
extern int32_t g_nExitCode;                 // the entry's return value
extern CWnd_Main* g_pMainWnd;
// Set once by the UI thread when the main window closes; the worker reads it
// before every post.
extern std::atomic<int32_t> g_bMainWndClosed;
