#include "engine/services/processes.h"

#include "win/path.h"
#include "win/unique_handle.h"
#include "tests/engine/test_support.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <vector>

using namespace engine;
using namespace testing_support;

namespace {

using win::UniqueKernelHandle;

UniqueKernelHandle Start(const std::wstring& exe) {
    UniqueKernelHandle process(StartProgram(exe));
    EXPECT_TRUE(process) << "could not start a copy";
    return process;
}

DWORD ExitCodeOf(HANDLE process) {
    DWORD code = 0;
    ::GetExitCodeProcess(process, &code);
    return code;
}

void End(const UniqueKernelHandle& process) {
    if (process && IsRunning(process.get())) {
        ::TerminateProcess(process.get(), 0);
        ::WaitForSingleObject(process.get(), 4000);
    }
}

std::wstring Upper(std::wstring s) {
    std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
    return s;
}

const std::vector<std::wstring> kProductPrograms{L"Torvane.exe", L"updater.exe", L"Uninstall.exe",
                                                  L"TorvaneService.exe"};

}  // namespace

TEST(StopProcessesInFolder, EndsEveryCopyDirectlyInTheFolderButNotInSubFolders) {
    const std::wstring folder = FreshTestFolder() + L"Torvane\\";
    ASSERT_TRUE(CopyProductExe(L"updater.exe", folder + L"Torvane.exe"));
    ASSERT_TRUE(CopyProductExe(L"updater.exe", folder + L"updater.exe"));
    ASSERT_TRUE(CopyProductExe(L"updater.exe", folder + L"sub\\Torvane.exe"));
    const UniqueKernelHandle first = Start(folder + L"Torvane.exe");
    const UniqueKernelHandle second = Start(folder + L"Torvane.exe");
    const UniqueKernelHandle updater = Start(folder + L"updater.exe");
    const UniqueKernelHandle nested = Start(folder + L"sub\\Torvane.exe");
    ASSERT_TRUE(first && second && updater && nested);
    ::Sleep(300);

    EXPECT_TRUE(StopProcessesInFolder(Upper(folder), kProductPrograms));
    for (const UniqueKernelHandle* p : {&first, &second, &updater}) {
        EXPECT_FALSE(IsRunning(p->get()));
        EXPECT_EQ(ExitCodeOf(p->get()), 0xFFFFFFFFu);
    }
    EXPECT_TRUE(IsRunning(nested.get()));
    End(nested);
}

// The product is 64-bit: its processes must be found from this 32-bit program.
TEST(StopProcessesInFolder, Ends64BitProcesses) {
    const std::wstring folder = FreshTestFolder() + L"Torvane\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileW(L"C:\\windows\\sysnative\\notepad.exe", (folder + L"Torvane.exe").c_str(), FALSE));
    const UniqueKernelHandle process = Start(folder + L"Torvane.exe");
    ASSERT_TRUE(process);
    ::Sleep(500);
    ASSERT_TRUE(IsRunning(process.get()));
    BOOL wow64 = TRUE;
    ASSERT_TRUE(::IsWow64Process(process.get(), &wow64));
    EXPECT_FALSE(wow64);

    EXPECT_TRUE(StopProcessesInFolder(folder, kProductPrograms));
    EXPECT_FALSE(IsRunning(process.get()));
    End(process);
}

TEST(FindProcess, ByNameIgnoresCase) {
    const std::wstring exe = FreshTestFolder() + L"TvFindByName.exe";
    ASSERT_TRUE(CopyProductExe(L"updater.exe", exe));
    DWORD pid = 0;
    EXPECT_FALSE(FindProcessByName(L"TvFindByName.exe", &pid));
    const UniqueKernelHandle process = Start(exe);
    ASSERT_TRUE(process);
    ASSERT_TRUE(FindProcessByName(L"tvfindbyNAME.EXE", &pid));
    EXPECT_EQ(pid, ::GetProcessId(process.get()));
    EXPECT_FALSE(FindProcessByName(L"TvFindByName", &pid));
    End(process);
}

TEST(FindProcess, ByPathTakesTheLastMatchAndComparesTheFullPathIgnoringCase) {
    const std::wstring folder = FreshTestFolder();
    const std::wstring a = folder + L"a\\TvFindByPath.exe", b = folder + L"b\\TvFindByPath.exe";
    ASSERT_TRUE(CopyProductExe(L"updater.exe", a));
    ASSERT_TRUE(CopyProductExe(L"updater.exe", b));
    const UniqueKernelHandle pa = Start(a);
    const UniqueKernelHandle pb = Start(b);
    ASSERT_TRUE(pa && pb);

    // Which copy the snapshot lists last is the system's choice; find out.
    DWORD last = 0;
    {
        win::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        ASSERT_TRUE(snapshot);
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof(entry);
        for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
             more = ::Process32NextW(snapshot.get(), &entry))
            if (win::EqualsNoCase(entry.szExeFile, L"TvFindByPath.exe")) last = entry.th32ProcessID;
    }
    const bool b_last = last == ::GetProcessId(pb.get());
    ASSERT_TRUE(b_last || last == ::GetProcessId(pa.get()));
    const std::wstring& last_path = b_last ? b : a;
    const std::wstring& first_path = b_last ? a : b;

    DWORD pid = 0;
    ASSERT_TRUE(FindProcessByPath(L"tvfindbypath.exe", Upper(last_path), &pid));
    EXPECT_EQ(pid, last);
    pid = 0;
    EXPECT_FALSE(FindProcessByPath(L"TvFindByPath.exe", first_path, &pid));
    EXPECT_FALSE(FindProcessByPath(L"TvFindByPath.exe", win::FolderOf(last_path), &pid));
    EXPECT_EQ(pid, 0u);
    End(pa);
    End(pb);
    EXPECT_FALSE(FindProcessByPath(L"TvFindByPath.exe", last_path, &pid));
}

