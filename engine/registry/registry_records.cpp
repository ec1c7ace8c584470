#include "engine/registry/registry_records.h"

#include "win/path.h"
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

namespace {

constexpr REGSAM kEmptyAccess = KEY_READ | KEY_SET_VALUE | DELETE;

// The key's values and sub-keys, then the key itself, in the named view.
bool DeleteTree(HKEY root, const std::wstring& subkey) {
    {
        const win::UniqueRegKey key = win::OpenRegKey(root, subkey, kEmptyAccess | kView);
        if (!key) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
        if (::RegDeleteTreeW(key.get(), nullptr) != ERROR_SUCCESS) return false;
    }
    return ::RegDeleteKeyExW(root, subkey.c_str(), kView, 0) == ERROR_SUCCESS;
}

// The name of entry `index` of the key's values (or sub-keys); false past the last.
bool EntryName(HKEY key, DWORD index, bool values, std::wstring* name) {
    wchar_t buffer[256] = {};
    DWORD length = 256;
    const LSTATUS status = values ? ::RegEnumValueW(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr)
                                  : ::RegEnumKeyExW(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) return false;
    name->assign(buffer, length);
    return true;
}

}  // namespace

bool DeleteApplicationKey(const std::wstring& product_key) {
    return DeleteTree(HKEY_CURRENT_USER, ApplicationKeyName(product_key));
}

bool DeleteUninstallKey(const std::wstring& product_key) {
    return DeleteTree(HKEY_LOCAL_MACHINE, UninstallKeyName(product_key));
}

bool KeepOnlyGuid(const std::wstring& product_key) {
    const win::UniqueRegKey key = win::OpenRegKey(HKEY_LOCAL_MACHINE, ApplicationKeyName(product_key),
                                                  kEmptyAccess | kView);
    if (!key) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    // A deleted entry shifts the later ones down: the index moves only past what stays.
    bool ok = true;
    std::wstring name;
    for (DWORD index = 0; EntryName(key.get(), index, true, &name);) {
        const bool kept = win::EqualsNoCase(name, L"Guid");
        if (kept || ::RegDeleteValueW(key.get(), name.c_str()) != ERROR_SUCCESS) {
            ok = ok && kept;
            ++index;
        }
    }
    for (DWORD index = 0; EntryName(key.get(), index, false, &name);) {
        if (::RegDeleteTreeW(key.get(), name.c_str()) != ERROR_SUCCESS) {
            ok = false;
            ++index;
        }
    }
    return ok;
}

}  // namespace engine
