// The whole install without a window: the real worker in headless-install.exe,
// against the prefix's registry, shell, service manager and a report server on
// loopback. The tests share the product's key and service, so they run serially.
#include "engine/record/install_record.h"
#include "engine/registry/registry_records.h"
#include "engine/services/service.h"
#include "engine/shortcuts/shortcuts.h"
#include "engine/update/journal.h"
#include "win/com.h"
#include "win/registry.h"
#include "win/path.h"
#include "win/text.h"
#include "win/unique_handle.h"
#include "tests/engine/test_support.h"
#include "tests/report/loopback_server.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using testing_support::DecodeTransportText;
using testing_support::LoopbackHttpServer;

std::wstring WindowsPathOf(const char* unixPath) {
    std::wstring p = L"Z:" + win::Utf8ToWide(unixPath);
    for (auto& c : p) if (c == L'/') c = L'\\';
    return p;
}

struct HeadlessRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::vector<std::string> lines;
    std::vector<std::string> debugLines;  // OutputDebugString texts, when run under the debugger
};

// How the driver is started: by default as a plain child of this test.
struct HeadlessStart {
    const wchar_t* environment = nullptr;  // a Unicode block, or this process's
    const wchar_t* currentFolder = nullptr;
    bool debug = false;                    // collect its debugger output
    size_t killAfterLines = 0;             // ended by TerminateProcess once it printed this many lines
};

constexpr DWORD kKilledExitCode = 0xDEAD;

std::string ReadDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
    const size_t unit = info.fUnicode ? 2 : 1;
    std::string bytes(static_cast<size_t>(info.nDebugStringLength) * unit, '\0');
    SIZE_T read = 0;
    if (bytes.empty() || !::ReadProcessMemory(process, info.lpDebugStringData, &bytes[0], bytes.size(), &read))
        return {};
    bytes.resize(read);
    std::string text = info.fUnicode
        ? win::WideToUtf8(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2))
        : bytes;
    while (!text.empty() && (text.back() == '\0' || text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

// Answers the debug events of a debugged driver until it has exited; false on timeout.
bool RunDebugLoop(HANDLE process, std::vector<std::string>& debugLines, const std::function<void()>& drain,
                  ULONGLONG deadline) {
    for (;;) {
        drain();
        DEBUG_EVENT event{};
        if (!::WaitForDebugEvent(&event, 50)) {
            if (::GetTickCount64() > deadline) return false;
            continue;
        }
        DWORD status = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (event.u.CreateProcessInfo.hFile) ::CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (event.u.LoadDll.hFile) ::CloseHandle(event.u.LoadDll.hFile);
            break;
        case OUTPUT_DEBUG_STRING_EVENT:
            debugLines.push_back(ReadDebugString(process, event.u.DebugString));
            break;
        case EXCEPTION_DEBUG_EVENT:
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT)
                status = DBG_EXCEPTION_NOT_HANDLED;
            break;
        default:
            break;
        }
        ::ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) return true;
    }
}

HeadlessRun RunHeadless(const std::wstring& args, const HeadlessStart& start = {}) {
    HeadlessRun run;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    win::UniqueKernelHandle readEnd, writeEnd;
    if (!::CreatePipe(readEnd.put(), writeEnd.put(), &sa, 0)) return run;
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd.get();
    si.hStdError = writeEnd.get();
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    std::wstring cmd = L"\"" + WindowsPathOf(TORVANE_HEADLESS_EXE) + L"\" " + args;
    PROCESS_INFORMATION pi{};
    const DWORD flags = CREATE_UNICODE_ENVIRONMENT | (start.debug ? DEBUG_ONLY_THIS_PROCESS : 0);
    if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, flags, const_cast<wchar_t*>(start.environment),
                          start.currentFolder, &si, &pi))
        return run;
    win::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
    writeEnd.reset();
    // Read until the driver has ended and its output is drained, not until end of
    // file: a process it starts (Wine's desktop, say) may inherit the pipe.
    std::string out;
    char buf[4096];
    auto drain = [&] {
        DWORD available = 0, n = 0;
        while (::PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
               ::ReadFile(readEnd.get(), buf, sizeof buf, &n, nullptr) && n > 0)
            out.append(buf, n);
    };
    const ULONGLONG deadline = ::GetTickCount64() + 600000;  // a large payload under a slow machine
    if (start.debug) RunDebugLoop(process.get(), run.debugLines, drain, deadline);
    while (::WaitForSingleObject(process.get(), 20) != WAIT_OBJECT_0 && ::GetTickCount64() < deadline) {
        drain();
        if (start.killAfterLines && static_cast<size_t>(std::count(out.begin(), out.end(), '\n')) >= start.killAfterLines) {
            ::TerminateProcess(process.get(), kKilledExitCode);
            ::WaitForSingleObject(process.get(), 60000);
        }
    }
    drain();
    ::GetExitCodeProcess(process.get(), &run.exitCode);
    size_t begin = 0;
    for (size_t nl; (nl = out.find('\n', begin)) != std::string::npos; begin = nl + 1)
        run.lines.push_back(out.substr(begin, nl - begin));
    return run;
}

