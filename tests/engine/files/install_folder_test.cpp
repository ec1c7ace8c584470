#include "engine/files/install_folder.h"

#include "win/path.h"
#include "tests/engine/test_support.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

bool IsRealFolder(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

}  // namespace

TEST(PrepareInstallFolder, MakesANewFolderOrReusesOneAndRefusesAFile) {
    const std::wstring base = FreshTestFolder();
    const std::wstring fresh = base + L"new\\deeper\\Torvane\\";
    EXPECT_TRUE(engine::PrepareInstallFolder(fresh)) << ::GetLastError();
    EXPECT_TRUE(IsRealFolder(fresh));

    ASSERT_TRUE(WriteFileBytes(fresh + L"kept.dat", "x"));
    EXPECT_TRUE(engine::PrepareInstallFolder(fresh));
    EXPECT_EQ(ReadFileBytes(fresh + L"kept.dat"), "x");

    ASSERT_TRUE(WriteFileBytes(base + L"file", "x"));
    EXPECT_FALSE(engine::PrepareInstallFolder(base + L"file\\"));
    EXPECT_EQ(ReadFileBytes(base + L"file"), "x");
}

// A link at the install folder itself is removed and a real folder made; where
// the system gives no handle on the link (Wine), the install is refused and the
// folder it points to stays as it was.
TEST(PrepareInstallFolder, LinkAtTheFolderIsNeverSecuredOrWrittenThrough) {
    const std::wstring base = FreshTestFolder();
    const std::wstring elsewhere = base + L"elsewhere\\";
    win::CreateFolderTree(elsewhere);
    ASSERT_TRUE(WriteFileBytes(elsewhere + L"user.txt", "mine"));
    ASSERT_TRUE(MakeUnixSymlink(elsewhere, base + L"Torvane"));

    if (engine::PrepareInstallFolder(base + L"Torvane\\")) {
        EXPECT_TRUE(IsRealFolder(base + L"Torvane"));
        EXPECT_FALSE(win::FileExists(base + L"Torvane\\user.txt"));
    } else {
        RemoveUnixEntry(base + L"Torvane");
    }
    EXPECT_EQ(ReadFileBytes(elsewhere + L"user.txt"), "mine");
}
