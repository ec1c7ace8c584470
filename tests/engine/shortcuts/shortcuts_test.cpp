#include "engine/shortcuts/shortcuts.h"

#include "win/com.h"
#include "win/path.h"
#include "win/text.h"
#include "tests/engine/test_support.h"

#include <shlobj.h>

#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

using namespace engine;
using namespace testing_support;

namespace {

struct Link {
    bool loaded = false;
    std::wstring target, working_dir, description;
    int show = -1;
};

Link ReadLink(const std::wstring& path) {
    Link link;
    win::ComPtr<IShellLinkW> shell_link;
    win::ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  shell_link.put_void())) ||
        FAILED(shell_link.As(IID_IPersistFile, &file)) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return link;
    wchar_t buf[MAX_PATH] = {};
    if (shell_link->GetPath(buf, MAX_PATH, nullptr, SLGP_RAWPATH) == S_OK) link.target = buf;
    buf[0] = 0;
    if (SUCCEEDED(shell_link->GetWorkingDirectory(buf, MAX_PATH))) link.working_dir = buf;
    buf[0] = 0;
    if (SUCCEEDED(shell_link->GetDescription(buf, MAX_PATH))) link.description = buf;
    shell_link->GetShowCmd(&link.show);
    link.loaded = true;
    return link;
}

void ExpectLink(const std::wstring& path, const std::wstring& target, const std::wstring& description) {
    const Link link = ReadLink(path);
    ASSERT_TRUE(link.loaded) << win::WideToUtf8(path);
    EXPECT_TRUE(win::EqualsNoCase(link.target, target)) << win::WideToUtf8(link.target);
    EXPECT_TRUE(win::EqualsNoCase(link.working_dir, win::FolderOf(target))) << win::WideToUtf8(link.working_dir);
    EXPECT_EQ(link.description, description);
    EXPECT_EQ(link.show, SW_SHOWNORMAL);
    // As stored: the header's ShowCommand field. SW_SHOWNORMAL is also what a link
    // reads as when it stores something the shell does not accept.
    const std::string bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), 0x40u);
    uint32_t stored = 0;
    std::memcpy(&stored, bytes.data() + 0x3C, sizeof stored);
    EXPECT_EQ(stored, static_cast<uint32_t>(SW_SHOWNORMAL));
}

// A test folder, COM for the test's thread, and a product name of the test's own so
// that shortcuts in the shared shell folders do not meet those of other tests.
class Shortcuts : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = FreshTestFolder();
        install_ = folder_ + L"Torvane\\";
        ::CreateDirectoryW(install_.c_str(), nullptr);
        WriteFileBytes(install_ + L"Torvane.exe", "MZ");
        WriteFileBytes(install_ + L"Uninstall.exe", "MZ");
        names_.client_name = L"托尔文测试" + win::Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name());
        names_.exe_name = L"Torvane";
        names_.uninstall_text = L"卸载";
    }
    win::ScopedCoInit com_;
    std::wstring folder_, install_;
    ShortcutNames names_;
};

TEST_F(Shortcuts, CreateShortcutSetsTargetFolderDescriptionAndShowCommand) {
    const std::wstring target = install_ + L"Torvane.exe";
    ASSERT_TRUE(CreateShortcut(L"a.lnk", target, L"描述 text", folder_));
    ExpectLink(folder_ + L"a.lnk", target, L"描述 text");
    ASSERT_TRUE(CreateShortcut(L"\\b.lnk", target, nullptr, folder_ + L"Torvane"));  // one separator between
    ExpectLink(install_ + L"b.lnk", target, L"");

    // Derived names: the target's name with "lnk" for its last three characters;
    // no target is this executable.
    ASSERT_TRUE(CreateShortcut(L"", install_ + L"Uninstall.exe", nullptr, folder_));
    ExpectLink(folder_ + L"Uninstall.lnk", install_ + L"Uninstall.exe", L"");
    ASSERT_TRUE(CreateShortcut(L"self.lnk", L"", nullptr, folder_));
    ExpectLink(folder_ + L"self.lnk", win::ModulePath(), L"");

    EXPECT_FALSE(CreateShortcut(L"c.lnk", target, nullptr, L""));
    EXPECT_FALSE(CreateShortcut(L"c.lnk", target, nullptr, folder_ + L"missing"));

    // An existing link is replaced.
    ASSERT_TRUE(CreateShortcut(L"a.lnk", install_ + L"Uninstall.exe", L"second", folder_));
    ExpectLink(folder_ + L"a.lnk", install_ + L"Uninstall.exe", L"second");
}