std::vector<int> Percents(const HeadlessRun& run) {
    std::vector<int> p;
    for (const auto& l : run.lines)
        if (l.rfind("progress ", 0) == 0) p.push_back(std::stoi(l.substr(9)));
    return p;
}

std::wstring ServiceBinaryPath() {
    win::UniqueService scm(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    win::UniqueService svc(::OpenServiceW(scm.get(), L"TorvaneService", SERVICE_QUERY_CONFIG));
    if (!svc) return {};
    DWORD needed = 0;
    ::QueryServiceConfigW(svc.get(), nullptr, 0, &needed);
    std::vector<BYTE> buf(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buf.data());
    if (!::QueryServiceConfigW(svc.get(), config, needed, &needed)) return {};
    return config->lpBinaryPathName;
}

size_t LinksIn(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    win::UniqueFind find(::FindFirstFileW((folder + L"*.lnk").c_str(), &data));
    if (!find) return 0;
    size_t count = 0;
    do ++count; while (::FindNextFileW(find.get(), &data));
    return count;
}

const wchar_t* const kPayloadFiles[] = {L"Torvane.exe", L"updater.exe", L"Uninstall.exe", L"TorvaneService.exe",
                                        L"plugins\\mirror.dat", L"resources\\readme.txt"};

TEST(HeadlessInstall, FirstInstallLeavesEverythingAndReportsOnce) {
    LoopbackHttpServer server(18731);
    ASSERT_TRUE(server.listening());
    // Where a user's first install goes; the fixture's prefix has never held it.
    const std::wstring dir = L"C:\\Program Files\\Torvane\\";
    testing_support::RemoveTree(dir);
    const HeadlessRun run = RunHeadless(L"\"" + dir.substr(0, dir.size() - 1) + L"\"");  // the driver adds the backslash
    ASSERT_EQ(0u, run.exitCode);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ("result 0", run.lines.back());

    const std::vector<int> p = Percents(run);
    ASSERT_GE(p.size(), 5u);
    EXPECT_EQ(5, p[0]);
    EXPECT_EQ(10, p[1]);
    EXPECT_EQ(70, p[p.size() - 4]);
    EXPECT_EQ((std::vector<int>{75, 80, 100}), std::vector<int>(p.end() - 3, p.end()));

    for (const wchar_t* f : kPayloadFiles) EXPECT_TRUE(win::FileExists(dir + f)) << win::WideToUtf8(f);
    engine::InstallRecord record;
    ASSERT_TRUE(engine::ReadInstallRecord(dir + L"Uninstall.xml", &record));
    EXPECT_EQ(7u, record.files.size());
    EXPECT_EQ(dir + L"Torvane.exe", record.files.front().substr(0, dir.size() + 11));
    EXPECT_EQ("700001", testing_support::ReadFileBytes(dir + L"source.dat"));
    EXPECT_FALSE(win::FileExists(win::TempFolder() + L"resource.7z"));

    EXPECT_EQ(dir, engine::ReadAppPath(L"Torvane3"));
    EXPECT_EQ(L"6.2.10.03", engine::ReadDisplayVersion(L"Torvane3"));
    EXPECT_EQ(L"\"" + dir + L"TorvaneService.exe\"", ServiceBinaryPath());
    const std::wstring startMenu = engine::CommonProgramsFolder() + L"\\托尔文\\";
    EXPECT_TRUE(win::FileExists(startMenu + L"托尔文.lnk"));
    EXPECT_EQ(2u, LinksIn(startMenu));

    const auto requests = server.requests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("/log/info/uploadLog.go?type=2", requests[0].target);
    EXPECT_EQ("ZELKHTTP 5.0", requests[0].userAgent);
    EXPECT_EQ("text/plain", requests[0].contentType);
    const std::string json = DecodeTransportText(requests[0].body);
    EXPECT_NE(std::string::npos, json.find(R"("success":"1")")) << json;
    EXPECT_NE(std::string::npos, json.find(R"("instname":"headless-install.exe")")) << json;
    std::wstring guid;
    ASSERT_TRUE(engine::ReadGuid(L"Torvane3", &guid));
    EXPECT_NE(std::string::npos, json.find("\"pcguid\":\"" + win::WideToUtf8(guid) + "\"")) << json;

    // A reinstall over it removes what the record lists before unpacking afresh.
    ASSERT_TRUE(testing_support::WriteFileBytes(dir + L"stale.dll", "old"));
    record.files.push_back(dir + L"stale.dll");
    ASSERT_TRUE(engine::WriteInstallRecord(dir + L"Uninstall.xml", record.files, record.dirs));
    const std::wstring quoted = L"\"" + dir.substr(0, dir.size() - 1) + L"\"";  // a trailing backslash would escape the quote
    const HeadlessRun again = RunHeadless(L"--earlier " + quoted + L" " + quoted);
    EXPECT_EQ(0u, again.exitCode);
    EXPECT_FALSE(win::FileExists(dir + L"stale.dll"));
    for (const wchar_t* f : kPayloadFiles) EXPECT_TRUE(win::FileExists(dir + f)) << win::WideToUtf8(f);
    EXPECT_EQ(2u, server.requests().size());
}

TEST(HeadlessInstall, MissingPayloadEndsWithMinusOneAfterFivePercent) {
    const std::wstring dir = testing_support::FreshTestFolder() + L"Torvane\\";
    const HeadlessRun run = RunHeadless(L"--payload Z:\\no\\such\\payload.7z \"" + dir.substr(0, dir.size() - 1) + L"\"");
    EXPECT_EQ(1u, run.exitCode);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ("result -1", run.lines.back());
    EXPECT_EQ(std::vector<int>{5}, Percents(run));
}

// The names in the user's temp folder, to show that a run leaves nothing there.
std::vector<std::wstring> TempFolderNames() {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    win::UniqueFind find(::FindFirstFileW((win::TempFolder() + L"*").c_str(), &data));
    if (!find) return names;
    do names.push_back(data.cFileName);
    while (::FindNextFileW(find.get(), &data));
    std::sort(names.begin(), names.end());
    return names;
}

// A damaged payload fails the install with the code the damage gives (headers
// that do not read: E_FAIL before anything is touched; packed data that does
// not check: the CRC error, during the extraction), rolls back, and neither the
// payload nor the temp folder is written.
TEST(HeadlessInstall, CorruptedPayloadRollsBackAndWritesNothingToTemp) {
    const std::string original = testing_support::ReadFileBytes(WindowsPathOf(TORVANE_PAYLOAD_7Z));
    ASSERT_GT(original.size(), 4096u);
    struct Damage {
        const char* what;
        size_t end;  // bytes from 200 up to here are changed
        HRESULT result;
    };
    for (const Damage& damage : {Damage{"everything", original.size() - 200, E_FAIL},
                                 Damage{"packed data only", original.size() / 2, HRESULT_FROM_WIN32(ERROR_CRC)}}) {
        const std::wstring base = testing_support::FreshTestFolder();
        std::string payload = original;
        for (size_t i = 200; i < damage.end; i += 97) payload[i] = char(payload[i] ^ 0x5A);
        const std::wstring damaged = base + L"damaged.7z";
        ASSERT_TRUE(testing_support::WriteFileBytes(damaged, payload));
        const std::wstring dir = base + L"Torvane\\";
        ::CreateDirectoryW(dir.c_str(), nullptr);

        const std::wstring appPathBefore = engine::ReadAppPath(L"Torvane3");
        const std::vector<std::wstring> tempBefore = TempFolderNames();
        const HeadlessRun run =
            RunHeadless(L"--payload \"" + damaged + L"\" \"" + dir.substr(0, dir.size() - 1) + L"\"");
        EXPECT_EQ(1u, run.exitCode) << damage.what;
        ASSERT_FALSE(run.lines.empty()) << damage.what;
        EXPECT_EQ("result " + std::to_string(static_cast<int32_t>(damage.result)), run.lines.back()) << damage.what;
        for (const wchar_t* f : kPayloadFiles) EXPECT_FALSE(win::FileExists(dir + f)) << win::WideToUtf8(f);
        EXPECT_FALSE(win::FileExists(dir + L"Uninstall.xml")) << damage.what;
        EXPECT_EQ(tempBefore, TempFolderNames()) << damage.what;
        EXPECT_EQ(payload, testing_support::ReadFileBytes(damaged)) << damage.what;
        EXPECT_EQ(appPathBefore, engine::ReadAppPath(L"Torvane3")) << damage.what;
    }
}

}  // namespace

