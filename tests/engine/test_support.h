// Shared by the engine tests: a fresh folder per test, files, processes, and the
// Unix side of Wine where a test needs it.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace testing_support {

// C:\torvane-tests\<suite>\<test>\ (emptied first), from the running gtest case.
std::wstring FreshTestFolder();
// Removes a folder tree; reparse points are unlinked, never followed.
void RemoveTree(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
// Every file (relative path -> bytes) and folder (relative path + "\\" -> "")
// below `folder`, for comparing a tree before and after.
std::map<std::wstring, std::string> FolderContents(const std::wstring& folder);
// The names in a folder, without "." and "..": for "nothing was added or removed".
std::vector<std::wstring> Listing(const std::wstring& folder);
// A stand-in product executable from the build, by file name ("Torvane.exe").
std::wstring ProductExe(const std::wstring& file_name);
// Copies it to `to`, creating the folders.
bool CopyProductExe(const std::wstring& file_name, const std::wstring& to);

// Starts a program and returns its process handle (caller closes), or nullptr.
HANDLE StartProgram(const std::wstring& exe);
bool IsRunning(HANDLE process);

// Unix path of a Windows path (Wine only), empty when there is none.
std::string UnixPath(const std::wstring& path);
// Makes `link` a Unix symbolic link to an existing `target` from the Linux side;
// Wine shows one to a folder as a reparse point. False when that is not possible
// here.
bool MakeUnixSymlink(const std::wstring& target, const std::wstring& link);
// Removes a directory entry from the Unix side, a link itself and not its target.
bool RemoveUnixEntry(const std::wstring& path);

}  // namespace testing_support
