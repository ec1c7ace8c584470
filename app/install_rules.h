// The rules the install flow decides by: versions, the running Windows, the
// install folder's shape and creation, and the free-space rule. None of them
// asks the user or knows a window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Compares up to four dot-separated parts by their leading decimal digits:
// negative when a is lower, 0 when equal, positive when higher. A fifth part is
// never compared, so "6.2.10.03" equals "6.2.10.3".
int CompareVersions(const std::wstring& a, const std::wstring& b);

// "major.minor" of the running Windows from RtlGetVersion; empty when it is missing.
std::wstring GetOsVersionString();

// Makes `path` the product's own folder with a trailing backslash: D:\Apps →
// D:\Apps\Torvane\, D:\ → D:\Torvane\; a path whose last part already is the
// executable name (any case) is kept.
void NormalizeInstallDir(std::wstring& path);

// Creates every missing folder along `path`: 0 when it created one, 1 when all
// existed, else the HRESULT of the failure (E_FAIL when Windows gave no code).
HRESULT CreateDirectoryTree(const std::wstring& path);

// What the chosen path reads as after the dot parts are resolved: a backslash
// added, at most 259 characters (PathCombineW's limit). Empty when it cannot be
// resolved.
std::wstring CanonicalInstallPath(const std::wstring& typed);

// A drive path: at least three characters, the second one ':'.
bool IsDrivePath(const std::wstring& path);

// The rule on the drive's total free bytes: at least 0.5 GiB.
bool IsEnoughFreeSpace(uint64_t totalFreeBytes);
// The rule for the drive of `path` (its root is the part before the first ':'
// followed by ":\"); a drive that cannot be asked counts as having enough.
bool HasEnoughFreeSpace(const std::wstring& path);
