#include "engine/registry/registry_records.h"

#include "win/registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace engine;

namespace {

const std::wstring kUninstallParent = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

void DeleteKeyTree(HKEY root, const std::wstring& parent, const std::wstring& name, REGSAM view) {
    win::UniqueRegKey key = win::OpenRegKey(root, parent, KEY_ALL_ACCESS | view);
    if (key) ::RegDeleteTreeW(key.get(), name.c_str());
    if (key) ::RegDeleteKeyExW(key.get(), name.c_str(), view, 0);
}

// A product key of the test's own, with nothing left of an earlier run.
class RegistryRecords : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = info->name();
        key_ = L"TorvaneTest_" + std::wstring(name.begin(), name.end());
        names_ = {key_, L"Torvane", L"托尔文", L"星岚样例软件有限公司", L"https://www.torvane.example/", L"64"};
        Clean();
    }
    void TearDown() override { Clean(); }
    void Clean() {
        DeleteKeyTree(HKEY_CURRENT_USER, L"Software", key_, KEY_WOW64_32KEY);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kUninstallParent, key_, KEY_WOW64_32KEY);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, L"Software", key_, KEY_WOW64_32KEY);
    }

    // The raw value: type and bytes as stored.
    static bool RawValue(HKEY root, const std::wstring& subkey, REGSAM view, const wchar_t* name, DWORD* type,
                         std::vector<BYTE>* bytes) {
        const win::UniqueRegKey key = win::OpenRegKey(root, subkey, KEY_QUERY_VALUE | view);
        if (!key) return false;
        DWORD size = 0;
        if (::RegQueryValueExW(key.get(), name, nullptr, type, nullptr, &size) != ERROR_SUCCESS) return false;
        bytes->assign(size, 0);
        return ::RegQueryValueExW(key.get(), name, nullptr, type, bytes->data(), &size) == ERROR_SUCCESS;
    }
    static void ExpectString(HKEY root, const std::wstring& subkey, const wchar_t* name, const std::wstring& text) {
        DWORD type = 0;
        std::vector<BYTE> bytes;
        ASSERT_TRUE(RawValue(root, subkey, KEY_WOW64_32KEY, name, &type, &bytes)) << name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << name;
        const auto* p = reinterpret_cast<const BYTE*>(text.c_str());
        EXPECT_EQ(bytes, std::vector<BYTE>(p, p + (text.size() + 1) * sizeof(wchar_t))) << name;
    }
    void ExpectAllValues(const RegistryRecord& r) {
        const std::wstring app = ApplicationKeyName(key_), uninstall = UninstallKeyName(key_);
        ExpectString(HKEY_CURRENT_USER, app, L"AppPath", r.install_folder);
        ExpectString(HKEY_CURRENT_USER, app, L"Version", r.version);
        ExpectString(HKEY_LOCAL_MACHINE, uninstall, L"DisplayIcon", r.main_exe);
        ExpectString(HKEY_LOCAL_MACHINE, uninstall, L"DisplayName", names_.client_name);
        ExpectString(HKEY_LOCAL_MACHINE, uninstall, L"DisplayVersion", r.version);
        ExpectString(HKEY_LOCAL_MACHINE, uninstall, L"PkgBit", names_.pkg_bit);
        ExpectString(HKEY_LOCAL_MACHINE, uninstall, L"Publisher", names_.company_name);
        ExpectString(HKEY_LOCAL_MACHINE, uninstall, L"UninstallString", L"\"" + r.uninstaller + L"\"");
        ExpectString(HKEY_LOCAL_MACHINE, uninstall, L"URLInfoAbout", names_.company_url);
    }

    std::wstring key_;
    ProductNames names_;
};

TEST_F(RegistryRecords, FirstInstallCreatesBothKeysWithExactValues) {
    RegistryRecord record;
    record.version = L"6.2.10.03";
    Fill(&record, L"C:\\Program Files\\托尔文\\Torvane\\", names_.exe_name);
    EXPECT_EQ(record.main_exe, L"C:\\Program Files\\托尔文\\Torvane\\Torvane.exe");
    EXPECT_EQ(record.uninstaller, L"C:\\Program Files\\托尔文\\Torvane\\Uninstall.exe");
    EXPECT_EQ(record.version, L"6.2.10.03");

    EXPECT_EQ(ReadAppPath(key_), L"");
    EXPECT_EQ(ReadDisplayVersion(key_), L"");
    ASSERT_TRUE(WriteApplicationKey(record, key_));
    ASSERT_TRUE(WriteUninstallKey(record, names_));
    ExpectAllValues(record);

    DWORD type = 0;
    std::vector<BYTE> bytes;
    ASSERT_TRUE(RawValue(HKEY_LOCAL_MACHINE, UninstallKeyName(key_), KEY_WOW64_32KEY, L"PkgBit", &type, &bytes));
    EXPECT_EQ(bytes.size(), 6u);

    EXPECT_EQ(ReadAppPath(key_), record.install_folder);
    EXPECT_EQ(ReadDisplayVersion(key_), L"6.2.10.03");
    EXPECT_EQ(ReadPkgBit(key_), L"64");
    std::wstring guid = L"untouched";
    EXPECT_FALSE(ReadGuid(key_, &guid));  // absent until the report writes one
    EXPECT_EQ(guid, L"untouched");
}

