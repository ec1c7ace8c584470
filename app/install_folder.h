// The one rule for an install folder, whatever it comes from (typed, browsed,
// the current user's AppPath, the machine-wide uninstall record): every value is
// resolved once, here, before it is compared or used.
#pragma once

#include <string>

// The product folder `raw` names, as NormalizeInstallDir gives it (D:\Apps →
// D:\Apps\Torvane\), or empty when `raw` is not a valid folder: not a full drive
// path (C:rel, \\server\share, \\?\, \\.\), a part that is a device name (CON,
// NUL, COM1, LPT¹ ...) or ends in a dot or a space, a result too long for the
// product's files, or the Windows folder or anything inside it.
std::wstring ResolveInstallFolder(const std::wstring& raw);

// True when `folder` (a full path) is the Windows folder or lies inside it, by
// GetWindowsDirectoryW and GetSystemWindowsDirectoryW, ignoring case.
bool IsInWindowsFolder(const std::wstring& folder);

// Where an earlier install lives. The machine-wide uninstall record, written by
// the elevated installer, wins; the current user's AppPath, which any program of
// that user can write, counts only when there is no such record.
struct EarlierInstall {
    std::wstring recorded;  // the value as read; empty when nothing is recorded
    std::wstring folder;    // ResolveInstallFolder(recorded); empty when refused
    bool machineWide = false;
};
EarlierInstall FindEarlierInstall(const std::wstring& productKey);
