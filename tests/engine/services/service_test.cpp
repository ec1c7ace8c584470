#include "engine/services/service.h"

#include "engine/services/processes.h"
#include "win/path.h"
#include "win/text.h"
#include "win/unique_handle.h"
#include "tests/engine/test_support.h"

#include <gtest/gtest.h>

#include <vector>

using namespace engine;
using namespace testing_support;

namespace {

using win::UniqueService;

bool IsWine() { return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

// A service name of the test's own; the stand-in runs under any name, being the
// only service of its process.
class Service : public ::testing::Test {
protected:
    void SetUp() override {
        name_ = L"TorvaneServiceTest_" + win::Utf8ToWide(::testing::UnitTest::GetInstance()->current_test_info()->name());
        RemoveService(name_.c_str());
        folder_ = FreshTestFolder();
        manager_ = UniqueService(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        ASSERT_TRUE(manager_);
    }
    void TearDown() override { RemoveService(name_.c_str()); }

    std::wstring CopyService(const std::wstring& sub) {
        const std::wstring exe = folder_ + sub + L"\\Torvane\\TorvaneService.exe";
        EXPECT_TRUE(CopyProductExe(L"TorvaneService.exe", exe));
        return exe;
    }
    UniqueService Open(DWORD access = SERVICE_ALL_ACCESS) {
        return UniqueService(::OpenServiceW(manager_.get(), name_.c_str(), access));
    }
    static bool WaitForState(SC_HANDLE service, DWORD state) {
        SERVICE_STATUS status = {};
        for (int i = 0; i < 100; ++i) {
            if (::QueryServiceStatus(service, &status) && status.dwCurrentState == state) return true;
            ::Sleep(100);
        }
        return false;
    }
    static std::vector<BYTE> Config2(SC_HANDLE service, DWORD level) {
        DWORD needed = 0;
        ::QueryServiceConfig2W(service, level, nullptr, 0, &needed);
        std::vector<BYTE> buf(needed);
        if (needed == 0 || !::QueryServiceConfig2W(service, level, buf.data(), needed, &needed)) buf.clear();
        return buf;
    }
    void ExpectRegistered(const std::wstring& exe) {
        const UniqueService service = Open(SERVICE_QUERY_CONFIG);
        ASSERT_TRUE(service);
        DWORD needed = 0;
        ::QueryServiceConfigW(service.get(), nullptr, 0, &needed);
        std::vector<BYTE> buf(needed);
        ASSERT_TRUE(::QueryServiceConfigW(service.get(), reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buf.data()), needed,
                                          &needed));
        const auto* config = reinterpret_cast<const QUERY_SERVICE_CONFIGW*>(buf.data());
        EXPECT_EQ(config->dwServiceType, 0x110u);
        EXPECT_EQ(config->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
        EXPECT_EQ(config->dwErrorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
        EXPECT_EQ(std::wstring(config->lpBinaryPathName), L"\"" + exe + L"\"");
        EXPECT_EQ(std::wstring(config->lpDisplayName), name_);
        EXPECT_TRUE(!config->lpLoadOrderGroup || !*config->lpLoadOrderGroup);
        EXPECT_TRUE(!config->lpDependencies || !*config->lpDependencies);
        EXPECT_EQ(config->dwTagId, 0u);
        EXPECT_TRUE(win::EqualsNoCase(config->lpServiceStartName, L"LocalSystem"));

        // Wine 8 accepts failure actions but neither keeps nor reports them.
        const std::vector<BYTE> failure = Config2(service.get(), SERVICE_CONFIG_FAILURE_ACTIONS);
        if (failure.empty()) {
            EXPECT_TRUE(IsWine()) << "failure actions not readable";
        } else {
            const auto* actions = reinterpret_cast<const SERVICE_FAILURE_ACTIONSW*>(failure.data());
            EXPECT_EQ(actions->dwResetPeriod, 0u);
            EXPECT_TRUE(!actions->lpRebootMsg || !*actions->lpRebootMsg);
            EXPECT_TRUE(!actions->lpCommand || !*actions->lpCommand);
            ASSERT_EQ(actions->cActions, 1u);
            EXPECT_EQ(actions->lpsaActions[0].Type, SC_ACTION_NONE);
            EXPECT_EQ(actions->lpsaActions[0].Delay, 0u);
        }

        const std::vector<BYTE> description = Config2(service.get(), SERVICE_CONFIG_DESCRIPTION);
        ASSERT_FALSE(description.empty());
        EXPECT_EQ(std::wstring(reinterpret_cast<const SERVICE_DESCRIPTIONW*>(description.data())->lpDescription),
                  L"托尔文服务");
    }

    std::wstring name_, folder_;
    UniqueService manager_;
};

TEST_F(Service, FirstInstallThenReinstallOfARunningServiceFromANewFolder) {
    const std::wstring first = CopyService(L"first");
    EXPECT_FALSE(RemoveService(name_.c_str()));  // nothing registered yet
    ASSERT_TRUE(InstallService(L"\"" + first + L"\"", name_.c_str()));
    ExpectRegistered(first);
    EXPECT_FALSE(InstallService(L"\"" + first + L"\"", name_.c_str()));  // already there

    {
        const UniqueService service = Open();
        ASSERT_TRUE(::StartServiceW(service.get(), 0, nullptr));
        ASSERT_TRUE(WaitForState(service.get(), SERVICE_RUNNING));
    }
    DWORD pid = 0;
    ASSERT_TRUE(FindProcessByPath(L"TorvaneService.exe", first, &pid));

    ASSERT_TRUE(RemoveService(name_.c_str()));
    EXPECT_FALSE(Open(SERVICE_QUERY_CONFIG));
    EXPECT_FALSE(FindProcessByPath(L"TorvaneService.exe", first, &pid));

    const std::wstring second = CopyService(L"second");
    ASSERT_TRUE(InstallService(L"\"" + second + L"\"", name_.c_str()));
    ExpectRegistered(second);
}

TEST_F(Service, StopServiceReportsWhetherItStopped) {
    ASSERT_TRUE(InstallService(L"\"" + CopyService(L"a") + L"\"", name_.c_str()));
    const UniqueService service = Open();
    ASSERT_TRUE(service);
    EXPECT_FALSE(StopService(service.get()));  // not running: the stop request fails
    ASSERT_TRUE(::StartServiceW(service.get(), 0, nullptr));
    ASSERT_TRUE(WaitForState(service.get(), SERVICE_RUNNING));
    EXPECT_TRUE(StopService(service.get()));
    SERVICE_STATUS status = {};
    ASSERT_TRUE(::QueryServiceStatus(service.get(), &status));
    EXPECT_EQ(status.dwCurrentState, static_cast<DWORD>(SERVICE_STOPPED));
}

TEST_F(Service, RegistrationHeldOpenElsewhereIsNotReportedRemoved) {
    const std::wstring exe = CopyService(L"a");
    ASSERT_TRUE(InstallService(L"\"" + exe + L"\"", name_.c_str()));
    UniqueService held = Open(SERVICE_QUERY_STATUS);
    ASSERT_TRUE(held);
    const DWORD start = ::GetTickCount();
    const bool removed = RemoveService(name_.c_str());
    const DWORD waited = ::GetTickCount() - start;
    EXPECT_FALSE(removed);
    EXPECT_GE(waited, 2900u);
    EXPECT_FALSE(InstallService(L"\"" + exe + L"\"", name_.c_str()));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));

    // Once the last handle closes the registration goes and can be made again.
    held.reset();
    for (int i = 0; i < 50 && Open(SERVICE_QUERY_CONFIG); ++i) ::Sleep(100);
    EXPECT_TRUE(InstallService(L"\"" + exe + L"\"", name_.c_str()));
}

}  // namespace
