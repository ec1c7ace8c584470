#include "engine/payload/payload.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "app/string_bundle.h"
#include "engine/payload/payload_bytes.h"
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

// The payload is read where it is, whole: the resource of this executable, or a
// named file; what is missing or empty is refused.
TEST(PayloadBytes, ResourceAndFileHoldTheWholePayload) {
    const std::string expected = ReadAll(TEST_PAYLOAD_7Z);
    PayloadBytes resource;
    ASSERT_TRUE(resource.FromResource(nullptr, PAYLOAD_RESOURCE_TYPE, IDR_PAYLOAD));
    EXPECT_EQ(std::string(static_cast<const char*>(resource.data()), resource.size()), expected);

    PayloadBytes file;
    ASSERT_TRUE(file.FromFile(TEST_PAYLOAD_7Z));
    EXPECT_EQ(std::string(static_cast<const char*>(file.data()), file.size()), expected);

    ScratchFolder out(L"bytes");
    const std::wstring empty = out / L"empty.7z";
    std::ofstream(std::filesystem::path(empty)).flush();
    PayloadBytes none;
    EXPECT_FALSE(none.FromResource(nullptr, PAYLOAD_RESOURCE_TYPE, 999));
    EXPECT_FALSE(none.FromFile(out / L"missing.7z"));
    EXPECT_FALSE(none.FromFile(empty));
    EXPECT_FALSE(none);
}

TEST(Payload, EmbeddedPayloadUnpacksTheProductPrograms) {
    ScratchFolder out(L"product");
    PayloadBytes payload;
    ASSERT_TRUE(payload.FromResource(nullptr, PAYLOAD_RESOURCE_TYPE, IDR_PAYLOAD));
    const std::wstring dest = out / L"install\\";
    ResetPayloadState();
    SevenZip::SevenZipExtractor extractor;
    extractor.SetArchiveBytes(payload.data(), payload.size());
    PCallBack callback(InstallWindow{}, GetString(L"INSTALL_1_TEXT"));
    ASSERT_EQ(extractor.ExtractArchive(dest, &callback), 0);
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

// While the extraction reads a payload file, nobody else can write, rename or
// delete it, and what is unpacked is what the file held.
class SecondProcessDuringExtraction : public payload_test::QuietCallback {
public:
    explicit SecondProcessDuringExtraction(std::wstring archive) : m_archive(std::move(archive)) {}
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

TEST(PayloadBytes, NoOtherProcessCanWriteRenameOrDeleteTheFileDuringTheExtraction) {
    ScratchFolder out(L"sharing");
    const std::wstring path = out / L"payload.7z";
    ASSERT_TRUE(CopyFileW(TEST_PAYLOAD_7Z, path.c_str(), FALSE));
    {
        PayloadBytes payload;
        ASSERT_TRUE(payload.FromFile(path));
        SevenZip::SevenZipExtractor extractor;
        extractor.SetArchiveBytes(payload.data(), payload.size());
        SecondProcessDuringExtraction callback(path);
        ASSERT_EQ(extractor.ExtractArchive(out / L"install\\", &callback), 0);
        ASSERT_TRUE(callback.tried);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(out / L"moved.7z")));
        EXPECT_TRUE(win::FileExists(out / L"install\\Torvane.exe"));
    }
    EXPECT_EQ(ReadAll(path), ReadAll(TEST_PAYLOAD_7Z));
    // Released with its owner: the file can be changed again.
    EXPECT_TRUE(DeleteFileW(path.c_str()));
}

}  // namespace
