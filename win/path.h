// Path helpers shared by the engine steps; plain string work, no file-system access
// unless the name says so.
#pragma once

#include <string>

namespace win {

// a + "\" + b, with no doubled separator; an empty a gives b alone.
std::wstring JoinPath(const std::wstring& a, const std::wstring& b);
// The folder part up to and including the last "\" (or "/" when there is no "\").
std::wstring FolderOf(const std::wstring& path);
// The part after the last "\" or "/".
std::wstring FileNameOf(const std::wstring& path);
std::wstring WithTrailingBackslash(std::wstring path);
// Drops trailing separators, keeping a drive root's ("C:\").
std::wstring WithoutTrailingSeparators(std::wstring path);
bool IsPathSeparator(wchar_t c);  // "\" or "/"
// True when the path, joined to a folder, names something inside that folder: not
// rooted or UNC, no ":" (drive, stream), no component Windows reads as ".." (such
// as "..", ".. " or "..."), and no device name (CON, NUL, COM1, ...). Empty is
// the folder itself.
bool IsContainedRelativePath(const std::wstring& path);
// A name Win32 opens as a device in any folder, with or without an extension:
// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM0-9 and LPT0-9 (also with the
// superscript digits), any case, trailing spaces before the extension ignored.
bool IsDeviceName(std::wstring name);
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
// A key under which names that EqualsNoCase finds equal are one (upper case).
std::wstring NoCaseKey(std::wstring text);

std::wstring TempFolder();           // GetTempPathW with a trailing backslash; empty on failure
std::wstring ModulePath();           // full path of the running executable
bool FileExists(const std::wstring& path);
// Creates every missing folder along the path (each prefix ending before a "\" or
// "/", and the whole path); stops at the first failure.
bool CreateFolderTree(const std::wstring& folder);

}  // namespace win
