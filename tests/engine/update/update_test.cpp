// The update transaction on real files and the real registry: what a failure,
// a kill and a commit leave behind. Each test has its own product key and
// names, so the cases may run side by side.
#include "engine/update/update_transaction.h"

#include "engine/record/install_record.h"
#include "engine/registry/registry_records.h"
#include "engine/update/backup.h"
#include "engine/update/journal.h"
#include "win/path.h"
#include "win/registry.h"
#include "win/text.h"
#include "win/unique_handle.h"
#include "tests/engine/test_support.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using namespace engine;
using namespace testing_support;

namespace {

constexpr REGSAM kView = KEY_WOW64_32KEY;

std::wstring ReadValue(bool machine, const std::wstring& key, const wchar_t* name, bool* present) {
    std::wstring value;
    const win::UniqueRegKey k = win::OpenRegKey(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, key, KEY_READ | kView);
    *present = k && win::QueryRegString(k.get(), name, 1024, &value);
    return value;
}

void WriteValue(bool machine, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    const win::UniqueRegKey k = win::CreateRegKey(machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, key,
                                                  KEY_ALL_ACCESS | kView);
    ASSERT_TRUE(k);
    ASSERT_TRUE(win::SetRegString(k.get(), name, value));
}

// An earlier install of two recorded files, one recorded folder the update no
// longer has, the record, the marker, and a stray file where the update writes.
class Update : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        names_.product_key = L"TorvaneUpdateTest_" + win::Utf8ToWide(test);
        names_.links = ShortcutNames{L"UpdateTest_" + win::Utf8ToWide(test), L"Torvane", L"Uninstall "};
        ClearJournalPointer(names_.product_key);
        ::RegDeleteKeyExW(HKEY_CURRENT_USER, ApplicationKeyName(names_.product_key).c_str(), kView, 0);
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, UninstallKeyName(names_.product_key).c_str(), kView, 0);

        root_ = FreshTestFolder() + L"Torvane";
        ASSERT_TRUE(win::CreateFolderTree(root_ + L"\\sub\\"));
        ASSERT_TRUE(win::CreateFolderTree(root_ + L"\\gone\\"));
        ASSERT_TRUE(WriteFileBytes(root_ + L"\\Torvane.exe", "old exe"));
        ASSERT_TRUE(WriteFileBytes(root_ + L"\\sub\\a.dat", "old a"));
        ASSERT_TRUE(WriteFileBytes(root_ + L"\\source.dat", "700001"));
        ASSERT_TRUE(WriteFileBytes(root_ + L"\\extra.txt", "stray"));
        ASSERT_TRUE(WriteInstallRecord(root_ + L"\\Uninstall.xml", {root_ + L"\\Torvane.exe", root_ + L"\\sub\\a.dat"},
                                       {root_ + L"\\sub", root_ + L"\\gone"}));
        WriteValue(false, ApplicationKeyName(names_.product_key), L"AppPath", root_ + L"\\");
        before_ = FolderContents(root_);
    }
    void TearDown() override {
        ClearJournalPointer(names_.product_key);
        ::RegDeleteKeyExW(HKEY_CURRENT_USER, ApplicationKeyName(names_.product_key).c_str(), kView, 0);
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, UninstallKeyName(names_.product_key).c_str(), kView, 0);
    }

    // What the extraction, record and registry steps of the update would write.
    void WriteNewInstall() {
        ASSERT_TRUE(WriteFileBytes(root_ + L"\\Torvane.exe", "new exe"));
        ASSERT_TRUE(WriteFileBytes(root_ + L"\\sub\\b.dat", "new b"));
        ASSERT_TRUE(win::CreateFolderTree(root_ + L"\\newdir\\"));
        ASSERT_TRUE(WriteFileBytes(root_ + L"\\newdir\\c.txt", "new c"));
        ASSERT_TRUE(WriteFileBytes(root_ + L"\\extra.txt", "new extra"));
        ASSERT_TRUE(WriteInstallRecord(root_ + L"\\Uninstall.xml", {root_ + L"\\Torvane.exe"}, {}));
        WriteValue(false, ApplicationKeyName(names_.product_key), L"AppPath", L"D:\\elsewhere\\");
        WriteValue(true, UninstallKeyName(names_.product_key), L"DisplayName", L"new");
    }

    void ExpectEarlierInstallBack() {
        EXPECT_EQ(before_, FolderContents(root_));
        bool present = false;
        EXPECT_EQ(root_ + L"\\", ReadValue(false, ApplicationKeyName(names_.product_key), L"AppPath", &present));
        ReadValue(true, UninstallKeyName(names_.product_key), L"DisplayName", &present);
        EXPECT_FALSE(present);
        EXPECT_EQ(L"", ReadJournalPointer(names_.product_key));
    }

    const std::vector<std::wstring> items_{L"Torvane.exe", L"sub/a.dat", L"sub/b.dat", L"newdir/c.txt", L"extra.txt",
                                           L"../outside.txt"};
    UpdateNames names_;
    std::wstring root_;
    std::map<std::wstring, std::string> before_;
};

