#include "engine/payload/payload.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "app/string_bundle.h"
#include "engine/payload/temp_archive.h"
#include "tests/engine/test_support.h"
#include "win/path.h"
#include "win/text.h"
#include "win/unique_handle.h"
#include "test_support.h"

using payload_test::Archive;
using payload_test::ReadAll;
using payload_test::ScratchFolder;

namespace {

// A message-only window of this thread that collects what the extraction posts.
class PostedMessages {
public:
    PostedMessages() { m_window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr); }
    ~PostedMessages() { Collect(); DestroyWindow(m_window); }
    HWND window() const { return m_window; }

    void Collect() {
        MSG msg;
        while (PeekMessageW(&msg, m_window, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_INSTALL_STATUS) {
                std::unique_ptr<InstallStatusText> text(reinterpret_cast<InstallStatusText*>(msg.lParam));
                statuses.push_back(*text);
            } else if (msg.message == WM_INSTALL_PROGRESS) {
                percents.push_back(static_cast<int>(msg.wParam));
            }
        }
    }
    std::vector<std::wstring> statuses;
    std::vector<int> percents;

private:
    HWND m_window = nullptr;
};

LONG Extract(const std::wstring& archive, const std::wstring& dest, const InstallWindow& window) {
    SevenZip::SevenZipExtractor extractor;
    extractor.SetArchivePath(archive);
    PCallBack callback(window, GetString(L"INSTALL_1_TEXT"));
    return extractor.ExtractArchive(dest, &callback);
}

bool Contains(const std::vector<std::wstring>& list, const std::wstring& path) {
    for (const auto& p : list) if (p == path) return true;
    return false;
}

TEST(WriteResourceToFile, CopiesTheEmbeddedPayloadWhole) {
    ScratchFolder out(L"resource");
    const std::wstring path = out / L"resource.7z";
    ASSERT_TRUE(WriteResourceToFile(IDR_PAYLOAD, PAYLOAD_RESOURCE_TYPE, path));
    EXPECT_EQ(ReadAll(path), ReadAll(TEST_PAYLOAD_7Z));

    const std::wstring missing = out / L"missing.7z";
    EXPECT_FALSE(WriteResourceToFile(999, PAYLOAD_RESOURCE_TYPE, missing));
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(WriteResourceToFile(IDR_PAYLOAD, PAYLOAD_RESOURCE_TYPE, out / L"no\\such\\folder\\x.7z"));
}

TEST(WriteResourceToFile, TempArchiveIsResource7zInTheTempFolder) {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    EXPECT_EQ(TempArchivePath(), std::wstring(temp) + L"resource.7z");
}

TEST(Payload, EmbeddedPayloadUnpacksTheProductPrograms) {
    ScratchFolder out(L"product");
    const std::wstring archive = out / L"resource.7z";
    ASSERT_TRUE(WriteResourceToFile(IDR_PAYLOAD, PAYLOAD_RESOURCE_TYPE, archive));
    const std::wstring dest = out / L"install\\";
    ResetPayloadState();
    ASSERT_EQ(Extract(archive, dest, InstallWindow{}), 0);
    for (const wchar_t* name : {L"Torvane.exe", L"updater.exe", L"Uninstall.exe", L"TorvaneService.exe"})
        EXPECT_TRUE(Contains(g_allFiles, dest + name)) << static_cast<const void*>(name);
    EXPECT_TRUE(Contains(g_allDirs, dest + L"resources\\lang"));
    EXPECT_EQ(g_allFiles, g_newFiles);
    EXPECT_EQ(ReadAll(dest + L"resources\\lang\\zh_CN.ini").empty(), false);
}

