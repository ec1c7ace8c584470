#include "engine/payload.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "app/string_bundle.h"
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
