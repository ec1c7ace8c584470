// The product's registry entries: the application key in the current user's hive
// (install folder and version), its entry in the list of installed programs, and
// the computer's identifier. The installer is 32-bit and stays in the 32-bit view.
#pragma once

#include <string>

namespace engine {

// Product texts the entries carry; the caller takes them from the product
// constants and the string bundle.
struct ProductNames {
    std::wstring product_key;   // key name, "Torvane3"
    std::wstring exe_name;      // "Torvane"
    std::wstring client_name;   // DisplayName
    std::wstring company_name;  // Publisher
    std::wstring company_url;   // URLInfoAbout
    std::wstring pkg_bit;       // "64"
};

struct RegistryRecord {
    std::wstring install_folder;  // ends in a backslash
    std::wstring main_exe;
    std::wstring uninstaller;
    std::wstring version;
};

std::wstring ApplicationKeyName(const std::wstring& product_key);  // "Software\<key>"
std::wstring UninstallKeyName(const std::wstring& product_key);    // "SOFTWARE\...\Uninstall\<key>"

// Folder, folder + exe_name + ".exe", folder + "Uninstall.exe"; the version is kept.
void Fill(RegistryRecord* record, const std::wstring& install_folder, const std::wstring& exe_name);

// HKCU application key: AppPath, Version. False only when the key can be neither
// opened nor created; value writes are best effort.
bool WriteApplicationKey(const RegistryRecord& record, const std::wstring& product_key);
// HKLM uninstall key: DisplayIcon, DisplayName, DisplayVersion, PkgBit, Publisher,
// UninstallString (quoted), URLInfoAbout.
bool WriteUninstallKey(const RegistryRecord& record, const ProductNames& names);

// Empty when the key or value is absent.
std::wstring ReadAppPath(const std::wstring& product_key);
std::wstring ReadDisplayVersion(const std::wstring& product_key);
std::wstring ReadPkgBit(const std::wstring& product_key);
// A file the HKLM uninstall key names inside the install folder: DisplayIcon,
// else UninstallString (as stored, quotes and all). Only administrators can
// write that key, unlike AppPath.
std::wstring ReadInstalledFile(const std::wstring& product_key);

// HKLM application key "Guid" (the key is created when missing).
bool ReadGuid(const std::wstring& product_key, std::wstring* guid);
bool WriteGuid(const std::wstring& product_key, const std::wstring& guid);

// Removal. Each is true when the entry is gone afterwards, also when there was none.
bool DeleteApplicationKey(const std::wstring& product_key);  // HKCU key, whole tree
bool DeleteUninstallKey(const std::wstring& product_key);    // HKLM uninstall key, whole tree
// Every value and sub-key of the HKLM application key but "Guid": the machine's
// id outlives an uninstall, so a reinstall reports as the same machine.
bool KeepOnlyGuid(const std::wstring& product_key);

}  // namespace engine