namespace {

TEST(HeadlessInstall, NewFolderReplacesTheEarlierOneAndNoServerChangesNothing) {
    const std::wstring base = testing_support::FreshTestFolder();
    const std::wstring oldDir = base + L"old\\Torvane";
    const std::wstring newDir = base + L"new\\Torvane";

    // Nothing listens on the report port: the install still succeeds, promptly.
    const ULONGLONG start = ::GetTickCount64();
    const HeadlessRun first = RunHeadless(L"\"" + oldDir + L"\"");
    const ULONGLONG elapsed = ::GetTickCount64() - start;
    ASSERT_EQ(0u, first.exitCode);
    EXPECT_EQ("result 0", first.lines.back());
    EXPECT_LT(elapsed, 8000u);

    const HeadlessRun second = RunHeadless(L"--earlier \"" + oldDir + L"\" \"" + newDir + L"\"");
    ASSERT_EQ(0u, second.exitCode);
    for (const wchar_t* f : kPayloadFiles) {
        EXPECT_FALSE(win::FileExists(oldDir + L"\\" + f)) << win::WideToUtf8(f);
        EXPECT_TRUE(win::FileExists(newDir + L"\\" + f)) << win::WideToUtf8(f);
    }
    EXPECT_FALSE(win::FileExists(oldDir + L"\\Uninstall.xml"));
    EXPECT_EQ(newDir + L"\\", engine::ReadAppPath(L"Torvane3"));
    EXPECT_EQ(L"\"" + newDir + L"\\TorvaneService.exe\"", ServiceBinaryPath());
}

}  // namespace