TEST(PCallBack, PostsStatusWithFullPathAndSixtyPointsInEqualShares) {
    ScratchFolder out(L"posts");
    PostedMessages posted;
    ResetPayloadState();
    g_fProgress = 10.0f;
    ASSERT_EQ(Extract(Archive(L"lzma2_bcj.7z"), out.path(), InstallWindow{posted.window(), nullptr}), 0);
    posted.Collect();

    // six items, ten points each
    EXPECT_EQ(posted.percents, (std::vector<int>{20, 30, 40, 50, 60, 70}));
    EXPECT_FLOAT_EQ(g_fProgress, 70.0f);
    ASSERT_EQ(posted.statuses.size(), 6u);
    const std::wstring prefix = L"正在解压文件  ";
    for (const auto& status : posted.statuses) {
        ASSERT_EQ(status.compare(0, prefix.size(), prefix), 0);
        const std::wstring path = status.substr(prefix.size());
        EXPECT_TRUE(Contains(g_allFiles, path) || Contains(g_allDirs, path));
    }
    EXPECT_TRUE(Contains(posted.statuses, prefix + out.path() + L"docs\\readme.txt"));
}

// The shares are taken from the item number: the last item lands on exactly 70
// and no item falls a point short, whatever the count.
TEST(PCallBack, EveryItemCountFromOneTo500EndsExactlyOnSeventy) {
    ScratchFolder out(L"shares");
    for (uint32_t n = 1; n <= 500; ++n) {
        ResetPayloadState();
        g_fProgress = 10.0f;
        PCallBack callback(InstallWindow{}, L"");
        callback.OnStart(n);
        for (uint32_t k = 1; k <= n; ++k) {
            std::wstring item = L"f";
            callback.OnItemStart(out.path(), item, false);
            ASSERT_EQ(static_cast<int>(g_fProgress), 10 + static_cast<int>(60 * k / n)) << k << " of " << n;
        }
        ASSERT_EQ(g_fProgress, 70.0f) << n << " items";
    }
}

TEST(PCallBack, ElevenItemsPostTheirSharesAndEndOnSeventy) {
    ScratchFolder out(L"eleven");
    PostedMessages posted;
    ResetPayloadState();
    g_fProgress = 10.0f;
    ASSERT_EQ(Extract(Archive(L"eleven.7z"), out.path(), InstallWindow{posted.window(), nullptr}), 0);
    posted.Collect();
    EXPECT_EQ(posted.percents, (std::vector<int>{15, 20, 26, 31, 37, 42, 48, 53, 59, 64, 70}));
}

TEST(PCallBack, NothingIsPostedOnceTheWindowClosed) {
    ScratchFolder out(L"closed");
    PostedMessages posted;
    std::atomic<int32_t> closed{1};
    ResetPayloadState();
    ASSERT_EQ(Extract(Archive(L"lzma2_bcj.7z"), out.path(), InstallWindow{posted.window(), &closed}), 0);
    posted.Collect();
    EXPECT_TRUE(posted.statuses.empty());
    EXPECT_TRUE(posted.percents.empty());
    EXPECT_NEAR(g_fProgress, 60.0f, 1e-4);
    EXPECT_EQ(g_allFiles.size(), 3u);
}

TEST(PCallBack, EmptyArchiveAddsNoProgress) {
    ScratchFolder out(L"emptyposts");
    PostedMessages posted;
    ResetPayloadState();
    g_fProgress = 10.0f;
    ASSERT_EQ(Extract(Archive(L"empty.7z"), out.path(), InstallWindow{posted.window(), nullptr}), 0);
    posted.Collect();
    EXPECT_TRUE(posted.percents.empty());
    EXPECT_FLOAT_EQ(g_fProgress, 10.0f);
}

