#include "app/checks.h"

#include "win/path.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

TEST(CompareVersions, ComparesFourNumericPartsAndIgnoresTheRest) {
    EXPECT_EQ(CompareVersions(L"6.2.10.03", L"6.2.10.3"), 0);
    EXPECT_LT(CompareVersions(L"6.2.10.03", L"6.2.11"), 0);
    EXPECT_GT(CompareVersions(L"6.2.10.03", L"6.2.9.99"), 0);
    EXPECT_EQ(CompareVersions(L"6.2.10.3.1", L"6.2.10.3.9"), 0);  // a fifth part is never read
    EXPECT_EQ(CompareVersions(L"6.1", L"6.1"), 0);
    EXPECT_LT(CompareVersions(L"", L"6.1"), 0);  // no version reads lower than Windows 7
    EXPECT_GT(CompareVersions(L"10.0", L"6.1"), 0);
    EXPECT_EQ(CompareVersions(L"6.1", L"6.1.0.0"), 0);
    EXPECT_EQ(CompareVersions(L"6.x", L"6.0"), 0);  // a part without digits reads as 0
}

TEST(CompareVersions, RunningWindowsIsAtLeastSeven) {
    const std::wstring version = GetOsVersionString();
    ASSERT_FALSE(version.empty());
    EXPECT_NE(version.find(L'.'), std::wstring::npos);
    EXPECT_GE(CompareVersions(version, L"6.1"), 0) << version;
}

TEST(InstallPath, NormalisesToTheProductFolder) {
    const struct { const wchar_t* in; const wchar_t* out; } cases[] = {
        {L"D:\\Apps", L"D:\\Apps\\Torvane\\"},
        {L"D:\\Apps\\", L"D:\\Apps\\Torvane\\"},
        {L"D:\\Apps\\\\//", L"D:\\Apps\\Torvane\\"},
        {L"D:\\", L"D:\\Torvane\\"},
        {L"D:\\Apps\\torvane", L"D:\\Apps\\torvane\\"},
        {L"D:\\Apps\\Torvane\\", L"D:\\Apps\\Torvane\\"},
        {L"D:\\Torvane2", L"D:\\Torvane2\\Torvane\\"},
    };
    for (const auto& c : cases) {
        std::wstring path = c.in;
        NormalizeInstallDir(path);
        EXPECT_EQ(path, c.out) << c.in;
    }
}

TEST(InstallPath, DotPartsResolveAndOnlyDrivePathsPass) {
    EXPECT_EQ(CanonicalInstallPath(L"D:\\Apps\\x\\..\\.\\Tools"), L"D:\\Apps\\Tools\\");
    EXPECT_TRUE(IsDrivePath(CanonicalInstallPath(L"D:\\Apps")));
    EXPECT_FALSE(IsDrivePath(CanonicalInstallPath(L"Apps")));
    EXPECT_FALSE(IsDrivePath(CanonicalInstallPath(L"\\\\server\\share")));
    EXPECT_FALSE(IsDrivePath(L"D:"));
    EXPECT_TRUE(CanonicalInstallPath(std::wstring(300, L'a')).empty());  // longer than the buffer
}

TEST(FreeSpace, HalfAGibibyteIsEnough) {
    const uint64_t half = 512ull * 1024 * 1024;
    EXPECT_TRUE(IsEnoughFreeSpace(half));
    EXPECT_FALSE(IsEnoughFreeSpace(half - 1));
    EXPECT_TRUE(IsEnoughFreeSpace(100ull << 30));
    EXPECT_TRUE(HasEnoughFreeSpace(L"Q:\\Torvane\\"));  // a drive that cannot be asked does not block
}

TEST(CreateDirectoryTree, CreatesWhatIsMissingAndReportsTheFirstFailure) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring root = std::wstring(temp) + L"torvane-tree-" + std::to_wstring(::GetCurrentProcessId());
    const std::wstring deep = root + L"\\a\\b";
    EXPECT_EQ(CreateDirectoryTree(deep), 0);
    EXPECT_TRUE(win::FileExists(deep));
    EXPECT_EQ(CreateDirectoryTree(deep + L"\\"), 1);  // all there already

    // A file where a folder must go.
    const std::wstring file = root + L"\\file";
    ::CloseHandle(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    const HRESULT blocked = CreateDirectoryTree(file + L"\\sub");
    EXPECT_TRUE(FAILED(blocked));
    EXPECT_EQ(HRESULT_FACILITY(blocked), FACILITY_WIN32);

    ::DeleteFileW(file.c_str());
    ::RemoveDirectoryW(deep.c_str());
    ::RemoveDirectoryW((root + L"\\a").c_str());
    ::RemoveDirectoryW(root.c_str());
}

}  // namespace
