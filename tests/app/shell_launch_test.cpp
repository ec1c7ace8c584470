// Starting a program as the desktop's user: the route taken, the started
// process's parent and its current folder, seen by a probe program that reports
// them. Prints what the desktop shell route did here (under Wine it may not exist).
#include "win/shell_launch.h"

#include "win/com.h"
#include "win/path.h"
#include "win/text.h"
#include "win/unique_handle.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <string>
#include <thread>

namespace {

struct ProbeReport {
    DWORD parent = 0;
    std::wstring folder;
};

std::wstring ProbeExe() { return win::FolderOf(win::ModulePath()) + L"parent_probe.exe"; }

// A fresh folder of the test's own; the probe's report is written into it.
class LaunchFolder {
public:
    LaunchFolder() {
        static int counter = 0;
        path_ = win::TempFolder() + L"torvane-launch-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter) + L"\\";
        ::CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~LaunchFolder() {
        ::DeleteFileW(Report().c_str());
        ::RemoveDirectoryW(path_.c_str());
    }
    const std::wstring& path() const { return path_; }
    std::wstring Report() const { return path_ + L"report.txt"; }

private:
    std::wstring path_;
};

// Polls for the report with a deadline generous enough for emulated i386 code.
bool WaitForReport(const std::wstring& path, ProbeReport* report, DWORD timeoutMs = 60000) {
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    do {
        win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                           nullptr));
        if (file) {
            char buffer[1024] = {};
            DWORD got = 0;
            ::ReadFile(file.get(), buffer, sizeof(buffer) - 1, &got, nullptr);
            const std::string text(buffer, got);
            const size_t first = text.find('\n');
            const size_t second = text.find('\n', first + 1);
            if (first == std::string::npos || second == std::string::npos) return false;
            report->parent = std::stoul(text.substr(0, first));
            report->folder = win::Utf8ToWide(text.substr(first + 1, second - first - 1));
            return true;
        }
        ::Sleep(100);
    } while (::GetTickCount64() < end);
    return false;
}

std::wstring ProcessName(DWORD pid) {
    win::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = snapshot ? ::Process32FirstW(snapshot.get(), &entry) : FALSE; more;
         more = ::Process32NextW(snapshot.get(), &entry))
        if (entry.th32ProcessID == pid) return entry.szExeFile;
    return L"(gone)";
}

const char* RouteName(win::LaunchRoute route) {
    switch (route) {
    case win::LaunchRoute::DesktopShell: return "desktop shell";
    case win::LaunchRoute::Direct: return "ShellExecuteW";
    case win::LaunchRoute::Failed: break;
    }
    return "failed";
}

std::wstring WithoutSeparator(const std::wstring& folder) { return folder.substr(0, folder.size() - 1); }

}  // namespace

TEST(ShellLaunch, StartsTheProgramInItsFolderAndTheParentMatchesTheRoute) {
    win::ScopedCoInit com;
    ASSERT_TRUE(com.ok());
    LaunchFolder folder;
    const HRESULT shellResult =
        win::OpenThroughDesktopShell(ProbeExe(), L"\"" + folder.Report() + L"\"", folder.path(), SW_HIDE);
    ProbeReport report;
    win::LaunchRoute route = win::LaunchRoute::DesktopShell;
    if (FAILED(shellResult)) {
        route = win::OpenAsDesktopUser(ProbeExe(), L"\"" + folder.Report() + L"\"", folder.path(), SW_HIDE);
        ASSERT_EQ(route, win::LaunchRoute::Direct);
    }
    ASSERT_TRUE(WaitForReport(folder.Report(), &report)) << "the probe did not run";
    std::printf("desktop shell route: 0x%08lX; ran by %s; parent %lu (%s), this process %lu\n",
                static_cast<unsigned long>(shellResult), RouteName(route), report.parent,
                win::WideToUtf8(ProcessName(report.parent)).c_str(), ::GetCurrentProcessId());
    EXPECT_TRUE(win::EqualsNoCase(report.folder, WithoutSeparator(folder.path())) ||
                win::EqualsNoCase(report.folder, folder.path()))
        << win::WideToUtf8(report.folder);
    if (route == win::LaunchRoute::DesktopShell)
        EXPECT_NE(report.parent, ::GetCurrentProcessId()) << "the shell route must not start it from here";
    else
        EXPECT_EQ(report.parent, ::GetCurrentProcessId());
}

TEST(ShellLaunch, WithoutTheShellItFallsBackToStartingItHere) {
    // A thread without COM cannot reach the desktop shell at all.
    LaunchFolder folder;
    win::LaunchRoute route = win::LaunchRoute::DesktopShell;
    HRESULT shellResult = S_OK;
    std::thread bare([&] {
        shellResult = win::OpenThroughDesktopShell(ProbeExe(), L"", folder.path(), SW_HIDE);
        route = win::OpenAsDesktopUser(ProbeExe(), L"\"" + folder.Report() + L"\"", folder.path(), SW_HIDE);
    });
    bare.join();
    EXPECT_TRUE(FAILED(shellResult));
    ASSERT_EQ(route, win::LaunchRoute::Direct);
    ProbeReport report;
    ASSERT_TRUE(WaitForReport(folder.Report(), &report)) << "the probe did not run";
    EXPECT_EQ(report.parent, ::GetCurrentProcessId());
    EXPECT_TRUE(win::EqualsNoCase(report.folder, WithoutSeparator(folder.path())) ||
                win::EqualsNoCase(report.folder, folder.path()));

    LaunchFolder nothing;
    EXPECT_EQ(win::OpenAsDesktopUser(nothing.path() + L"missing.exe", L"", L"", SW_HIDE), win::LaunchRoute::Failed);
}