TEST(PCallBack, ExistingFoldersAndFilesAreNotNew) {
    ScratchFolder out(L"lists");
    std::filesystem::create_directories(out / L"docs");
    std::ofstream(std::filesystem::path(out / L"top.txt")) << "old";
    ResetPayloadState();
    ASSERT_EQ(Extract(Archive(L"lzma2_bcj.7z"), out.path(), InstallWindow{}), 0);

    EXPECT_EQ(g_allDirs.size(), 3u);
    EXPECT_TRUE(Contains(g_allDirs, out / L"docs"));
    EXPECT_FALSE(Contains(g_newDirs, out / L"docs"));
    EXPECT_TRUE(Contains(g_newDirs, out / L"docs\\empty"));
    EXPECT_EQ(g_allFiles.size(), 3u);
    EXPECT_TRUE(Contains(g_allFiles, out / L"top.txt"));
    EXPECT_FALSE(Contains(g_newFiles, out / L"top.txt"));
    EXPECT_TRUE(Contains(g_newFiles, out / L"bin\\tool.bin"));
}

TEST(PCallBack, SecondRunStartsWithEmptyLists) {
    ScratchFolder first(L"run1");
    ScratchFolder second(L"run2");
    ResetPayloadState();
    ASSERT_EQ(Extract(Archive(L"lzma2_bcj.7z"), first.path(), InstallWindow{}), 0);
    ASSERT_EQ(g_allFiles.size(), 3u);

    ResetPayloadState();
    ASSERT_EQ(Extract(Archive(L"single.7z"), second.path(), InstallWindow{}), 0);
    EXPECT_EQ(g_allFiles, std::vector<std::wstring>{second / L"a.txt"});
    EXPECT_EQ(g_newFiles, std::vector<std::wstring>{second / L"a.txt"});
    EXPECT_TRUE(g_allDirs.empty());
    EXPECT_TRUE(g_newDirs.empty());
    EXPECT_NEAR(g_fProgress, 60.0f, 1e-4);
}

}  // namespace

