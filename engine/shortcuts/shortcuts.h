// Shell shortcuts to the installed product: the start-menu folder with the product
// and the uninstaller, the quick-launch shortcut and the desktop shortcut. All go
// through CreateShortcut; the caller has initialised COM unless said otherwise.
#pragma once

#include <string>

namespace engine {

// Writes folder\file_name as a link to target, working directory = the target's
// folder, SW_SHOWNORMAL, the description when one is given (nullptr: none). An
// empty target is this executable; an empty file name is the target's name with
// its last three characters replaced by "lnk". An existing link is replaced.
bool CreateShortcut(const std::wstring& file_name, const std::wstring& target, const wchar_t* description,
                    const std::wstring& folder);

// Shell folders, without a trailing backslash; empty when the lookup fails.
std::wstring CommonProgramsFolder();
std::wstring QuickLaunchFolder();  // application data + "\Microsoft\Internet Explorer\Quick Launch"
std::wstring CommonDesktopFolder();

struct ShortcutNames {
    std::wstring client_name;     // link names and start-menu folder
    std::wstring exe_name;        // main executable without ".exe"
    std::wstring uninstall_text;  // prefix of the uninstaller's link name
};

// Common programs\<client>\ with <client>.lnk and <uninstall><client>.lnk.
bool CreateStartMenuShortcuts(const std::wstring& install_folder, const ShortcutNames& names);
// <client>.lnk in the quick-launch folder.
bool CreateQuickLaunchShortcut(const std::wstring& install_folder, const ShortcutNames& names);

// What the main window knows when it may leave a desktop shortcut behind.
struct DesktopShortcutState {
    int install_result = -1;         // the worker's result; 0 is success
    bool finished_page_shown = false;
    bool shortcut_option_selected = false;
    std::wstring install_folder;     // ends in a backslash
};

// Replaces <client>.lnk on the common desktop when the install succeeded, the
// finished page shows, the main executable exists and the option is selected.
// Initialises COM itself. True when a shortcut was made.
bool CreateDesktopShortcut(const DesktopShortcutState& state, const ShortcutNames& names,
                           const std::wstring& comment);

// Removal, for the uninstaller: the links the functions above make, by name. Each
// is true when none of its links is left (also when there was none); the
// start-menu folder goes too when nothing else is in it.
bool RemoveStartMenuShortcuts(const ShortcutNames& names);
bool RemoveQuickLaunchShortcut(const ShortcutNames& names);
bool RemoveDesktopShortcut(const ShortcutNames& names);

}  // namespace engine
