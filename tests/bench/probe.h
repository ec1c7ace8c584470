// The installer probe: a Windows program that starts the installer, watches its
// window from outside and prints what it measured. Each job lives in its own file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "win/unique_handle.h"

namespace bench {

// The installer's main window class.
constexpr wchar_t kInstallerClass[] = L"TorvaneInstaller";

double NowMs();

struct Launched {
    win::UniqueKernelHandle process;
    DWORD pid = 0;
};
// Starts `exe` with `args` (already quoted as needed); false when it did not start.
bool Launch(const std::wstring& exe, const std::wstring& args, Launched* out);
// Waits for the process's end, at most `timeoutMs`; ends it when it overstays. Returns its exit code.
DWORD WaitExit(const Launched& launched, DWORD timeoutMs);
// The top-level window of `className` that belongs to process `pid` (hidden ones too), or null.
HWND FindProcessWindow(const wchar_t* className, DWORD pid);

// "LABEL: runs a b c ms, median M (range LO..HI)" on stdout.
void PrintSummary(const char* label, std::vector<double> values, const char* unit);

int StartCost(const std::wstring& exe, int runs);
// `exe` shows a window of the installer's class; `label` starts its lines.
// Any program whose top-level window has `className` (Wine's notepad: "Notepad").
int FirstFrame(const std::wstring& exe, int runs, const std::string& label, const wchar_t* className = kInstallerClass);
int WaitWindow(DWORD timeoutMs);
int CloseWindow(DWORD timeoutMs);
int UiLatency(const std::wstring& exe, const std::wstring& args);
int UiLatencySelfCheck();
int PayloadSize(const std::wstring& exe);
int ReplacePayload(const std::wstring& source, const std::wstring& archive, const std::wstring& target);

}  // namespace bench