TEST_F(Update, JournalRoundTripsEveryEntryAndIsReplacedWhole) {
    UpdateJournal journal;
    journal.phase = UpdatePhase::Unpacking;
    journal.root = root_;
    journal.backup = root_ + L"\\~update-1";
    journal.earlier = L"D:\\Old \"quoted\" & <odd>\\Torvane";
    journal.moves = {{root_ + L"\\Torvane.exe", journal.backup + L"\\0"}};
    journal.new_files = {root_ + L"\\托尔文.txt"};
    journal.new_dirs = {root_ + L"\\newdir"};
    journal.keys = {{true, L"SOFTWARE\\k", false}};
    SavedValue value;
    value.machine = true;
    value.key = L"SOFTWARE\\k";
    value.name = L"Bin";
    value.present = true;
    value.type = REG_BINARY;
    value.data = {0x00, 0xff, 0x10, 0x7f};
    journal.values = {value};
    journal.links = {{L"C:\\l.lnk", journal.backup + L"\\link0.lnk"}};
    journal.service = {true, L"\"C:\\x\\TorvaneService.exe\"", true};
    ASSERT_TRUE(win::CreateFolderTree(journal.backup + L"\\"));
    const std::wstring path = JournalPath(journal.backup);
    ASSERT_TRUE(SaveJournal(path, journal));

    UpdateJournal read;
    ASSERT_TRUE(LoadJournal(path, &read));
    EXPECT_EQ(UpdatePhase::Unpacking, read.phase);
    EXPECT_EQ(journal.earlier, read.earlier);
    ASSERT_EQ(1u, read.moves.size());
    EXPECT_EQ(journal.moves[0].to, read.moves[0].to);
    EXPECT_EQ(journal.new_files, read.new_files);
    EXPECT_EQ(journal.new_dirs, read.new_dirs);
    ASSERT_EQ(1u, read.values.size());
    EXPECT_EQ(value.data, read.values[0].data);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), read.values[0].type);
    ASSERT_EQ(1u, read.keys.size());
    EXPECT_FALSE(read.keys[0].present);
    EXPECT_EQ(journal.links[0].copy, read.links[0].copy);
    EXPECT_TRUE(read.service.running);
    EXPECT_EQ(journal.service.binary_path, read.service.binary_path);

    journal.phase = UpdatePhase::Committing;
    journal.moves.clear();
    ASSERT_TRUE(SaveJournal(path, journal));
    ASSERT_TRUE(LoadJournal(path, &read));
    EXPECT_EQ(UpdatePhase::Committing, read.phase);
    EXPECT_TRUE(read.moves.empty());
    EXPECT_FALSE(win::FileExists(JournalTempPath(journal.backup)));

    // A half-written journal is no journal.
    ASSERT_TRUE(WriteFileBytes(path, "<Update phase=\"unpacking\" root=\"C:\\"));
    EXPECT_FALSE(LoadJournal(path, &read));
}