// Ends its process when the test leaves, also through a failed assertion: a copy
// left running would keep the test's output open and its folder in use.
struct Running {
    explicit Running(const std::wstring& exe) : process(Start(exe)) {}
    ~Running() { End(process); }
    UniqueKernelHandle process;
};

// A program of somebody else's in the folder, or one of the product's names run
// from elsewhere, survives; the product's own program there is ended.
TEST(StopProcessesInFolder, EndsOnlyTheNamedProgramsOfThatFolder) {
    const std::wstring base = FreshTestFolder();
    const std::wstring folder = base + L"victim\\";
    ASSERT_TRUE(CopyProductExe(L"updater.exe", folder + L"v.exe"));
    ASSERT_TRUE(CopyProductExe(L"updater.exe", folder + L"Torvane.exe"));
    ASSERT_TRUE(CopyProductExe(L"updater.exe", base + L"other\\Torvane.exe"));
    const Running foreign(folder + L"v.exe");
    const Running product(folder + L"Torvane.exe");
    const Running elsewhere(base + L"other\\Torvane.exe");
    ASSERT_TRUE(foreign.process && product.process && elsewhere.process);

    EXPECT_TRUE(StopProcessesInFolder(folder, {L"TORVANE.EXE", L"updater.exe"}));
    EXPECT_FALSE(IsRunning(product.process.get()));
    EXPECT_TRUE(IsRunning(foreign.process.get()));
    EXPECT_TRUE(IsRunning(elsewhere.process.get()));

    // No names, nothing ended.
    EXPECT_TRUE(StopProcessesInFolder(folder, {}));
    EXPECT_TRUE(IsRunning(foreign.process.get()));
}

namespace {

struct WindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK TakeWindowOfProcess(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    // Not the IME window every GUI thread also has.
    if (owner != search->pid || std::wstring(name) != L"Qt5152QWindowIcon") return TRUE;
    search->found = window;
    return FALSE;
}

// The product window of process `pid`, once it has one (up to 30 s: the
// program may start slowly under an emulator).
HWND WaitForWindowOf(DWORD pid) {
    WindowSearch search{pid, nullptr};
    for (const DWORD deadline = ::GetTickCount() + 30000; !search.found && ::GetTickCount() < deadline;) {
        ::EnumWindows(TakeWindowOfProcess, reinterpret_cast<LPARAM>(&search));
        if (!search.found) ::Sleep(50);
    }
    return search.found;
}

}  // namespace

// A program asked to quit is given its grace and quits by itself; one that does
// not is ended with 0xFFFFFFFF.
TEST(EndProcess, LeavesTheGraceToQuitThenEnds) {
    const std::wstring folder = FreshTestFolder();
    ASSERT_TRUE(CopyProductExe(L"Torvane.exe", folder + L"TvQuits.exe"));  // quits on 0x4C8
    ASSERT_TRUE(CopyProductExe(L"updater.exe", folder + L"TvStays.exe"));  // never quits
    const Running quits(folder + L"TvQuits.exe");
    const Running stays(folder + L"TvStays.exe");
    ASSERT_TRUE(quits.process && stays.process);

    const HWND window = WaitForWindowOf(::GetProcessId(quits.process.get()));
    ASSERT_TRUE(window);
    const UniqueKernelHandle opened = OpenProcessToEnd(::GetProcessId(quits.process.get()));
    ASSERT_TRUE(opened);
    ::PostMessageW(window, 0x4C8, 0, 0);
    EXPECT_TRUE(EndProcess(opened.get(), 30000, 30000));
    EXPECT_FALSE(IsRunning(quits.process.get()));
    EXPECT_EQ(ExitCodeOf(quits.process.get()), 0u) << "ended although it was quitting";

    EXPECT_TRUE(EndProcess(OpenProcessToEnd(::GetProcessId(stays.process.get())).get(), 0, 30000));
    EXPECT_FALSE(IsRunning(stays.process.get()));
    EXPECT_EQ(ExitCodeOf(stays.process.get()), 0xFFFFFFFFu);

    EXPECT_FALSE(EndProcess(nullptr, 0, 0));
}
