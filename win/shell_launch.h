// Starting a program or opening a web page as the signed-in user: an elevated
// process asks the desktop shell (explorer, which runs with the user's own
// token) to start it, and only where there is no shell window falls back to
// starting it itself with ShellExecuteW.
#pragma once

#include <windows.h>

#include <string>

namespace win {

enum class LaunchRoute {
    DesktopShell,  // IShellDispatch2::ShellExecute of the desktop's shell view
    Direct,        // ShellExecuteW from this process
    Failed,        // neither started it
};

// "open" on `file` (a program, a document or a URL) with `args` and current
// folder `folder` (both may be empty) and ShowWindow code `show`. Needs COM on
// the calling thread for the desktop shell; without it the fallback runs.
LaunchRoute OpenAsDesktopUser(const std::wstring& file, const std::wstring& args, const std::wstring& folder,
                              int show);

// The desktop shell route alone: an HRESULT of the first step that failed.
HRESULT OpenThroughDesktopShell(const std::wstring& file, const std::wstring& args, const std::wstring& folder,
                                int show);

}  // namespace win
