#include "engine/registry/registry_records.h"

#include "win/registry.h"

namespace engine {

namespace {

constexpr size_t kValueChars = MAX_PATH;
// The 32-bit view named explicitly: HKLM\SOFTWARE is redirected for a 32-bit
// program on 64-bit Windows, HKCU\Software is shared by both views.
constexpr REGSAM kView = KEY_WOW64_32KEY;

win::UniqueRegKey OpenOrCreateForWrite(HKEY root, const std::wstring& subkey) {
    win::UniqueRegKey key = win::OpenRegKey(root, subkey, KEY_ALL_ACCESS | kView);
    if (!key) key = win::CreateRegKey(root, subkey, KEY_ALL_ACCESS | kView);
    return key;
}

std::wstring ReadString(HKEY root, const std::wstring& subkey, const wchar_t* name) {
    std::wstring value;
    const win::UniqueRegKey key = win::OpenRegKey(root, subkey, KEY_QUERY_VALUE | kView);
    if (key) win::QueryRegString(key.get(), name, kValueChars, &value);
    return value;
}

}  // namespace

std::wstring ApplicationKeyName(const std::wstring& product_key) { return L"Software\\" + product_key; }

std::wstring UninstallKeyName(const std::wstring& product_key) {
    return L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product_key;
}

void Fill(RegistryRecord* record, const std::wstring& install_folder, const std::wstring& exe_name) {
    record->install_folder = install_folder;
    record->main_exe = install_folder + exe_name + L".exe";
    record->uninstaller = install_folder + L"Uninstall.exe";
}

bool WriteApplicationKey(const RegistryRecord& record, const std::wstring& product_key) {
    const win::UniqueRegKey key = OpenOrCreateForWrite(HKEY_CURRENT_USER, ApplicationKeyName(product_key));
    if (!key) return false;
    win::SetRegString(key.get(), L"AppPath", record.install_folder);
    win::SetRegString(key.get(), L"Version", record.version);
    return true;
}

bool WriteUninstallKey(const RegistryRecord& record, const ProductNames& names) {
    const win::UniqueRegKey key = OpenOrCreateForWrite(HKEY_LOCAL_MACHINE, UninstallKeyName(names.product_key));
    if (!key) return false;
    win::SetRegString(key.get(), L"DisplayIcon", record.main_exe);
    win::SetRegString(key.get(), L"DisplayName", names.client_name);
    win::SetRegString(key.get(), L"DisplayVersion", record.version);
    win::SetRegString(key.get(), L"PkgBit", names.pkg_bit);
    win::SetRegString(key.get(), L"Publisher", names.company_name);
    win::SetRegString(key.get(), L"UninstallString", L"\"" + record.uninstaller + L"\"");
    win::SetRegString(key.get(), L"URLInfoAbout", names.company_url);
    return true;
}

std::wstring ReadAppPath(const std::wstring& product_key) {
    return ReadString(HKEY_CURRENT_USER, ApplicationKeyName(product_key), L"AppPath");
}

std::wstring ReadDisplayVersion(const std::wstring& product_key) {
    return ReadString(HKEY_LOCAL_MACHINE, UninstallKeyName(product_key), L"DisplayVersion");
}

std::wstring ReadPkgBit(const std::wstring& product_key) {
    return ReadString(HKEY_LOCAL_MACHINE, UninstallKeyName(product_key), L"PkgBit");
}

std::wstring ReadInstalledFile(const std::wstring& product_key) {
    const std::wstring icon = ReadString(HKEY_LOCAL_MACHINE, UninstallKeyName(product_key), L"DisplayIcon");
    if (!icon.empty()) return icon;
    return ReadString(HKEY_LOCAL_MACHINE, UninstallKeyName(product_key), L"UninstallString");
}

bool ReadGuid(const std::wstring& product_key, std::wstring* guid) {
    const win::UniqueRegKey key =
        win::CreateRegKey(HKEY_LOCAL_MACHINE, ApplicationKeyName(product_key), KEY_READ | KEY_WRITE | kView);
    return key && win::QueryRegString(key.get(), L"Guid", kValueChars, guid);
}

bool WriteGuid(const std::wstring& product_key, const std::wstring& guid) {
    const win::UniqueRegKey key =
        win::CreateRegKey(HKEY_LOCAL_MACHINE, ApplicationKeyName(product_key), KEY_READ | KEY_WRITE | kView);
    return key && win::SetRegString(key.get(), L"Guid", guid);
}

}  // namespace engine