TEST_F(Shortcuts, StartMenuFolderHoldsProductAndUninstallerAndIsRewritten) {
    const std::wstring programs = CommonProgramsFolder();
    ASSERT_FALSE(programs.empty());
    EXPECT_NE(programs.back(), L'\\');
    const std::wstring menu = programs + L"\\" + names_.client_name + L"\\";
    RemoveTree(programs + L"\\" + names_.client_name);

    ASSERT_TRUE(CreateStartMenuShortcuts(install_, names_));
    ExpectLink(menu + names_.client_name + L".lnk", install_ + L"Torvane.exe", L"");
    ExpectLink(menu + L"卸载" + names_.client_name + L".lnk", install_ + L"Uninstall.exe", L"");

    const std::wstring other = folder_ + L"Other\\Torvane\\";
    ASSERT_TRUE(CreateStartMenuShortcuts(other, names_));
    ExpectLink(menu + names_.client_name + L".lnk", other + L"Torvane.exe", L"");
    ExpectLink(menu + L"卸载" + names_.client_name + L".lnk", other + L"Uninstall.exe", L"");
    RemoveTree(programs + L"\\" + names_.client_name);
}

TEST_F(Shortcuts, QuickLaunchShortcutGoesUnderApplicationData) {
    const std::wstring quick = QuickLaunchFolder();
    ASSERT_FALSE(quick.empty());
    wchar_t app_data[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, app_data)));
    EXPECT_EQ(quick, std::wstring(app_data) + L"\\Microsoft\\Internet Explorer\\Quick Launch");

    const std::wstring link = quick + L"\\" + names_.client_name + L".lnk";
    ::DeleteFileW(link.c_str());
    ASSERT_TRUE(CreateQuickLaunchShortcut(install_, names_));
    ExpectLink(link, install_ + L"Torvane.exe", L"");
    ::DeleteFileW(link.c_str());
}

TEST_F(Shortcuts, DesktopShortcutOnlyAfterASuccessfulInstallWithTheOptionTicked) {
    const std::wstring desktop = CommonDesktopFolder();
    ASSERT_FALSE(desktop.empty());
    const std::wstring link = desktop + L"\\" + names_.client_name + L".lnk";
    ::DeleteFileW(link.c_str());

    DesktopShortcutState ok;
    ok.install_result = 0;
    ok.finished_page_shown = true;
    ok.shortcut_option_selected = true;
    ok.install_folder = install_;

    DesktopShortcutState failed = ok, early = ok, unticked = ok, no_exe = ok;
    failed.install_result = 12;
    early.finished_page_shown = false;
    unticked.shortcut_option_selected = false;
    no_exe.install_folder = folder_ + L"Missing\\Torvane\\";
    for (const DesktopShortcutState* state : {&failed, &early, &unticked, &no_exe}) {
        EXPECT_FALSE(CreateDesktopShortcut(*state, names_, L"comment"));
        EXPECT_FALSE(win::FileExists(link));
    }

    // An existing file of that name is deleted and the shortcut made again.
    ASSERT_TRUE(WriteFileBytes(link, "not a link"));
    EXPECT_FALSE(CreateDesktopShortcut(unticked, names_, L"comment"));
    EXPECT_EQ(ReadFileBytes(link), "not a link");
    ASSERT_TRUE(CreateDesktopShortcut(ok, names_, L""));
    ExpectLink(link, install_ + L"Torvane.exe", L"");
    ASSERT_TRUE(CreateDesktopShortcut(ok, names_, L"托尔文 desktop"));
    ExpectLink(link, install_ + L"Torvane.exe", L"托尔文 desktop");
    ::DeleteFileW(link.c_str());
}

}  // namespace

// The quick-launch folder is the user's: a link planted at the shortcut's name
// is replaced, and the file it points to keeps its data. A program in the
// install folder that is a link gets no shortcut.
TEST_F(Shortcuts, LinksAtTheShortcutOrAtItsTargetAreNotFollowed) {
    const std::wstring link = QuickLaunchFolder() + L"\\" + names_.client_name + L".lnk";
    win::CreateFolderTree(QuickLaunchFolder() + L"\\");
    RemoveUnixEntry(link);  // before the victim exists: a link left by a failed run is invisible until then
    const std::wstring victim = folder_ + L"victim.dat";
    ASSERT_TRUE(WriteFileBytes(victim, "keep"));
    ASSERT_TRUE(MakeUnixSymlink(victim, link));
    ASSERT_TRUE(CreateQuickLaunchShortcut(install_, names_));
    EXPECT_EQ(ReadFileBytes(victim), "keep");
    ExpectLink(link, install_ + L"Torvane.exe", L"");
    ::DeleteFileW(link.c_str());

    ASSERT_TRUE(RemoveUnixEntry(install_ + L"Torvane.exe"));
    ASSERT_TRUE(MakeUnixSymlink(victim, install_ + L"Torvane.exe"));
    EXPECT_FALSE(CreateQuickLaunchShortcut(install_, names_));
    EXPECT_FALSE(win::FileExists(link));
    RemoveUnixEntry(install_ + L"Torvane.exe");
}
