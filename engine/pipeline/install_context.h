// The install context: made by the main window on the heap, the worker's only
// argument, handed back in WM_INSTALL_FINISHED, then freed by the window.
#pragma once

#include "engine/progress/install_messages.h"
#include "engine/registry/registry_records.h"
#include "engine/shortcuts/shortcuts.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// Names and texts the worker needs from the application (string bundle and product
// constants); the engine does not read them itself.
struct InstallProduct {
    engine::ProductNames names;
    std::wstring version;               // PRODUCT_VERSION
    std::wstring uninstallText;         // UNINSTALL, before the uninstaller's link name
    std::wstring extractingText;        // INSTALL_1_TEXT, before each unpacked path
    std::wstring installingText;        // INSTALL_2_TEXT
    std::wstring startMenuStageText;    // INSTALL_CREATE_STARTMENU_SHORTCUT_TEXT
    // The links an install in another language makes: an earlier install's go
    // once this one has committed.
    std::vector<engine::ShortcutNames> otherLanguagesLinks;
};

struct InstallContext {
    uint8_t startMenu = 1;
    uint8_t quickLaunch = 0;
    std::wstring installDir;   // absolute, ends in a backslash
    std::wstring earlierDir;   // empty, or an earlier installation to remove first
    int32_t result = 0;        // 0, -1 payload unreadable, or the extraction's code
    std::wstring lastStage;    // set when the payload cannot be read
    InstallProduct product;
    InstallWindow window;      // where progress, status and the end are posted
    // Where the payload comes from: resource "7Z" 101 of this module, unless a
    // file is named (the headless driver's --payload).
    std::wstring payloadFile;

    // The main window's own fields.
    bool started = false;
};

// Rolls back (or finishes) an install that was killed, as the worker's first
// step does; true when nothing is left to repair.
bool RepairInterruptedInstall(const InstallProduct& product);

// The worker thread (start with _beginthreadex); returns the result code.
unsigned __stdcall InstallThreadProc(void* context);