TEST_F(Update, FailureAfterUnpackingPutsTheEarlierInstallBack) {
    UpdateTransaction update(names_);
    ASSERT_EQ(0u, update.Begin(root_ + L"\\", root_ + L"\\", items_));
    // The recorded files, the record, the marker and the stray file go aside;
    // nothing outside the root is planned.
    EXPECT_EQ(5u, update.journal().moves.size());
    for (const std::wstring& file : update.journal().new_files)
        EXPECT_EQ(0u, file.find(root_ + L"\\")) << win::WideToUtf8(file);
    EXPECT_EQ(JournalPath(update.journal().backup), ReadJournalPointer(names_.product_key));

    size_t calls = 0;
    ASSERT_EQ(0u, update.MoveAside([&](size_t done, size_t total) {
        ++calls;
        EXPECT_EQ(calls, done);
        EXPECT_EQ(5u, total);
    }));
    EXPECT_EQ(5u, calls);
    EXPECT_FALSE(win::FileExists(root_ + L"\\Torvane.exe"));
    EXPECT_FALSE(win::FileExists(root_ + L"\\Uninstall.xml"));
    EXPECT_TRUE(win::FileExists(root_ + L"\\sub\\"));  // folders stay for the new files
    WriteNewInstall();

    EXPECT_TRUE(update.RollBack());
    ExpectEarlierInstallBack();
}

TEST_F(Update, KilledRunIsRolledBackByTheNextRun) {
    {
        // Killed after unpacking: the transaction is never told.
        UpdateTransaction update(names_);
        ASSERT_EQ(0u, update.Begin(root_ + L"\\", root_ + L"\\", items_));
        ASSERT_EQ(0u, update.MoveAside(nullptr));
        WriteNewInstall();
    }
    EXPECT_TRUE(RepairInterruptedUpdate(names_));
    ExpectEarlierInstallBack();

    {
        // Killed while moving: two files are aside, the rest in place.
        UpdateTransaction update(names_);
        ASSERT_EQ(0u, update.Begin(root_ + L"\\", root_ + L"\\", items_));
        for (size_t i = 0; i < 2; ++i) {
            const MovedFile& move = update.journal().moves[i];
            ASSERT_TRUE(win::CreateFolderTree(win::FolderOf(move.to)));
            ASSERT_EQ(0u, RenameFileNoFollow(move.from, move.to));
        }
    }
    EXPECT_TRUE(RepairInterruptedUpdate(names_));
    ExpectEarlierInstallBack();
    EXPECT_TRUE(RepairInterruptedUpdate(names_));  // nothing left: nothing done
    ExpectEarlierInstallBack();
}

TEST_F(Update, CommitDeletesTheBackupAndWhatTheNewInstallNoLongerHas) {
    UpdateTransaction update(names_);
    ASSERT_EQ(0u, update.Begin(root_ + L"\\", root_ + L"\\", items_));
    const std::wstring backup = update.journal().backup;
    ASSERT_EQ(0u, update.MoveAside(nullptr));
    WriteNewInstall();
    const auto installed = FolderContents(root_);

    bool earlierRemoved = true;
    ASSERT_TRUE(update.Commit({root_ + L"\\sub", root_ + L"\\newdir"}, &earlierRemoved));
    EXPECT_FALSE(earlierRemoved);  // no earlier install elsewhere
    auto expected = installed;
    for (auto it = expected.begin(); it != expected.end();) {
        const bool ours = it->first.rfind(L"~update-", 0) == 0 || it->first == L"gone\\";
        it = ours ? expected.erase(it) : std::next(it);
    }
    EXPECT_EQ(expected, FolderContents(root_));
    EXPECT_FALSE(win::FileExists(backup));
    EXPECT_EQ(L"", ReadJournalPointer(names_.product_key));
}

TEST_F(Update, KilledCommitIsFinishedByTheNextRun) {
    std::wstring backup;
    {
        UpdateTransaction update(names_);
        ASSERT_EQ(0u, update.Begin(root_ + L"\\", root_ + L"\\", items_));
        ASSERT_EQ(0u, update.MoveAside(nullptr));
        WriteNewInstall();
        UpdateJournal marked = update.journal();
        marked.phase = UpdatePhase::Committing;
        backup = marked.backup;
        ASSERT_TRUE(SaveJournal(JournalPath(backup), marked));
        ASSERT_TRUE(DeleteOwnedFile(marked.moves[0].to));  // the clean-up had begun
    }
    auto expected = FolderContents(root_);
    for (auto it = expected.begin(); it != expected.end();)
        it = it->first.rfind(L"~update-", 0) == 0 ? expected.erase(it) : std::next(it);
    EXPECT_TRUE(RepairInterruptedUpdate(names_));
    EXPECT_FALSE(win::FileExists(backup));
    EXPECT_EQ("new exe", ReadFileBytes(root_ + L"\\Torvane.exe"));
    EXPECT_EQ(expected, FolderContents(root_));
    EXPECT_EQ(L"", ReadJournalPointer(names_.product_key));
}

