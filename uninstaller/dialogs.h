// The uninstaller's questions and answers, in the installer's skinned message box.
#pragma once

#include "uninstaller/uninstall_run.h"

#include <windows.h>

#include <string>

// Loads the skin archive from the executable's resources; false when it is missing.
bool LoadUninstallerSkin(HINSTANCE instance);

// 卸载托尔文 with 确定 and 取消: true only for 确定.
bool ConfirmUninstall();

// What came of it, with the paths that stay or wait for the restart.
void ShowUninstallResult(UninstallExit code, const engine::RemovalReport& report);