namespace {

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

// A link planted in the temp folder under the name the payload copy once had, to
// a file under C:\windows: the install reads the payload in place and leaves
// both the link and its target alone.
TEST(HeadlessInstall, LinkPlantedAtTheOldTempArchiveNameIsLeftAlone) {
    const std::wstring dir = testing_support::FreshTestFolder() + L"Torvane";
    const std::wstring victim = L"C:\\windows\\torvane-planted-victim.dll";
    const std::wstring tempArchive = win::TempFolder() + L"resource.7z";
    ASSERT_TRUE(testing_support::WriteFileBytes(victim, "keep"));
    testing_support::RemoveTree(tempArchive);
    // Wine shows a Unix link to a file as the file itself: the name exists either way.
    ASSERT_TRUE(testing_support::MakeUnixSymlink(victim, tempArchive) || win::FileExists(tempArchive));
    const std::vector<std::wstring> tempBefore = TempFolderNames();

    const HeadlessRun run = RunHeadless(L"\"" + dir + L"\"");
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ("keep", testing_support::ReadFileBytes(victim));
    EXPECT_EQ("keep", testing_support::ReadFileBytes(tempArchive));  // still the link
    EXPECT_EQ(tempBefore, TempFolderNames());
    EXPECT_TRUE(win::FileExists(dir + L"\\Torvane.exe"));
    testing_support::RemoveUnixEntry(tempArchive);
    ::DeleteFileW(victim.c_str());
}

// The payload needs no temp folder: with none usable the install still succeeds,
// and writes no archive into the current folder instead.
TEST(HeadlessInstall, UnknownTempFolderDoesNotStopTheInstallNorMovesTheArchiveElsewhere) {
    const std::wstring base = testing_support::FreshTestFolder();
    const std::wstring tooLong = L"C:\\" + std::wstring(300, L't');
    std::wstring environment;
    for (const wchar_t* name : {L"TMP=", L"TEMP="}) environment += name + tooLong + L'\0';
    {
        wchar_t* block = ::GetEnvironmentStringsW();
        for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
            const std::wstring entry = p;
            if (_wcsnicmp(p, L"TMP=", 4) != 0 && _wcsnicmp(p, L"TEMP=", 5) != 0) environment += entry + L'\0';
        }
        ::FreeEnvironmentStringsW(block);
    }
    environment += L'\0';
    HeadlessStart start;
    start.environment = environment.c_str();
    start.currentFolder = base.c_str();

    const HeadlessRun run = RunHeadless(L"\"" + base + L"Torvane\"", start);
    EXPECT_EQ(0u, run.exitCode);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ("result 0", run.lines.back());
    EXPECT_EQ(100, Percents(run).back());
    EXPECT_FALSE(win::FileExists(base + L"resource.7z"));
    EXPECT_TRUE(win::FileExists(base + L"Torvane\\Torvane.exe"));
}

// Steps after the payload are best effort; each one that fails says so in the
// debugger output and the install still succeeds.
TEST(HeadlessInstall, IgnoredStepFailuresLeaveLinesInTheDebuggerOutput) {
    const std::wstring base = testing_support::FreshTestFolder();
    const std::wstring dir = base + L"Torvane";
    win::CreateFolderTree(dir + L"\\Uninstall.xml\\");  // the record cannot be written over a folder
    const std::wstring earlier = base + L"old\\Torvane";
    win::CreateFolderTree(earlier + L"\\");  // an earlier folder without a record

    HeadlessStart start;
    start.debug = true;
    const HeadlessRun run = RunHeadless(L"--earlier \"" + earlier + L"\" \"" + dir + L"\"", start);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(Contains(run.debugLines, "removeEarlierInstallation failed!"));
    EXPECT_TRUE(Contains(run.debugLines, "writeInstallRecord failed!"));
    EXPECT_FALSE(Contains(run.debugLines, "installService failed!"));
    for (const auto& line : run.debugLines) std::printf("debug: %s\n", line.c_str());
}

}  // namespace

namespace {

// A failed update keeps the earlier install exactly; a killed one is repaired by
// the next run. The earlier install is the product's payload; the update is a
// second payload with a changed file and a new folder (make_update_payload.sh).
const std::wstring kProductKey = L"Torvane3";
constexpr REGSAM kView = KEY_WOW64_32KEY;

std::wstring Quoted(const std::wstring& folder) { return L"\"" + folder + L"\""; }
std::wstring UpdatePayload() { return WindowsPathOf(TORVANE_UPDATE_PAYLOAD_DIR "/update.7z"); }

// Every value of a key (name -> type and bytes): the registry as an export shows it.
std::map<std::wstring, std::string> ExportKey(HKEY hive, const std::wstring& key) {
    std::map<std::wstring, std::string> values;
    const win::UniqueRegKey k = win::OpenRegKey(hive, key, KEY_READ | kView);
    for (DWORD i = 0; k; ++i) {
        wchar_t name[256];
        DWORD nameChars = 256, type = 0, bytes = 0;
        BYTE data[4096];
        bytes = sizeof data;
        if (::RegEnumValueW(k.get(), i, name, &nameChars, nullptr, &type, data, &bytes) != ERROR_SUCCESS) break;
        values[name] = std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), bytes);
    }
    return values;
}

