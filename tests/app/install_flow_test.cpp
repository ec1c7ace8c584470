// The flow's decisions without a window: what it asks, the outcome it returns,
// and what it does to folders and processes on the way. Each test works on a
// product key and a program name of its own.
#include "app/install_flow.h"

#include "app/install_product.h"
#include "app/message_box.h"
#include "app/product.h"
#include "app/string_bundle.h"
#include "engine/registry/registry_records.h"
#include "tests/engine/test_support.h"
#include "win/path.h"
#include "win/registry.h"
#include "win/text.h"
#include "win/unique_handle.h"
#include "win/windows_version.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <deque>
#include <string>
#include <vector>

namespace {

using Next = FlowOutcome::Next;
using testing_support::CopyProductExe;
using testing_support::FreshTestFolder;
using testing_support::IsRunning;
using testing_support::StartProgram;

// Answers the flow's questions from a script and keeps every box it was shown.
struct ScriptedUser {
    std::deque<int> answers;
    std::vector<FlowBox> asked;

    AskUser Asker() {
        return [this](const FlowBox& box) {
            asked.push_back(box);
            if (answers.empty()) return kMessageBoxClosed;
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        };
    }
};

class InstallFlow : public ::testing::Test {
protected:
    const std::wstring key_ = L"TorvaneFlowTest" + std::to_wstring(::GetCurrentProcessId());
    ScriptedUser user_;

    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    void Clean() {
        ::RegDeleteKeyExW(HKEY_CURRENT_USER, engine::ApplicationKeyName(key_).c_str(), KEY_WOW64_32KEY, 0);
        ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, engine::UninstallKeyName(key_).c_str(), KEY_WOW64_32KEY, 0);
    }

    FlowInput Input(bool silent, const std::wstring& typedPath = std::wstring()) const {
        FlowInput input;
        input.silent = silent;
        input.product = MakeInstallProduct();
        input.product.names.product_key = key_;
        input.product.names.exe_name = key_;  // the running program looked for is <key>.exe
        input.product.names.pkg_bit = L"64";
        input.product.version = L"6.2.10.03";
        input.typedPath = typedPath;
        return input;
    }

    void Write(HKEY root, const std::wstring& subkey, const wchar_t* name, const std::wstring& value) {
        win::UniqueRegKey key = win::CreateRegKey(root, subkey, KEY_ALL_ACCESS | KEY_WOW64_32KEY);
        ASSERT_TRUE(key);
        ASSERT_TRUE(win::SetRegString(key.get(), name, value));
    }
    void WriteInstalled(const wchar_t* name, const std::wstring& value) {
        Write(HKEY_LOCAL_MACHINE, engine::UninstallKeyName(key_), name, value);
    }
    void WriteAppPath(const std::wstring& value) {
        Write(HKEY_CURRENT_USER, engine::ApplicationKeyName(key_), L"AppPath", value);
    }
};

void ExpectBox(const FlowBox& box, const wchar_t* captionId, const std::wstring& text, UINT flags,
               const wchar_t* okId, const wchar_t* noId, bool owned) {
    EXPECT_STREQ(box.captionId, captionId);
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.flags, flags);
    EXPECT_STREQ(box.okId, okId);
    EXPECT_STREQ(box.noId, noId);
    EXPECT_EQ(box.ownedByWindow, owned);
}

// --- start-up -----------------------------------------------------------------

TEST_F(InstallFlow, PackageOfTheOtherBitnessClosesWith5AndOffersTheDownload) {
    ASSERT_TRUE(win::IsWow64()) << "the tests run this 32-bit program on 64-bit Windows";
    FlowInput input = Input(false);
    input.product.names.pkg_bit = L"32";

    user_.answers = {kMessageBoxOk};
    FlowOutcome outcome = RunStartupChecks(input, user_.Asker());
    ASSERT_EQ(user_.asked.size(), 1u);
    ExpectBox(user_.asked[0], L"MESSAGEBOX_CAPITON", GetString(L"INSTALL_PKG_BIT_MISMATCH2"), 0x34, L"DOWNLOAD_PKG",
              L"CANCEL", false);
    EXPECT_EQ(outcome.next, Next::kClose);
    EXPECT_EQ(outcome.closeResult, 0u);
    EXPECT_EQ(outcome.exitCode, EXIT_BITNESS_MISMATCH);
    EXPECT_EQ(outcome.openPage, input.product.names.company_url);
    EXPECT_FALSE(outcome.openPage.empty());

    user_.answers = {kMessageBoxNo};
    outcome = RunStartupChecks(input, user_.Asker());
    EXPECT_EQ(outcome.exitCode, EXIT_BITNESS_MISMATCH);
    EXPECT_EQ(outcome.next, Next::kClose);
    EXPECT_TRUE(outcome.openPage.empty());

    user_.asked.clear();
    outcome = RunStartupChecks(Input(true), user_.Asker());  // the package fits: silent goes on
    EXPECT_EQ(outcome.next, Next::kStartInstall);
    EXPECT_FALSE(outcome.exitCode);
    input.silent = true;
    outcome = RunStartupChecks(input, user_.Asker());
    EXPECT_TRUE(user_.asked.empty());
    EXPECT_EQ(outcome.next, Next::kClose);
    EXPECT_EQ(outcome.closeResult, static_cast<UINT>(-1));
    EXPECT_EQ(outcome.exitCode, EXIT_BITNESS_MISMATCH);
    EXPECT_TRUE(outcome.openPage.empty());
}

