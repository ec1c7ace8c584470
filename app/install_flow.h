// The flow before the install: the start-up checks (bitness, a running product)
// and the install's start (Windows, an earlier install, the folder, the free
// space, the location, the worker). Each returns what should happen; the main
// window applies it. Questions go through the asking function the caller gives.
#pragma once

#include "engine/pipeline/install_context.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

// A skinned box: caption and button texts are string bundle ids (null for none),
// the body is the text to show.
struct FlowBox {
    const wchar_t* captionId = nullptr;
    std::wstring text;
    UINT flags = 0;
    const wchar_t* okId = nullptr;
    const wchar_t* noId = nullptr;
    bool ownedByWindow = false;  // owned by the main window, else by none
};

// Shows `box` and answers as ShowMessageBox does: 6 OK, 7 No, 8 closed.
using AskUser = std::function<int(const FlowBox& box)>;

// What the flow works on.
struct FlowInput {
    bool silent = false;          // "/s": no question is asked, every stop closes
    InstallProduct product;       // names, version and bitness of the package
    std::wstring typedPath;       // the install-path edit box's text
    InstallWindow window;         // where the worker posts
};

// Where the install goes once every check passed.
struct InstallPlan {
    std::wstring installDir;  // the product folder the worker installs into
    std::wstring earlierDir;  // an earlier install it replaces; empty when none or the same
};

// What should happen after a step of the flow. The window applies it in this
// order: the exit code, the shortcut option, the page to open, the notice, then
// `next`.
struct FlowOutcome {
    enum class Next {
        kStay,          // page 0 stays: the user may change the folder and try again
        kClose,         // the window closes with `closeResult`
        kStartInstall,  // silent start-up passed: StartInstall runs at once
        kShowProgress,  // the worker runs for `plan`; page 1 shows
    };
    Next next = Next::kStay;
    std::optional<int32_t> exitCode;  // the process's new exit code, when the step sets one
    UINT closeResult = 0;
    std::wstring openPage;            // opened in the browser as the desktop user
    std::optional<FlowBox> notice;    // shown once, nothing asked
    bool reselectShortcut = false;    // the path passed: the desktop-shortcut option is ticked again
    bool workerFailed = false;        // the install's result becomes -1
    InstallPlan plan;
};

// End of the main window's initialisation: the package's bitness and a running
// product (stopped once allowed). Silent start-up that passes goes on to the install.
FlowOutcome RunStartupChecks(const FlowInput& input, const AskUser& ask);

// StartInstall's checks and questions without the worker: stops with a refusal,
// or ends in kShowProgress with the plan the worker would be given. Repairs a
// killed run, creates the folder and ends the earlier install's updater on the way.
FlowOutcome DecideInstall(const FlowInput& input, const AskUser& ask);

// The install button, or silent start-up: DecideInstall, then the worker started
// with its context; a worker that cannot start refuses with 12.
FlowOutcome StartInstall(const FlowInput& input, const AskUser& ask);

// RunStartupChecks or StartInstall, as the window runs them.
using FlowStep = FlowOutcome (*)(const FlowInput& input, const AskUser& ask);

// Waits up to `timeoutMs` for a started worker to end (it sends the install
// report after its last message); true when none runs any more.
bool WaitForInstallWorker(DWORD timeoutMs);