TEST_F(Update, FileHeldWithoutDeleteSharingStopsTheMovesAndIsRolledBack) {
    win::UniqueFile held(::CreateFileW((root_ + L"\\sub\\a.dat").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    UpdateTransaction update(names_);
    ASSERT_EQ(0u, update.Begin(root_ + L"\\", root_ + L"\\", items_));
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), update.MoveAside(nullptr));
    EXPECT_FALSE(win::FileExists(root_ + L"\\Torvane.exe"));  // moved before the held one
    EXPECT_TRUE(update.RollBack());
    held.reset();
    ExpectEarlierInstallBack();
}

// A recorded file that is a link to a read-only file elsewhere is not moved
// (Wine would move the file it points to), whether the run commits or rolls
// back: that file keeps its place, data and read-only attribute.
TEST_F(Update, RecordedLinkToAReadOnlyFileLeavesThatFileAlone) {
    const std::wstring victim = win::FolderOf(root_) + L"system.dll";  // beside the root
    ASSERT_TRUE(WriteFileBytes(victim, "system"));
    ASSERT_TRUE(MakeUnixSymlink(victim, root_ + L"\\sub\\linked.dll"));
    ASSERT_TRUE(::SetFileAttributesW(victim.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(WriteInstallRecord(root_ + L"\\Uninstall.xml",
                                   {root_ + L"\\Torvane.exe", root_ + L"\\sub\\a.dat", root_ + L"\\sub\\linked.dll"},
                                   {root_ + L"\\sub", root_ + L"\\gone"}));
    auto expectVictimUntouched = [&] {
        EXPECT_EQ("system", ReadFileBytes(victim));
        EXPECT_TRUE(::GetFileAttributesW(victim.c_str()) & FILE_ATTRIBUTE_READONLY);
    };
    for (const bool commit : {false, true}) {
        UpdateTransaction update(names_);
        ASSERT_EQ(0u, update.Begin(root_ + L"\\", root_ + L"\\", items_));
        ASSERT_EQ(0u, update.MoveAside(nullptr));
        expectVictimUntouched();
        WriteNewInstall();
        if (commit) {
            bool earlierRemoved = false;
            ASSERT_TRUE(update.Commit({root_ + L"\\sub", root_ + L"\\newdir"}, &earlierRemoved));
            EXPECT_EQ("system", ReadFileBytes(root_ + L"\\sub\\linked.dll"));  // left as it was
        } else {
            ASSERT_TRUE(update.RollBack());
            EXPECT_EQ("system", ReadFileBytes(root_ + L"\\sub\\linked.dll"));  // the link is back
        }
        expectVictimUntouched();
    }
    ::SetFileAttributesW(victim.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Update, RepairActsOnlyInsideItsOwnFolders) {
    // A pointer to anything but an update folder inside an install root is dropped.
    const std::wstring base = FreshTestFolder();
    const std::wstring foreign = base + L"Other\\~update-1\\update.xml";
    ASSERT_TRUE(win::CreateFolderTree(win::FolderOf(foreign)));
    ASSERT_TRUE(WriteFileBytes(foreign, "keep"));
    ASSERT_TRUE(SetJournalPointer(names_.product_key, foreign));
    EXPECT_TRUE(RepairInterruptedUpdate(names_));
    EXPECT_EQ("keep", ReadFileBytes(foreign));
    EXPECT_EQ(L"", ReadJournalPointer(names_.product_key));

    // A journal whose moves lead out of its backup folder is refused as a whole.
    const std::wstring victim = base + L"victim.txt";
    ASSERT_TRUE(WriteFileBytes(victim, "victim"));
    UpdateJournal journal;
    journal.root = root_;
    journal.backup = root_ + L"\\~update-2";
    journal.moves = {{root_ + L"\\planted.txt", victim}};
    ASSERT_TRUE(win::CreateFolderTree(journal.backup + L"\\"));
    ASSERT_TRUE(SaveJournal(JournalPath(journal.backup), journal));
    ASSERT_TRUE(SetJournalPointer(names_.product_key, JournalPath(journal.backup)));
    EXPECT_FALSE(RepairInterruptedUpdate(names_));
    EXPECT_EQ("victim", ReadFileBytes(victim));
    EXPECT_FALSE(win::FileExists(root_ + L"\\planted.txt"));
}

}  // namespace