TEST_F(InstallFlow, RunningProductIsEndedOnlyOnceAllowed) {
    const std::wstring exe = FreshTestFolder() + key_ + L".exe";
    ASSERT_TRUE(CopyProductExe(L"updater.exe", exe));
    win::UniqueKernelHandle running(StartProgram(exe));
    ASSERT_TRUE(running);

    user_.answers = {kMessageBoxClosed};
    FlowOutcome outcome = RunStartupChecks(Input(false), user_.Asker());
    ASSERT_EQ(user_.asked.size(), 1u);
    ExpectBox(user_.asked[0], L"MESSAGEBOX_CAPITON", GetString(L"MESSAGEBOX_WARNING_RUNNING_TEXT"), 0x34,
              L"INSTALL", L"CANCEL", false);
    EXPECT_EQ(outcome.next, Next::kClose);
    EXPECT_EQ(outcome.exitCode, EXIT_DECLINED_STOP_PRODUCT);
    EXPECT_TRUE(IsRunning(running.get())) << "declined, yet the product was ended";

    user_.answers = {kMessageBoxOk};
    outcome = RunStartupChecks(Input(false), user_.Asker());
    EXPECT_EQ(outcome.next, Next::kStay);
    EXPECT_FALSE(outcome.exitCode);
    EXPECT_EQ(::WaitForSingleObject(running.get(), 0), WAIT_OBJECT_0) << "allowed, yet still running";

    running.reset(StartProgram(exe));
    ASSERT_TRUE(running);
    user_.asked.clear();
    outcome = RunStartupChecks(Input(true), user_.Asker());
    EXPECT_TRUE(user_.asked.empty());
    EXPECT_EQ(outcome.next, Next::kStartInstall);
    EXPECT_EQ(::WaitForSingleObject(running.get(), 0), WAIT_OBJECT_0) << "silent start-up left the product running";
}

// --- the install's start ------------------------------------------------------

TEST_F(InstallFlow, InvalidPathRefusesWith9AndStaysOnlyWhenInteractive) {
    FlowOutcome outcome = DecideInstall(Input(false, L"Apps"), user_.Asker());
    EXPECT_TRUE(user_.asked.empty());
    EXPECT_EQ(outcome.next, Next::kStay);
    EXPECT_EQ(outcome.exitCode, EXIT_SILENT_BAD_PATH);
    ASSERT_TRUE(outcome.notice);
    ExpectBox(*outcome.notice, L"MESSAGEBOX_CAPITON", GetString(L"MESSAGEBOX_INVALID_DIR_TEXT"), 0x10, L"OK", nullptr,
              true);
    EXPECT_FALSE(outcome.reselectShortcut);

    outcome = DecideInstall(Input(true, L"\\\\server\\share"), user_.Asker());
    EXPECT_EQ(outcome.next, Next::kClose);
    EXPECT_EQ(outcome.closeResult, 0u);
    EXPECT_EQ(outcome.exitCode, EXIT_SILENT_BAD_PATH);
    EXPECT_FALSE(outcome.notice);
}

TEST_F(InstallFlow, FolderThatCannotBeMadeRefusesWith10AndNamesTheError) {
    const std::wstring file = FreshTestFolder() + L"file";
    ASSERT_TRUE(testing_support::WriteFileBytes(file, "x"));
    const FlowOutcome outcome = DecideInstall(Input(false, file + L"\\sub"), user_.Asker());
    EXPECT_EQ(outcome.next, Next::kStay);
    EXPECT_EQ(outcome.exitCode, EXIT_SILENT_CREATE_FOLDER_FAILED);
    EXPECT_TRUE(outcome.reselectShortcut);
    ASSERT_TRUE(outcome.notice);
    const std::wstring base = GetString(L"MESSAGEBOX_INVALID_DIR_TEXT");
    const std::wstring& text = outcome.notice->text;
    ASSERT_GT(text.size(), base.size() + 2);
    EXPECT_EQ(text.substr(0, base.size()), base);
    const std::wstring code = text.substr(base.size());
    EXPECT_EQ(code.front(), L'(');
    EXPECT_EQ(code.back(), L')');
    EXPECT_GT(std::wcstol(code.c_str() + 1, nullptr, 10), 0) << win::WideToUtf8(code);

    EXPECT_EQ(DecideInstall(Input(true, file + L"\\sub"), user_.Asker()).next, Next::kClose);
}

