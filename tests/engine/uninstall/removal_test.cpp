#include "engine/uninstall/removal.h"
#include "engine/uninstall/self_removal.h"

#include "engine/registry/registry_records.h"
#include "win/path.h"
#include "win/registry.h"
#include "win/text.h"
#include "win/unique_handle.h"
#include "tests/engine/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace engine;
using namespace testing_support;

namespace {

const std::wstring kExe = L"Torvane";
const wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPending[] = L"PendingFileRenameOperations";

bool Exists(const std::wstring& path) { return win::FileExists(path); }
std::string Utf8(const std::wstring& s) { return win::WideToUtf8(s); }

bool Contains(const std::vector<std::wstring>& list, const std::wstring& item) {
    return std::any_of(list.begin(), list.end(), [&](const std::wstring& x) { return win::EqualsNoCase(x, item); });
}

// The restart deletions as stored: source, empty target, source, ...
std::vector<std::wstring> PendingDeletions() {
    std::vector<std::wstring> paths;
    const win::UniqueRegKey key = win::OpenRegKey(HKEY_LOCAL_MACHINE, kSessionManager, KEY_QUERY_VALUE);
    DWORD size = 0;
    if (!key || ::RegQueryValueExW(key.get(), kPending, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return paths;
    std::wstring raw(size / sizeof(wchar_t) + 1, L'\0');
    ::RegQueryValueExW(key.get(), kPending, nullptr, nullptr, reinterpret_cast<BYTE*>(&raw[0]), &size);
    for (size_t at = 0; at < raw.size();) {
        const size_t end = raw.find(L'\0', at);
        std::wstring part = raw.substr(at, end - at);
        if (part.rfind(L"\\??\\", 0) == 0) paths.push_back(part.substr(4));
        at = end == std::wstring::npos ? raw.size() : end + 1;
    }
    return paths;
}

void ForgetPendingDeletions() {
    const win::UniqueRegKey key = win::OpenRegKey(HKEY_LOCAL_MACHINE, kSessionManager, KEY_SET_VALUE);
    if (key) ::RegDeleteValueW(key.get(), kPending);
}

// <fresh>\Torvane with the product's files, a sub-folder and a record listing them.
class Removal : public ::testing::Test {
protected:
    void SetUp() override {
        base_ = FreshTestFolder();
        root_ = base_ + L"Torvane";
        ForgetPendingDeletions();
        ASSERT_TRUE(::CreateDirectoryW(root_.c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryW((root_ + L"\\plugins").c_str(), nullptr));
        for (const wchar_t* name : {L"\\Torvane.exe", L"\\plugins\\a.dll", L"\\source.dat"})
            ASSERT_TRUE(WriteFileBytes(root_ + name, "x"));
        WriteRecord("\t\t<File path=\"" + Utf8(root_) + "\\Torvane.exe\" />\n\t\t<File path=\"plugins\\a.dll\" />\n"
                    "\t\t<Dir path=\"" + Utf8(root_) + "\\plugins\" />\n");
    }
    void TearDown() override { ForgetPendingDeletions(); }

    void WriteRecord(const std::string& body) {
        ASSERT_TRUE(WriteFileBytes(root_ + L"\\Uninstall.xml",
                                   "<Uninstall>\n\t<Internal>\n" + body + "\t</Internal>\n</Uninstall>\n"));
    }
    void Remove() { RemoveInstalledFiles(root_, kExe, {L"source.dat", L"Uninstall.xml"}, &report_); }

    std::wstring base_, root_;
    RemovalReport report_;
};

}  // namespace

TEST_F(Removal, RecordedFilesFoldersRecordAndEmptyRootAllGo) {
    Remove();
    EXPECT_FALSE(Exists(root_));
    EXPECT_TRUE(report_.Clean());
    EXPECT_TRUE(report_.kept.empty());
    EXPECT_TRUE(PendingDeletions().empty());
}

TEST_F(Removal, FilesTheRecordDoesNotListKeepTheirFoldersAndAreReported) {
    ASSERT_TRUE(WriteFileBytes(root_ + L"\\plugins\\mine.txt", "mine"));
    Remove();
    EXPECT_EQ(Listing(root_), std::vector<std::wstring>{L"plugins"});
    EXPECT_EQ(Listing(root_ + L"\\plugins"), std::vector<std::wstring>{L"mine.txt"});
    EXPECT_TRUE(report_.Clean());
    EXPECT_TRUE(Contains(report_.kept, root_ + L"\\plugins"));
    EXPECT_TRUE(Contains(report_.kept, root_));
}

TEST_F(Removal, PathsOutsideTheRootOrThroughLinksAreNeverDeleted) {
    const std::wstring outside = base_ + L"Outside";
    ASSERT_TRUE(::CreateDirectoryW(outside.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(outside + L"\\victim.txt", "keep"));
    const bool linked = MakeUnixSymlink(outside, root_ + L"\\through");
    WriteRecord("\t\t<File path=\"" + Utf8(outside) + "\\victim.txt\" />\n\t\t<File path=\"..\\Outside\\victim.txt\" />\n"
                "\t\t<File path=\"through\\victim.txt\" />\n\t\t<Dir path=\"" + Utf8(outside) + "\" />\n"
                "\t\t<Dir path=\"through\" />\n");
    Remove();
    EXPECT_EQ(ReadFileBytes(outside + L"\\victim.txt"), "keep");
    // Not later either: nothing outside waits for the restart.
    EXPECT_TRUE(report_.at_restart.empty());
    for (const std::wstring& path : PendingDeletions()) EXPECT_EQ(path.find(L"Outside"), std::wstring::npos) << Utf8(path);
    if (linked) RemoveUnixEntry(root_ + L"\\through");
}

TEST_F(Removal, RootNotNamedAfterTheProductLosesNothing) {
    const std::wstring other = base_ + L"Other";
    ASSERT_TRUE(::MoveFileW(root_.c_str(), other.c_str()));
    RemoveInstalledFiles(other, kExe, {L"source.dat", L"Uninstall.xml"}, &report_);
    EXPECT_TRUE(Exists(other + L"\\Torvane.exe"));
    EXPECT_TRUE(Exists(other + L"\\Uninstall.xml"));
}

TEST_F(Removal, WithoutAUsableRecordOnlyTheNamedFilesGo) {
    ASSERT_TRUE(WriteFileBytes(root_ + L"\\Uninstall.xml", "<not a record"));
    Remove();
    EXPECT_FALSE(Exists(root_ + L"\\source.dat"));
    EXPECT_FALSE(Exists(root_ + L"\\Uninstall.xml"));
    EXPECT_TRUE(Exists(root_ + L"\\Torvane.exe"));
    EXPECT_TRUE(Exists(root_ + L"\\plugins\\a.dll"));
    EXPECT_TRUE(Contains(report_.kept, root_));
}

TEST_F(Removal, FileHeldOpenWaitsForTheRestartWithItsFolders) {
    const std::wstring held = root_ + L"\\plugins\\a.dll";
    {
        // Open without FILE_SHARE_DELETE, as a running program holds its DLL.
        const win::UniqueFile open(::CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(open);
        Remove();
    }
    EXPECT_TRUE(report_.failed.empty());
    EXPECT_EQ(report_.at_restart, (std::vector<std::wstring>{held, root_ + L"\\plugins", root_}));
    const std::vector<std::wstring> pending = PendingDeletions();
    ASSERT_EQ(pending.size(), 3u);
    EXPECT_TRUE(win::EqualsNoCase(pending[0], held));
    EXPECT_TRUE(win::EqualsNoCase(pending[2], root_));
    EXPECT_FALSE(Exists(root_ + L"\\Torvane.exe"));
}

TEST(InstallRootLookup, MachineRecordWinsThenOwnFolderAndOnlyFoldersNamedAfterTheProduct) {
    const std::wstring key = L"TorvaneTest_RootLookup";
    const std::wstring base = FreshTestFolder();
    const std::wstring recorded = base + L"Recorded\\Torvane";
    const std::wstring own = base + L"Own\\Torvane";
    win::CreateFolderTree(recorded + L"\\");
    win::CreateFolderTree(own + L"\\");
    RegistryRecord record;
    Fill(&record, recorded + L"\\", kExe);
    ASSERT_TRUE(WriteUninstallKey(record, ProductNames{key, kExe, L"c", L"p", L"u", L"64"}));
    EXPECT_TRUE(win::EqualsNoCase(FindInstallRoot(key, kExe, own + L"\\"), recorded));
    ASSERT_TRUE(DeleteUninstallKey(key));
    EXPECT_TRUE(win::EqualsNoCase(FindInstallRoot(key, kExe, own + L"\\"), own));
    EXPECT_EQ(FindInstallRoot(key, kExe, base + L"Own\\"), L"");
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_EQ(FindInstallRoot(key, kExe, std::wstring(windows) + L"\\Torvane\\"), L"");
}

TEST(RegistryRemoval, EverythingGoesButTheMachineGuid) {
    const std::wstring key = L"TorvaneTest_RegistryRemoval";
    RegistryRecord record;
    Fill(&record, L"C:\\Program Files\\Torvane\\", kExe);
    record.version = L"1.0";
    ASSERT_TRUE(WriteApplicationKey(record, key));
    ASSERT_TRUE(WriteUninstallKey(record, ProductNames{key, kExe, L"c", L"p", L"u", L"64"}));
    ASSERT_TRUE(WriteGuid(key, L"{guid}"));
    {
        const win::UniqueRegKey machine = win::CreateRegKey(HKEY_LOCAL_MACHINE, ApplicationKeyName(key),
                                                            KEY_ALL_ACCESS | KEY_WOW64_32KEY);
        ASSERT_TRUE(machine);
        for (const wchar_t* name : {L"A", L"Journal", L"Z"}) win::SetRegString(machine.get(), name, L"x");
        ASSERT_TRUE(win::CreateRegKey(machine.get(), L"Sub", KEY_ALL_ACCESS));
    }
    RemovalReport report;
    RemoveRegistryEntries(key, &report);
    EXPECT_TRUE(report.failed.empty());
    EXPECT_TRUE(ReadAppPath(key).empty());
    EXPECT_TRUE(ReadInstalledFile(key).empty());
    EXPECT_FALSE(win::OpenRegKey(HKEY_CURRENT_USER, ApplicationKeyName(key), KEY_READ));
    EXPECT_FALSE(win::OpenRegKey(HKEY_LOCAL_MACHINE, UninstallKeyName(key), KEY_READ | KEY_WOW64_32KEY));

    const win::UniqueRegKey machine =
        win::OpenRegKey(HKEY_LOCAL_MACHINE, ApplicationKeyName(key), KEY_READ | KEY_WOW64_32KEY);
    ASSERT_TRUE(machine);
    DWORD values = 0, subkeys = 0;
    ::RegQueryInfoKeyW(machine.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr);
    EXPECT_EQ(values, 1u);
    EXPECT_EQ(subkeys, 0u);
    std::wstring guid;
    EXPECT_TRUE(ReadGuid(key, &guid));
    EXPECT_EQ(guid, L"{guid}");

    // A second run finds nothing to remove and says so as success.
    RemovalReport again;
    RemoveRegistryEntries(key, &again);
    EXPECT_TRUE(again.failed.empty());
    ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, ApplicationKeyName(key).c_str(), KEY_WOW64_32KEY, 0);
}

TEST(SelfRemoval, RunningProgramMovesIntoAFreshFolderBothDeletedAtRestart) {
    ForgetPendingDeletions();
    const std::wstring base = FreshTestFolder();
    const std::wstring exe = base + L"Torvane\\Torvane.exe";
    ASSERT_TRUE(CopyProductExe(L"Torvane.exe", exe));
    const win::UniqueKernelHandle process(StartProgram(exe));
    ASSERT_TRUE(process);
    SelfRemoval aside;
    const bool moved = MoveSelfAside(exe, {L"Q:\\no such drive\\", base}, &aside);
    ::TerminateProcess(process.get(), 0);
    ::WaitForSingleObject(process.get(), 10000);
    ASSERT_TRUE(moved);
    EXPECT_FALSE(Exists(exe));
    EXPECT_TRUE(Exists(aside.file));
    EXPECT_TRUE(win::EqualsNoCase(win::FolderOf(aside.folder), base));
    EXPECT_TRUE(win::EqualsNoCase(win::FolderOf(aside.file), win::WithTrailingBackslash(aside.folder)));
    const std::vector<std::wstring> pending = PendingDeletions();
    ASSERT_EQ(pending.size(), 2u);
    EXPECT_TRUE(win::EqualsNoCase(pending[0], aside.file));
    EXPECT_TRUE(win::EqualsNoCase(pending[1], aside.folder));
    ForgetPendingDeletions();
}