namespace {

// An item under folders that do not exist yet is new: the lookup fails with
// "path not found" there, not "file not found".
TEST(PCallBack, ItemUnderAMissingFolderIsNew) {
    ScratchFolder out(L"pathnotfound");
    ResetPayloadState();
    PCallBack callback(InstallWindow{}, L"");
    std::wstring file = L"missing\\deeper\\f.txt", folder = L"missing2\\sub";
    ASSERT_TRUE(callback.OnItemStart(out.path(), file, false));
    ASSERT_TRUE(callback.OnItemStart(out.path(), folder, true));
    EXPECT_EQ(g_newFiles, std::vector<std::wstring>{out / L"missing\\deeper\\f.txt"});
    EXPECT_EQ(g_newDirs, std::vector<std::wstring>{out / L"missing2\\sub"});
}

// A Unix symbolic link at `link`. Wine shows one to a folder as a reparse point
// and one to a file as the file itself; either way the name now exists.
bool PlantLink(const std::wstring& target, const std::wstring& link) {
    return testing_support::MakeUnixSymlink(target, link) || win::FileExists(link);
}

bool IsReparsePoint(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Whether a handle opened on the reparse point at `path` is the link itself.
bool OpensAsTheLinkItself(const std::wstring& path) {
    win::UniqueFile link(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    return link && GetFileInformationByHandle(link.get(), &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Whatever was planted at the temporary archive's name is removed, never written
// through: a file, a symbolic link to a file or to a folder, a hard link.
TEST(TempArchive, PlantedEntriesAreReplacedNotWrittenThrough) {
    ScratchFolder out(L"planted");
    const std::wstring victim = out / L"victim.dll", victimFolder = out / L"victims\\";
    std::ofstream(std::filesystem::path(victim)) << "keep";
    std::filesystem::create_directories(std::filesystem::path(victimFolder));
    const std::wstring archive = out / L"resource.7z";
    const std::string payload = ReadAll(TEST_PAYLOAD_7Z);

    const std::vector<std::pair<const char*, std::function<bool()>>> plants{
        {"file", [&] { std::ofstream(std::filesystem::path(archive)) << "old"; return true; }},
        {"read-only file", [&] {
             std::ofstream(std::filesystem::path(archive)) << "old";
             return SetFileAttributesW(archive.c_str(), FILE_ATTRIBUTE_READONLY) != FALSE;
         }},
        {"symbolic link to a file", [&] { return PlantLink(victim, archive); }},
        {"symbolic link to a folder", [&] { return PlantLink(victimFolder, archive); }},
        {"hard link", [&] { return CreateHardLinkW(archive.c_str(), victim.c_str(), nullptr) != FALSE; }},
    };
    for (const auto& [what, plant] : plants) {
        ASSERT_TRUE(plant()) << what;
        if (IsReparsePoint(archive) && !OpensAsTheLinkItself(archive)) {
            // The system offers no handle on the link itself (Wine hands back
            // the folder it points to), so the only safe result is a refusal.
            EXPECT_FALSE(WriteResourceToFile(IDR_PAYLOAD, PAYLOAD_RESOURCE_TYPE, archive)) << what;
            EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::path(victimFolder))) << what;
            EXPECT_TRUE(std::filesystem::is_empty(std::filesystem::path(victimFolder))) << what;
            EXPECT_EQ(ReadAll(victim), "keep") << what;
            ASSERT_TRUE(testing_support::RemoveUnixEntry(archive)) << what;
            continue;
        }
        ASSERT_TRUE(WriteResourceToFile(IDR_PAYLOAD, PAYLOAD_RESOURCE_TYPE, archive)) << what;
        EXPECT_FALSE(IsReparsePoint(archive)) << what;
        EXPECT_EQ(ReadAll(archive), payload) << what;
        EXPECT_EQ(ReadAll(victim), "keep") << what;
        EXPECT_TRUE(std::filesystem::is_empty(std::filesystem::path(victimFolder))) << what;
        ASSERT_TRUE(MoveFileExW(archive.c_str(), (archive + L".done").c_str(), MOVEFILE_REPLACE_EXISTING)) << what;
    }
}

bool IsReadOnly(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// A hard link at the archive's name to a read-only file elsewhere (any user can
// make one to a file they can read): that file stays read-only and unchanged,
// also while its owner holds it open so that the name cannot be replaced (Wine
// renames over a read-only file; Windows refuses, as both do for a file open
// without delete sharing).
TEST(TempArchive, ReadOnlyHardLinkAtTheNameKeepsItsFileReadOnly) {
    ScratchFolder out(L"hardlink");
    const std::wstring victim = out / L"system.dll";
    std::ofstream(std::filesystem::path(victim)) << "keep";
    ASSERT_TRUE(SetFileAttributesW(victim.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::wstring archive = out / L"resource.7z";
    ASSERT_TRUE(CreateHardLinkW(archive.c_str(), victim.c_str(), nullptr));
    {
        const win::UniqueFile held(CreateFileW(victim.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(WriteResourceToFile(IDR_PAYLOAD, PAYLOAD_RESOURCE_TYPE, archive));
        EXPECT_TRUE(IsReadOnly(victim));
    }
    EXPECT_EQ(ReadAll(victim), "keep");

    ASSERT_TRUE(WriteResourceToFile(IDR_PAYLOAD, PAYLOAD_RESOURCE_TYPE, archive));
    EXPECT_EQ(ReadAll(archive), ReadAll(TEST_PAYLOAD_7Z));
    EXPECT_EQ(ReadAll(victim), "keep");
    EXPECT_TRUE(IsReadOnly(victim));
}

// From its creation until the extraction ends, nobody else can write, rename or
// delete the archive, and what is unpacked is what was written.
class SecondProcessDuringExtraction : public SevenZip::ProgressCallback {
public:
    explicit SecondProcessDuringExtraction(std::wstring archive) : m_archive(std::move(archive)) {}
    bool OnStart(uint32_t) override { return false; }
    bool OnItemList(const std::vector<std::wstring>&, const std::vector<uint64_t>&) override { return true; }
    void OnStartWithTotal(const std::wstring&, uint64_t) override {}
    void OnRatio(uint64_t, uint64_t) override {}
    void OnProgress(const std::wstring&, uint64_t) override {}
    void OnDone(const std::wstring&) override {}
    bool OnFileDone(const std::wstring&, uint64_t) override { return true; }
    void OnRestore(const std::pair<std::wstring, std::wstring>&) override {}
    bool OnItemStart(const std::wstring&, std::wstring&, bool) override {
        if (tried) return true;
        tried = true;
        const std::wstring q = L"\"" + m_archive + L"\"";
        overwrite = Run(L"cmd.exe /c echo planted> " + q);
        Run(L"cmd.exe /c del /f /q " + q);
        Run(L"cmd.exe /c ren " + q + L" moved.7z");
        return true;
    }
    bool tried = false;
    DWORD overwrite = 0;

private:
    static DWORD Run(std::wstring command) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                            &pi))
            return 0xFFFFFFFF;
        win::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
        WaitForSingleObject(process.get(), 30000);
        DWORD code = 0xFFFFFFFF;
        GetExitCodeProcess(process.get(), &code);
        return code;
    }
    std::wstring m_archive;
};

TEST(TempArchive, NoOtherProcessCanWriteRenameOrDeleteItDuringTheExtraction) {
    ScratchFolder out(L"sharing");
    TempArchive archive;
    ASSERT_TRUE(archive.Create(out / L"resource.7z"));
    ASSERT_TRUE(WriteResourceToFile(IDR_PAYLOAD, PAYLOAD_RESOURCE_TYPE, archive.Handle()));

    SevenZip::SevenZipExtractor extractor;
    extractor.SetArchivePath(archive.Path());
    extractor.SetArchiveFile(archive.Handle());
    SecondProcessDuringExtraction callback(archive.Path());
    ASSERT_EQ(extractor.ExtractArchive(out / L"install\\", &callback), 0);
    ASSERT_TRUE(callback.tried);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(out / L"moved.7z")));
    EXPECT_TRUE(win::FileExists(out / L"install\\Torvane.exe"));

    archive.Close();
    EXPECT_EQ(ReadAll(out / L"resource.7z"), ReadAll(TEST_PAYLOAD_7Z));
}

// A run killed between making its copy and renaming it into place left the copy
// under its sibling name: the next run's archive clears it, and nothing else.
TEST(TempArchive, LeftoverCopiesOfAKilledRunAreCleared) {
    ScratchFolder out(L"leftover");
    const std::vector<std::wstring> leftovers{L"resource.7z.400-3864424-0.new", L"RESOURCE.7Z.12-5-2.new"};
    const std::vector<std::wstring> others{L"resource.7z.400-x-0.new", L"resource.7z.1-2.new", L"resource.7z.old",
                                           L"other.7z.400-3864424-0.new", L"resource.7z.1-2-3.new.txt"};
    for (const auto& name : leftovers) std::ofstream(std::filesystem::path(out / name.c_str())) << "half";
    for (const auto& name : others) std::ofstream(std::filesystem::path(out / name.c_str())) << "keep";
    TempArchive archive;
    ASSERT_TRUE(archive.Create(out / L"resource.7z"));
    for (const auto& name : leftovers) EXPECT_FALSE(win::FileExists(out / name.c_str())) << win::WideToUtf8(name);
    for (const auto& name : others) EXPECT_EQ(ReadAll(out / name.c_str()), "keep") << win::WideToUtf8(name);
    EXPECT_TRUE(archive.Delete());
}

TEST(TempArchive, DeleteRemovesTheFileThroughItsHandle) {
    ScratchFolder out(L"delete");
    TempArchive archive;
    ASSERT_TRUE(archive.Create(out / L"resource.7z"));
    EXPECT_TRUE(archive.Delete());
    EXPECT_FALSE(win::FileExists(out / L"resource.7z"));
    EXPECT_FALSE(archive.Delete());  // closed already

    TempArchive nowhere;
    EXPECT_FALSE(nowhere.Create(L""));  // an unknown temp folder is no place to write
}

}  // namespace