TEST_F(InstallFlow, OtherBitnessOrNewerVersionIsReplacedOnlyWhenTheUserAgrees) {
    const std::wstring typed = FreshTestFolder() + L"Apps";
    WriteInstalled(L"PkgBit", L"32");
    user_.answers = {kMessageBoxClosed};
    FlowOutcome outcome = DecideInstall(Input(false, typed), user_.Asker());
    ASSERT_EQ(user_.asked.size(), 1u);
    ExpectBox(user_.asked[0], L"INSTALL_TIPS",
              L"检测到您已安装32位托尔文，当前为64位安装包，安装将先卸载32位后进行安装，是否继续安装？", 0x34,
              L"CONTINUE", L"CANCEL", false);
    EXPECT_EQ(outcome.next, Next::kClose);
    EXPECT_EQ(outcome.exitCode, EXIT_DECLINED_OTHER_BITNESS);
    EXPECT_FALSE(win::FileExists(typed)) << "a declined install made its folder";

    WriteInstalled(L"DisplayVersion", L"6.2.11");
    user_.asked.clear();
    user_.answers = {kMessageBoxOk, kMessageBoxNo};
    outcome = DecideInstall(Input(false, typed), user_.Asker());
    ASSERT_EQ(user_.asked.size(), 2u);
    ExpectBox(user_.asked[1], L"INSTALL_TIPS", GetString(L"INSTALL_PKG_VERSION_LOWER_THAN_INSTALLED"), 0x34, L"OK",
              L"CANCEL", false);
    EXPECT_EQ(outcome.next, Next::kClose);
    EXPECT_EQ(outcome.exitCode, EXIT_DECLINED_DOWNGRADE);

    // The same version, and the package's own bitness: nothing to ask.
    WriteInstalled(L"PkgBit", L"64");
    WriteInstalled(L"DisplayVersion", L"6.2.10.3");
    user_.asked.clear();
    outcome = DecideInstall(Input(false, typed), user_.Asker());
    EXPECT_TRUE(user_.asked.empty());
    EXPECT_EQ(outcome.next, Next::kShowProgress);
    EXPECT_EQ(outcome.plan.installDir, typed + L"\\Torvane\\");
    EXPECT_TRUE(win::FileExists(outcome.plan.installDir));

    // Silent asks nothing and installs over either.
    WriteInstalled(L"PkgBit", L"32");
    WriteInstalled(L"DisplayVersion", L"9.0");
    outcome = DecideInstall(Input(true, typed), user_.Asker());
    EXPECT_TRUE(user_.asked.empty());
    EXPECT_EQ(outcome.next, Next::kShowProgress);
    EXPECT_FALSE(outcome.exitCode);
}

TEST_F(InstallFlow, AnotherFolderThanTheEarlierInstallsIsAskedFor) {
    const std::wstring root = FreshTestFolder();
    const std::wstring earlier = root + L"Earlier\\Torvane\\";
    const std::wstring typed = root + L"Typed\\Torvane\\";
    WriteAppPath(earlier);

    // 否: the earlier folder; the typed one, made for the checks, goes again.
    user_.answers = {kMessageBoxNo};
    FlowOutcome outcome = DecideInstall(Input(false, root + L"Typed"), user_.Asker());
    ASSERT_EQ(user_.asked.size(), 1u);
    ExpectBox(user_.asked[0], L"MESSAGEBOX_CAPITON", GetString(L"MESSAGEBOX_NEW_LOCATION_TEXT"), 0x44, L"Y", L"N",
              true);
    EXPECT_EQ(outcome.next, Next::kShowProgress);
    EXPECT_TRUE(outcome.reselectShortcut);
    EXPECT_EQ(outcome.plan.installDir, earlier);
    EXPECT_EQ(outcome.plan.earlierDir, L"");
    EXPECT_FALSE(win::FileExists(typed));

    // 是: the typed folder, replacing the earlier install.
    user_.answers = {kMessageBoxOk};
    outcome = DecideInstall(Input(false, root + L"Typed"), user_.Asker());
    EXPECT_EQ(outcome.plan.installDir, typed);
    EXPECT_EQ(outcome.plan.earlierDir, earlier);
    EXPECT_TRUE(win::FileExists(typed));

    // Silent takes the earlier folder without asking.
    user_.asked.clear();
    outcome = DecideInstall(Input(true, root + L"Typed"), user_.Asker());
    EXPECT_TRUE(user_.asked.empty());
    EXPECT_EQ(outcome.plan.installDir, earlier);

    // The same folder in other letters is no other folder.
    std::wstring lower = earlier;
    ::CharLowerBuffW(&lower[0], static_cast<DWORD>(lower.size()));
    outcome = DecideInstall(Input(false, lower), user_.Asker());
    EXPECT_TRUE(user_.asked.empty());
    EXPECT_EQ(outcome.plan.installDir, lower);
    EXPECT_EQ(outcome.plan.earlierDir, earlier);
}

}  // namespace
