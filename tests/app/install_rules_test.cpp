#include "app/install_rules.h"

#include "app/install_folder.h"
#include "engine/registry/registry_records.h"
#include "win/path.h"
#include "win/registry.h"
#include "win/text.h"

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

std::wstring WindowsFolder() {
    wchar_t windows[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windows, MAX_PATH);
    return windows;
}

TEST(InstallFolder, EverySourceGetsTheProductFolderWithItsSeparator) {
    const struct { const wchar_t* in; const wchar_t* out; } cases[] = {
        {L"C:\\Other\\Torvane", L"C:\\Other\\Torvane\\"},  // no trailing separator
        {L"C:\\victim\\", L"C:\\victim\\Torvane\\"},        // never the user's folder itself
        {L"C:/Apps/", L"C:\\Apps\\Torvane\\"},
        {L"d:\\Apps\\x\\..\\.\\Tools", L"d:\\Apps\\Tools\\Torvane\\"},
        {L"C:\\", L"C:\\Torvane\\"},
        {L"C:\\Windowsx", L"C:\\Windowsx\\Torvane\\"},  // a name that only starts like it
        {L"C:\\CONSOLE\\COM10\\LPTX\\a.b", L"C:\\CONSOLE\\COM10\\LPTX\\a.b\\Torvane\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveInstallFolder(c.in), c.out) << win::WideToUtf8(c.in);
}

TEST(InstallFolder, RefusesWhatIsNotAPlainFolderOnADrive) {
    const wchar_t* refused[] = {
        L"", L"Apps", L"C:", L"C:rel", L"C:rel\\Torvane", L"1:\\Apps",
        L"\\\\server\\share\\Apps", L"//server/share/Apps", L"\\\\?\\C:\\Apps", L"\\\\.\\C:\\Apps", L"\\Apps",
        L"C:\\CON", L"C:\\Apps\\nul.txt", L"C:\\Apps\\Aux\\x", L"C:\\prn .log", L"C:\\com1", L"C:\\LPT9.dat",
        L"C:\\COM\u00B9", L"C:\\lpt\u00B2\\x", L"C:\\Com\u00B3.txt", L"C:\\conin$",
        L"C:\\Apps.", L"C:\\Apps \\x", L"C:\\Apps\\...", L"C:\\Apps\\x.\\..", L"C:\\Lpt0",
        L"C:\\Apps:stream", L"C:\\Ap*s", L"C:\\Apps\\a?b", L"C:\\a|b", L"C:\\a\tb",
    };
    for (const wchar_t* path : refused)
        EXPECT_EQ(ResolveInstallFolder(path), L"") << win::WideToUtf8(path);
    EXPECT_EQ(ResolveInstallFolder(L"C:\\" + std::wstring(240, L'a')), L"");  // no room for the product's files
}

TEST(InstallFolder, RefusesTheWindowsFolderAndEverythingInIt) {
    const std::wstring windows = WindowsFolder();
    ASSERT_GE(windows.size(), 3u);
    std::wstring lower = windows;
    ::CharLowerBuffW(&lower[0], static_cast<DWORD>(lower.size()));
    const std::wstring inside[] = {windows, windows + L"\\", windows + L"\\Torvane", lower + L"\\System32\\x"};
    for (const std::wstring& path : inside) {
        EXPECT_EQ(ResolveInstallFolder(path), L"") << win::WideToUtf8(path);
        EXPECT_TRUE(IsInWindowsFolder(path)) << win::WideToUtf8(path);
    }
    // Into it by a detour.
    EXPECT_EQ(ResolveInstallFolder(windows + L"\\..\\" + windows.substr(3) + L"\\Temp"), L"");
    EXPECT_FALSE(IsInWindowsFolder(windows + L"x\\"));
    EXPECT_FALSE(IsInWindowsFolder(windows.substr(0, 3)));
}

// A product key of the test's own in both hives, removed before and after.
class EarlierInstallRecord : public ::testing::Test {
protected:
    const std::wstring key_ = L"TorvaneTest_Earlier" + std::to_wstring(::GetCurrentProcessId());
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    void Clean() {
        ::RegDeleteKeyExW(HKEY_CURRENT_USER, engine::ApplicationKeyName(key_).c_str(), KEY_WOW64_32KEY, 0);
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, engine::UninstallKeyName(key_).c_str(), KEY_WOW64_32KEY, 0);
    }
    void Write(HKEY root, const std::wstring& subkey, const wchar_t* name, const std::wstring& value) {
        win::UniqueRegKey key = win::CreateRegKey(root, subkey, KEY_ALL_ACCESS | KEY_WOW64_32KEY);
        ASSERT_TRUE(key);
        ASSERT_TRUE(win::SetRegString(key.get(), name, value));
    }
    void WriteAppPath(const std::wstring& value) {
        Write(HKEY_CURRENT_USER, engine::ApplicationKeyName(key_), L"AppPath", value);
    }
    void WriteMachine(const wchar_t* name, const std::wstring& value) {
        Write(HKEY_LOCAL_MACHINE, engine::UninstallKeyName(key_), name, value);
    }
};

TEST_F(EarlierInstallRecord, AppPathCountsOnlyWithoutAMachineRecordAndIsResolved) {
    EXPECT_EQ(FindEarlierInstall(key_).recorded, L"");
    WriteAppPath(L"C:\\victim\\");
    EarlierInstall earlier = FindEarlierInstall(key_);
    EXPECT_FALSE(earlier.machineWide);
    EXPECT_EQ(earlier.recorded, L"C:\\victim\\");
    EXPECT_EQ(earlier.folder, L"C:\\victim\\Torvane\\");

    WriteAppPath(L"C:rel");
    earlier = FindEarlierInstall(key_);
    EXPECT_EQ(earlier.recorded, L"C:rel");
    EXPECT_EQ(earlier.folder, L"");  // recorded, but no folder to stop or remove anything in

    // The elevated installer's own record wins over anything the user wrote.
    WriteMachine(L"UninstallString", L"\"D:\\Apps\\Torvane\\Uninstall.exe\"");
    earlier = FindEarlierInstall(key_);
    EXPECT_TRUE(earlier.machineWide);
    EXPECT_EQ(earlier.folder, L"D:\\Apps\\Torvane\\");
    WriteMachine(L"DisplayIcon", L"E:\\Tools\\Torvane\\Torvane.exe");
    EXPECT_EQ(FindEarlierInstall(key_).folder, L"E:\\Tools\\Torvane\\");
    WriteMachine(L"DisplayIcon", L"Torvane.exe");  // names no folder: refused, AppPath still not used
    earlier = FindEarlierInstall(key_);
    EXPECT_TRUE(earlier.machineWide);
    EXPECT_EQ(earlier.folder, L"");
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