std::wstring DesktopLink() { return engine::CommonDesktopFolder() + L"\\托尔文.lnk"; }
std::wstring StartMenuLink() { return engine::CommonProgramsFolder() + L"\\托尔文\\托尔文.lnk"; }

struct ProductState {
    std::map<std::wstring, std::string> files, applicationKey, uninstallKey;
    std::wstring service;
    std::string desktopLink, startMenuLink;
};

ProductState CaptureState(const std::wstring& dir) {
    ProductState s;
    s.files = testing_support::FolderContents(dir);
    s.applicationKey = ExportKey(HKEY_CURRENT_USER, engine::ApplicationKeyName(kProductKey));
    s.uninstallKey = ExportKey(HKEY_LOCAL_MACHINE, engine::UninstallKeyName(kProductKey));
    s.service = ServiceBinaryPath();
    s.desktopLink = testing_support::ReadFileBytes(DesktopLink());
    s.startMenuLink = testing_support::ReadFileBytes(StartMenuLink());
    return s;
}

void ExpectSameState(const ProductState& before, const ProductState& after) {
    EXPECT_EQ(before.files, after.files);
    EXPECT_EQ(before.applicationKey, after.applicationKey);
    EXPECT_EQ(before.uninstallKey, after.uninstallKey);
    EXPECT_EQ(before.service, after.service);
    EXPECT_FALSE(before.desktopLink.empty());
    EXPECT_EQ(before.desktopLink, after.desktopLink);
    EXPECT_EQ(before.startMenuLink, after.startMenuLink);
    EXPECT_EQ(L"", engine::ReadJournalPointer(kProductKey));
}

// The product's payload in `dir` with a desktop link, as a user has it before updating.
void InstallEarlier(const std::wstring& dir) {
    testing_support::RemoveTree(dir);
    const HeadlessRun run = RunHeadless(Quoted(dir));
    ASSERT_EQ(0u, run.exitCode);
    const win::ScopedCoInit com;
    ::DeleteFileW(DesktopLink().c_str());
    ASSERT_TRUE(engine::CreateShortcut(L"托尔文.lnk", dir + L"\\Torvane.exe", L"", engine::CommonDesktopFolder()));
}

HeadlessRun RunUpdate(const std::wstring& dir, const std::wstring& payload, const HeadlessStart& start = {}) {
    return RunHeadless(L"--payload \"" + payload + L"\" --earlier " + Quoted(dir) + L" " + Quoted(dir), start);
}

std::string ResultLine(HRESULT hr) { return "result " + std::to_string(static_cast<int32_t>(hr)); }

bool WaitForServiceRunning(bool running) {
    for (int i = 0; i < 300; ++i) {  // up to 30 s
        engine::ServiceState state;
        if (engine::QueryServiceState(&state) && state.running == running) return true;
        ::Sleep(100);
    }
    return false;
}

