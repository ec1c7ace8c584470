// The whole install without a window: the real worker in headless-install.exe,
// against the prefix's registry, shell, service manager and a report server on
// loopback. The tests share the product's key and service, so they run serially.
#include "engine/record/install_record.h"
#include "engine/registry/registry_records.h"
#include "engine/shortcuts/shortcuts.h"
#include "win/path.h"
#include "win/text.h"
#include "win/unique_handle.h"
#include "tests/engine/test_support.h"
#include "tests/report/loopback_server.h"

#include <gtest/gtest.h>

#include <windows.h>

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
};

HeadlessRun RunHeadless(const std::wstring& args) {
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
    if (!::CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return run;
    win::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
    writeEnd.reset();
    // Read until the driver has ended and its output is drained, not until end of
    // file: a process it starts (Wine's desktop, say) may inherit the pipe.
    std::string out;
    char buf[4096];
    const ULONGLONG deadline = ::GetTickCount64() + 120000;
    for (bool ended = false;;) {
        DWORD available = 0, n = 0;
        if (!::PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr)) break;
        if (available > 0) {
            if (!::ReadFile(readEnd.get(), buf, sizeof buf, &n, nullptr) || n == 0) break;
            out.append(buf, n);
        } else if (ended || ::GetTickCount64() > deadline) {
            break;
        } else {
            ended = ::WaitForSingleObject(process.get(), 20) == WAIT_OBJECT_0;
        }
    }
    ::GetExitCodeProcess(process.get(), &run.exitCode);
    size_t start = 0;
    for (size_t nl; (nl = out.find('\n', start)) != std::string::npos; start = nl + 1)
        run.lines.push_back(out.substr(start, nl - start));
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

TEST(HeadlessInstall, CorruptedPayloadRollsBackAndKeepsTheArchive) {
    const std::wstring base = testing_support::FreshTestFolder();
    std::string payload = testing_support::ReadFileBytes(WindowsPathOf(TORVANE_PAYLOAD_7Z));
    ASSERT_GT(payload.size(), 4096u);
    for (size_t i = 200; i < payload.size() - 200; i += 97) payload[i] = char(payload[i] ^ 0x5A);
    const std::wstring damaged = base + L"damaged.7z";
    ASSERT_TRUE(testing_support::WriteFileBytes(damaged, payload));
    const std::wstring dir = base + L"Torvane\\";
    ::CreateDirectoryW(dir.c_str(), nullptr);

    const std::wstring appPathBefore = engine::ReadAppPath(L"Torvane3");
    const HeadlessRun run = RunHeadless(L"--payload \"" + damaged + L"\" \"" + dir.substr(0, dir.size() - 1) + L"\"");
    EXPECT_EQ(1u, run.exitCode);
    ASSERT_FALSE(run.lines.empty());
    EXPECT_NE("result 0", run.lines.back());
    for (const wchar_t* f : kPayloadFiles) EXPECT_FALSE(win::FileExists(dir + f)) << win::WideToUtf8(f);
    EXPECT_FALSE(win::FileExists(dir + L"Uninstall.xml"));
    EXPECT_TRUE(win::FileExists(win::TempFolder() + L"resource.7z"));
    EXPECT_EQ(appPathBefore, engine::ReadAppPath(L"Torvane3"));
    ::DeleteFileW((win::TempFolder() + L"resource.7z").c_str());
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