TEST_F(RegistryRecords, ReinstallOverwritesEveryValueAndDeletesNothing) {
    RegistryRecord first;
    first.version = L"6.1.0.01";
    Fill(&first, L"D:\\Old\\Torvane\\", names_.exe_name);
    ASSERT_TRUE(WriteApplicationKey(first, key_));
    ASSERT_TRUE(WriteUninstallKey(first, names_));
    {
        const win::UniqueRegKey key =
            win::OpenRegKey(HKEY_LOCAL_MACHINE, UninstallKeyName(key_), KEY_SET_VALUE | KEY_WOW64_32KEY);
        ASSERT_TRUE(key);
        ASSERT_TRUE(win::SetRegString(key.get(), L"Extra", L"kept"));
    }

    RegistryRecord second;
    second.version = L"6.2.10.03";
    Fill(&second, L"C:\\Program Files\\Torvane\\", names_.exe_name);
    names_ = {key_, L"Torvane", L"托尔文2", L"Other Company", L"https://other.example/", L"32"};
    ASSERT_TRUE(WriteApplicationKey(second, key_));
    ASSERT_TRUE(WriteUninstallKey(second, names_));
    ExpectAllValues(second);
    ExpectString(HKEY_LOCAL_MACHINE, UninstallKeyName(key_), L"Extra", L"kept");
}

// Windows puts a 32-bit program's HKLM\SOFTWARE keys under Wow6432Node and shares
// HKCU\Software between the views; Wine's 64-bit prefix does the same.
TEST_F(RegistryRecords, MachineKeysLandInTheWow6432NodeOfThe64BitView) {
    RegistryRecord record;
    record.version = L"6.2.10.03";
    Fill(&record, L"C:\\Torvane\\", names_.exe_name);
    ASSERT_TRUE(WriteApplicationKey(record, key_));
    ASSERT_TRUE(WriteUninstallKey(record, names_));
    ASSERT_TRUE(WriteGuid(key_, L"{01234567-89AB-CDEF-0123-456789ABCDEF}"));

    const std::wstring wow = L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + key_;
    EXPECT_TRUE(win::OpenRegKey(HKEY_LOCAL_MACHINE, wow, KEY_READ | KEY_WOW64_64KEY));
    EXPECT_FALSE(win::OpenRegKey(HKEY_LOCAL_MACHINE, UninstallKeyName(key_), KEY_READ | KEY_WOW64_64KEY));
    EXPECT_TRUE(win::OpenRegKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\" + key_, KEY_READ | KEY_WOW64_64KEY));
    EXPECT_FALSE(win::OpenRegKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\" + key_, KEY_READ | KEY_WOW64_64KEY));
    DWORD type = 0;
    std::vector<BYTE> bytes;
    EXPECT_TRUE(RawValue(HKEY_CURRENT_USER, ApplicationKeyName(key_), KEY_WOW64_64KEY, L"AppPath", &type, &bytes));
    EXPECT_FALSE(win::OpenRegKey(HKEY_CURRENT_USER, L"Software\\Wow6432Node\\" + key_, KEY_READ | KEY_WOW64_64KEY));
}

TEST_F(RegistryRecords, KeyMadeWithoutAViewFlagIsReadFromTheSamePlace) {
    {
        win::UniqueRegKey key = win::CreateRegKey(HKEY_LOCAL_MACHINE, UninstallKeyName(key_), KEY_ALL_ACCESS);
        ASSERT_TRUE(key);
        ASSERT_TRUE(win::SetRegString(key.get(), L"DisplayVersion", L"5.0.0.1"));
    }
    EXPECT_EQ(ReadDisplayVersion(key_), L"5.0.0.1");
}

TEST_F(RegistryRecords, GuidIsWrittenAndReadAsAStringOnly) {
    const std::wstring guid = L"{01234567-89AB-CDEF-0123-456789ABCDEF}";
    std::wstring read;
    EXPECT_FALSE(ReadGuid(key_, &read));
    EXPECT_TRUE(win::OpenRegKey(HKEY_LOCAL_MACHINE, ApplicationKeyName(key_), KEY_READ | KEY_WOW64_32KEY));
    ASSERT_TRUE(WriteGuid(key_, guid));
    ASSERT_TRUE(ReadGuid(key_, &read));
    EXPECT_EQ(read, guid);
    ExpectString(HKEY_LOCAL_MACHINE, ApplicationKeyName(key_), L"Guid", guid);

    const win::UniqueRegKey key =
        win::OpenRegKey(HKEY_LOCAL_MACHINE, ApplicationKeyName(key_), KEY_SET_VALUE | KEY_WOW64_32KEY);
    ASSERT_TRUE(key);
    const DWORD number = 7;
    ::RegSetValueExW(key.get(), L"Guid", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    EXPECT_FALSE(ReadGuid(key_, &read));
    ::RegSetValueExW(key.get(), L"Guid", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(guid.c_str()),
                     static_cast<DWORD>((guid.size() + 1) * 2));
    EXPECT_FALSE(ReadGuid(key_, &read));
}

TEST_F(RegistryRecords, OddStoredValuesReadSafely) {
    const win::UniqueRegKey key = win::CreateRegKey(HKEY_CURRENT_USER, ApplicationKeyName(key_), KEY_ALL_ACCESS);
    ASSERT_TRUE(key);
    // Stored without its terminator: still read whole.
    const std::wstring folder = L"C:\\Torvane\\";
    ::RegSetValueExW(key.get(), L"AppPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                     static_cast<DWORD>(folder.size() * 2));
    EXPECT_EQ(ReadAppPath(key_), folder);
    // Longer than the 260-character buffer: absent rather than cut short.
    ASSERT_TRUE(win::SetRegString(key.get(), L"AppPath", L"C:\\" + std::wstring(300, L'x') + L"\\"));
    EXPECT_EQ(ReadAppPath(key_), L"");
    ASSERT_TRUE(win::SetRegString(key.get(), L"AppPath", std::wstring(259, L'y')));
    EXPECT_EQ(ReadAppPath(key_), std::wstring(259, L'y'));
}

}  // namespace