void StopProductService() {
    win::UniqueService scm(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    win::UniqueService svc(::OpenServiceW(scm.get(), engine::kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS));
    if (svc) engine::StopService(svc.get());
}

// A payload that cannot be read fails before the earlier install is touched; a
// folder planted at the name the payload copy once had in the temp folder is
// left as it is, by the failed run and by a good one.
TEST(HeadlessFailedUpdate, UnreadablePayloadKeepsTheEarlierInstallAndTempIsLeftAlone) {
    const std::wstring dir = testing_support::FreshTestFolder() + L"Torvane";
    InstallEarlier(dir);
    const ProductState before = CaptureState(dir);
    const std::wstring temp = win::TempFolder() + L"resource.7z";
    testing_support::RemoveTree(temp);
    ASSERT_TRUE(::CreateDirectoryW(temp.c_str(), nullptr));

    const HeadlessRun run = RunUpdate(dir, dir + L"-no-such-payload.7z");
    EXPECT_EQ(1u, run.exitCode);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ("result -1", run.lines.back());
    ExpectSameState(before, CaptureState(dir));

    EXPECT_EQ(0u, RunUpdate(dir, UpdatePayload()).exitCode);
    const DWORD attributes = ::GetFileAttributesW(temp.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_TRUE(::RemoveDirectoryW(temp.c_str()));  // still empty
}

TEST(HeadlessFailedUpdate, FileHeldOpenKeepsTheEarlierInstallAndRestartsItsService) {
    const std::wstring dir = testing_support::FreshTestFolder() + L"Torvane";
    InstallEarlier(dir);
    const bool serviceRuns = engine::StartServiceNamed() && WaitForServiceRunning(true);
    if (!serviceRuns) std::printf("note: the service could not be started here; its restart is not checked\n");
    const ProductState before = CaptureState(dir);
    win::UniqueFile held(::CreateFileW((dir + L"\\plugins\\mirror.dat").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);

    const HeadlessRun run = RunUpdate(dir, UpdatePayload());
    held.reset();
    EXPECT_EQ(1u, run.exitCode);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(ResultLine(HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION)), run.lines.back());
    ExpectSameState(before, CaptureState(dir));
    if (serviceRuns) {
        EXPECT_TRUE(WaitForServiceRunning(true));
    }
    StopProductService();
}

// A tmpfs of the build machine as drive T:, sized for the earlier install but
// not for the update beside it; unmounted when the test ends.
class SmallDrive {
public:
    SmallDrive(uint64_t kib) : dir_(UnixFolder()) { ok_ = Run(L"mount", std::to_wstring(kib)); }
    ~SmallDrive() { Run(L"umount", L""); }
    bool ok() const { return ok_; }
    const std::string& why() const { return why_; }

private:
    // The prefix's dosdevices folder, cut from the text of C:'s Unix path: "c:" is
    // a link, so ".." after it would lead to the prefix's parent.
    static std::wstring DosDevices() {
        std::wstring c = win::Utf8ToWide(testing_support::UnixPath(L"C:\\"));
        while (!c.empty() && c.back() == L'/') c.pop_back();
        return c.substr(0, c.rfind(L'/'));
    }
    static std::wstring UnixFolder() { return DosDevices().substr(0, DosDevices().rfind(L'/')) + L"/small-drive"; }
    bool Run(const std::wstring& action, const std::wstring& kib) {
        const std::wstring dosdevices = DosDevices();
        const std::wstring status = L"Z:" + dir_ + L".status";
        std::wstring statusPath = status;
        std::replace(statusPath.begin(), statusPath.end(), L'/', L'\\');
        ::DeleteFileW(statusPath.c_str());
        std::wstring command = L"/bin/sh \"" + win::Utf8ToWide(TORVANE_TMPFS_SCRIPT) + L"\" " + action + L" \"" + dir_ +
                               L"\" t " + (kib.empty() ? L"" : kib + L" ") + L"\"" + dosdevices + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!::CreateProcessW(L"Z:\\bin\\sh", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            why_ = "cannot start /bin/sh";
            return false;
        }
        win::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
        // Wine gives back no handle to wait on for a Unix program: poll its status file.
        for (int i = 0; i < 600; ++i) {
            const std::string text = testing_support::ReadFileBytes(statusPath);
            if (!text.empty() && text.back() == '\n') {
                why_ = text.substr(0, text.size() - 1);
                return why_ == "ok";
            }
            ::Sleep(100);
        }
        why_ = "no answer from the mount script";
        return false;
    }
    std::wstring dir_;
    std::string why_;
    bool ok_ = false;
};

TEST(HeadlessFailedUpdate, DriveTooSmallForTheUpdateKeepsTheEarlierInstall) {
    uint64_t stageBytes = 0;
    for (const auto& entry : testing_support::FolderContents(WindowsPathOf(TORVANE_PAYLOAD_STAGE)))
        stageBytes += entry.second.size() + 4096;
    SmallDrive drive(stageBytes / 1024 + 7 * 1024);  // the earlier install and 7 MiB; the update brings 8 MiB more
    if (!drive.ok()) GTEST_SKIP() << "no small drive: " << drive.why();
    const std::wstring dir = L"T:\\Torvane";
    InstallEarlier(dir);
    const ProductState before = CaptureState(dir);

    const HeadlessRun run = RunUpdate(dir, UpdatePayload());
    EXPECT_EQ(1u, run.exitCode);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(ResultLine(HRESULT_FROM_WIN32(ERROR_DISK_FULL)), run.lines.back());
    ExpectSameState(before, CaptureState(dir));
    testing_support::RemoveTree(dir);
}

}  // namespace

namespace {

struct Payload {
    std::wstring archive;
    std::wstring tree;
    size_t lines = 0;  // printed by a whole run
};

std::wstring EnvironmentValue(const wchar_t* name, const std::wstring& fallback) {
    wchar_t value[1024];
    const DWORD n = ::GetEnvironmentVariableW(name, value, 1024);
    return n > 0 && n < 1024 ? std::wstring(value, n) : fallback;
}

// The install is exactly the payload, with its record and marker, registered
// where its files are, and nothing of an update or its archive is left.
void ExpectExactly(const std::wstring& dir, const Payload& payload) {
    auto expected = testing_support::FolderContents(payload.tree);
    auto found = testing_support::FolderContents(dir);
    EXPECT_TRUE(found.count(L"Uninstall.xml"));
    EXPECT_EQ("700001", found[L"source.dat"]);
    found.erase(L"Uninstall.xml");
    found.erase(L"source.dat");
    EXPECT_EQ(expected.size(), found.size());
    for (const auto& entry : expected) {
        const auto it = found.find(entry.first);
        if (it == found.end()) ADD_FAILURE() << "missing " << win::WideToUtf8(entry.first);
        else if (it->second != entry.second) ADD_FAILURE() << "differs " << win::WideToUtf8(entry.first);
    }
    for (const auto& entry : found)
        if (!expected.count(entry.first)) ADD_FAILURE() << "left over " << win::WideToUtf8(entry.first);

    engine::InstallRecord record;
    ASSERT_TRUE(engine::ReadInstallRecord(dir + L"\\Uninstall.xml", &record));
    size_t files = 0;
    for (const auto& entry : expected) files += entry.first.back() != L'\\';
    EXPECT_EQ(files, record.files.size());
    for (const auto& file : record.files) EXPECT_TRUE(win::FileExists(file)) << win::WideToUtf8(file);

    EXPECT_EQ(dir + L"\\", engine::ReadAppPath(kProductKey));
    const auto uninstall = ExportKey(HKEY_LOCAL_MACHINE, engine::UninstallKeyName(kProductKey));
    EXPECT_TRUE(uninstall.count(L"DisplayIcon"));
    EXPECT_TRUE(win::FileExists(dir + L"\\Torvane.exe"));
    std::wstring service = ServiceBinaryPath();
    EXPECT_EQ(L"\"" + dir + L"\\TorvaneService.exe\"", service);
    EXPECT_TRUE(win::FileExists(dir + L"\\TorvaneService.exe"));
    EXPECT_TRUE(win::FileExists(dir + L"\\Uninstall.exe"));
    EXPECT_EQ(L"", engine::ReadJournalPointer(kProductKey));

    WIN32_FIND_DATAW data;
    win::UniqueFind temp(::FindFirstFileW((win::TempFolder() + L"resource.7z*").c_str(), &data));
    EXPECT_FALSE(temp) << "left in the temp folder: " << win::WideToUtf8(data.cFileName);
}

// What a kill left: the journal's phase and where the earlier files are. Up to
// the commit, every earlier file is at its place or in the backup.
void DescribeKilledState(const std::wstring& dir, size_t moment, size_t line, const HeadlessRun& killed) {
    const std::wstring pointer = engine::ReadJournalPointer(kProductKey);
    engine::UpdateJournal journal;
    std::string phase = pointer.empty() ? "none" : "pointer only";
    size_t aside = 0, inPlace = 0;
    if (!pointer.empty() && engine::LoadJournal(pointer, &journal)) {
        phase = journal.phase == engine::UpdatePhase::Prepared    ? "prepared"
                : journal.phase == engine::UpdatePhase::Unpacking ? "unpacking"
                                                                  : "committing";
        for (const auto& move : journal.moves) {
            const bool there = win::FileExists(move.to);
            aside += there;
            inPlace += win::FileExists(move.from);
            if (journal.phase != engine::UpdatePhase::Committing) {
                EXPECT_TRUE(there || win::FileExists(move.from)) << "lost " << win::WideToUtf8(move.from);
            }
        }
    }
    std::printf("kill %zu after line %zu (%s, exit %lu): journal %s, %zu earlier files aside, %zu files at their "
                "places, main program %s\n",
                moment + 1, line, killed.lines.empty() ? "-" : killed.lines.back().c_str(),
                static_cast<unsigned long>(killed.exitCode), phase.c_str(), aside, inPlace,
                win::FileExists(dir + L"\\Torvane.exe") ? "present" : "missing");
}

// Kills the driver during an update at moments spread over its printed lines,
// then runs it once more. TORVANE_KILL_PAYLOAD_DIR (update.7z and tree/) and
// TORVANE_KILL_MOMENTS choose a larger run (scripts/update-kill-test.sh).
TEST(HeadlessKilledUpdate, EachKillIsRepairedByTheNextRun) {
    const std::wstring payloadDir = EnvironmentValue(L"TORVANE_KILL_PAYLOAD_DIR", WindowsPathOf(TORVANE_UPDATE_PAYLOAD_DIR));
    const size_t moments = std::stoul(EnvironmentValue(L"TORVANE_KILL_MOMENTS", L"3"));
    Payload update{payloadDir + L"\\update.7z", payloadDir + L"\\tree"};
    Payload product{WindowsPathOf(TORVANE_PAYLOAD_7Z), WindowsPathOf(TORVANE_PAYLOAD_STAGE)};
    const std::wstring dir = testing_support::FreshTestFolder() + L"Torvane";

    HeadlessRun run = RunHeadless(L"--payload \"" + product.archive + L"\" " + Quoted(dir));
    ASSERT_EQ(0u, run.exitCode);
    product.lines = run.lines.size();
    run = RunUpdate(dir, update.archive);
    ASSERT_EQ(0u, run.exitCode);
    update.lines = run.lines.size();
    ExpectExactly(dir, update);

    for (size_t i = 0; i < moments; ++i) {
        const Payload& next = i % 2 == 0 ? product : update;  // each kill interrupts a real change of version
        HeadlessStart start;
        start.killAfterLines = std::max<size_t>(1, next.lines * (i + 1) / (moments + 1));
        const HeadlessRun killed = RunUpdate(dir, next.archive, start);
        DescribeKilledState(dir, i, start.killAfterLines, killed);

        const HeadlessRun repaired = RunUpdate(dir, next.archive);
        ASSERT_EQ(0u, repaired.exitCode) << "after kill " << i + 1;
        ExpectExactly(dir, next);
    }
}

// Links to files outside, planted at the marker's, the record's and a payload
// file's names before the first install and again before an update: each is
// replaced by the installer's own file and the files they point to keep their data.
TEST(HeadlessInstall, FileLinksInTheInstallFolderAreReplacedNotWrittenThrough) {
    const std::wstring base = testing_support::FreshTestFolder();
    const std::wstring dir = base + L"Torvane";
    const std::wstring outside = base + L"outside\\";
    win::CreateFolderTree(dir + L"\\");
    win::CreateFolderTree(outside);
    const wchar_t* const planted[] = {L"source.dat", L"Uninstall.xml", L"Torvane.exe"};
    for (const wchar_t* name : planted) ASSERT_TRUE(testing_support::WriteFileBytes(outside + name, "keep"));
    const auto plant = [&] {
        for (const wchar_t* name : planted) {
            // Wine deletes a file link's target: the entry goes from the Linux side.
            ASSERT_TRUE(testing_support::RemoveUnixEntry(dir + L"\\" + name));
            ASSERT_TRUE(testing_support::MakeUnixSymlink(outside + name, dir + L"\\" + name)) << win::WideToUtf8(name);
        }
    };
    plant();
    EXPECT_EQ(0u, RunHeadless(L"\"" + dir + L"\"").exitCode);
    plant();
    EXPECT_EQ(0u, RunHeadless(L"--earlier \"" + dir + L"\" \"" + dir + L"\"").exitCode);

    for (const wchar_t* name : planted) EXPECT_EQ("keep", testing_support::ReadFileBytes(outside + name));
    EXPECT_EQ(3u, testing_support::Listing(outside).size());
    EXPECT_EQ("700001", testing_support::ReadFileBytes(dir + L"\\source.dat"));
    engine::InstallRecord record;
    EXPECT_TRUE(engine::ReadInstallRecord(dir + L"\\Uninstall.xml", &record));
    EXPECT_EQ(7u, record.files.size());
    EXPECT_NE("keep", testing_support::ReadFileBytes(dir + L"\\Torvane.exe"));
}

// A link at the payload's "plugins" folder to a folder elsewhere: the payload's
// files never land there. Wine opens a Unix link to a folder as the folder
// itself and cannot remove it as a link, so there the install fails instead.
TEST(HeadlessInstall, FolderLinkInTheInstallFolderLeavesItsTargetAlone) {
    const std::wstring base = testing_support::FreshTestFolder();
    const std::wstring dir = base + L"Torvane";
    const std::wstring outside = base + L"outside";
    win::CreateFolderTree(dir + L"\\");
    win::CreateFolderTree(outside + L"\\");
    ASSERT_TRUE(testing_support::WriteFileBytes(outside + L"\\user.txt", "mine"));
    ASSERT_TRUE(testing_support::MakeUnixSymlink(outside, dir + L"\\plugins"));

    const HeadlessRun run = RunHeadless(L"\"" + dir + L"\"");
    EXPECT_EQ(std::vector<std::wstring>{L"user.txt"}, testing_support::Listing(outside));
    EXPECT_EQ("mine", testing_support::ReadFileBytes(outside + L"\\user.txt"));
    if (run.exitCode == 0) {
        EXPECT_TRUE(win::FileExists(dir + L"\\plugins\\mirror.dat"));
    } else {
        ASSERT_FALSE(run.lines.empty());
        EXPECT_NE("result 0", run.lines.back());
        EXPECT_FALSE(win::FileExists(dir + L"\\Uninstall.xml"));
        testing_support::RemoveUnixEntry(dir + L"\\plugins");
    }
}

// A program of the user's own, running from the earlier install's folder, is not
// the product's: it survives the update while the product's program is ended.
TEST(HeadlessInstall, ForeignProcessInTheEarlierFolderSurvives) {
    const std::wstring dir = testing_support::FreshTestFolder() + L"Torvane";
    ASSERT_EQ(0u, RunHeadless(L"\"" + dir + L"\"").exitCode);
    ASSERT_TRUE(testing_support::CopyProductExe(L"updater.exe", dir + L"\\v.exe"));
    ASSERT_TRUE(testing_support::CopyProductExe(L"updater.exe", dir + L"\\Torvane.exe"));
    win::UniqueKernelHandle foreign(testing_support::StartProgram(dir + L"\\v.exe"));
    win::UniqueKernelHandle product(testing_support::StartProgram(dir + L"\\Torvane.exe"));
    ASSERT_TRUE(foreign && product);

    EXPECT_EQ(0u, RunHeadless(L"--earlier \"" + dir + L"\" \"" + dir + L"\"").exitCode);
    EXPECT_FALSE(testing_support::IsRunning(product.get()));
    EXPECT_TRUE(testing_support::IsRunning(foreign.get()));
    ::TerminateProcess(foreign.get(), 0);
    ::WaitForSingleObject(foreign.get(), 10000);
}

}  // namespace
