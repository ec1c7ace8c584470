// The checks around the install that talk to the user: at start-up (bitness,
// running product) and when the install starts (Windows, an earlier install,
// the folder, the free space, the location), ending in the worker's start.
#pragma once

#include <windows.h>

class CWnd_Main;

// End of the main window's initialisation; in silent mode it starts the install.
void RunStartupChecks(CWnd_Main& window);
// The install button, or silent start-up: either a message and nothing changed,
// the window closed with an exit code, or the worker running and page 1 shown.
void StartInstall(CWnd_Main& window);

// Waits up to `timeoutMs` for a started worker to end (it sends the install
// report after its last message); true when none runs any more.
bool WaitForInstallWorker(DWORD timeoutMs);
