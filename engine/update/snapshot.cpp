#include "engine/update/snapshot.h"

#include "engine/registry/registry_records.h"
#include "engine/services/service.h"
#include "win/path.h"
#include "win/registry.h"
#include "win/text.h"

#include <windows.h>

namespace engine {

namespace {

constexpr REGSAM kView = KEY_WOW64_32KEY;
constexpr int kMaxLinks = 3;  // two in the start menu, one in quick launch

std::wstring LinkCopy(const std::wstring& backup, int index) {
    return win::JoinPath(backup, L"link" + win::DecimalText(index) + L".lnk");
}

struct ValueSet {
    bool machine;
    std::wstring key;
    std::vector<const wchar_t*> names;
};

// The values the worker writes (WriteApplicationKey, WriteUninstallKey).
std::vector<ValueSet> ProductValues(const std::wstring& product_key) {
    return {{false, ApplicationKeyName(product_key), {L"AppPath", L"Version"}},
            {true,
             UninstallKeyName(product_key),
             {L"DisplayIcon", L"DisplayName", L"DisplayVersion", L"PkgBit", L"Publisher", L"UninstallString",
              L"URLInfoAbout"}}};
}

HKEY Hive(bool machine) { return machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::wstring StartMenuFolder(const ShortcutNames& names) {
    const std::wstring programs = CommonProgramsFolder();
    return programs.empty() ? std::wstring() : win::JoinPath(programs, names.client_name);
}

// The shortcuts the worker makes (CreateStartMenuShortcuts, CreateQuickLaunchShortcut).
std::vector<std::wstring> ProductLinks(const ShortcutNames& names) {
    std::vector<std::wstring> links;
    const std::wstring start_menu = StartMenuFolder(names);
    if (!start_menu.empty()) {
        links.push_back(win::JoinPath(start_menu, names.client_name + L".lnk"));
        links.push_back(win::JoinPath(start_menu, names.uninstall_text + names.client_name + L".lnk"));
    }
    const std::wstring quick_launch = QuickLaunchFolder();
    if (!quick_launch.empty()) links.push_back(win::JoinPath(quick_launch, names.client_name + L".lnk"));
    return links;
}

bool ReadValue(HKEY key, const wchar_t* name, SavedValue* value) {
    DWORD type = 0, bytes = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return true;  // absent
    std::vector<BYTE> data(bytes);
    if (::RegQueryValueExW(key, name, nullptr, &type, data.data(), &bytes) != ERROR_SUCCESS) return false;
    data.resize(bytes);
    value->present = true;
    value->type = type;
    value->data = std::move(data);
    return true;
}

bool IsProductValue(const std::vector<ValueSet>& sets, const SavedValue& value) {
    for (const ValueSet& set : sets) {
        if (set.machine != value.machine || !win::EqualsNoCase(set.key, value.key)) continue;
        for (const wchar_t* name : set.names)
            if (win::EqualsNoCase(name, value.name)) return true;
    }
    return false;
}

bool IsProductKey(const std::vector<ValueSet>& sets, const SavedKey& key) {
    for (const ValueSet& set : sets)
        if (set.machine == key.machine && win::EqualsNoCase(set.key, key.key)) return true;
    return false;
}

bool IsGone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool RestoreValue(const SavedValue& value) {
    if (!value.present) {
        const win::UniqueRegKey key = win::OpenRegKey(Hive(value.machine), value.key, KEY_SET_VALUE | kView);
        if (!key) return IsGone(::GetLastError());
        const LONG rc = ::RegDeleteValueW(key.get(), value.name.c_str());
        return rc == ERROR_SUCCESS || IsGone(static_cast<DWORD>(rc));
    }
    const win::UniqueRegKey key = win::CreateRegKey(Hive(value.machine), value.key, KEY_ALL_ACCESS | kView);
    if (!key) return false;
    return ::RegSetValueExW(key.get(), value.name.c_str(), 0, value.type, value.data.data(),
                            static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

bool RestoreLink(const SavedLink& link) {
    if (link.copy.empty()) return ::DeleteFileW(link.path.c_str()) || IsGone(::GetLastError());
    win::CreateFolderTree(win::FolderOf(link.path));
    return ::CopyFileW(link.copy.c_str(), link.path.c_str(), FALSE) != FALSE;
}

bool RestoreService(const SavedService& saved) {
    ServiceState now;
    if (!QueryServiceState(&now)) return false;
    if (!saved.registered) return !now.registered || RemoveService();
    if (!now.registered || !win::EqualsNoCase(now.binary_path, saved.binary_path)) {
        if (now.registered && !RemoveService()) return false;
        if (!InstallService(saved.binary_path)) return false;
    }
    return !saved.running || StartServiceNamed();
}

}  // namespace

bool TakeSnapshot(const std::wstring& product_key, const ShortcutNames& names, const std::wstring& backup,
                  UpdateJournal* journal) {
    for (const ValueSet& set : ProductValues(product_key)) {
        const win::UniqueRegKey key = win::OpenRegKey(Hive(set.machine), set.key, KEY_QUERY_VALUE | kView);
        journal->keys.push_back({set.machine, set.key, static_cast<bool>(key)});
        for (const wchar_t* name : set.names) {
            SavedValue value;
            value.machine = set.machine;
            value.key = set.key;
            value.name = name;
            if (key && !ReadValue(key.get(), name, &value)) return false;
            journal->values.push_back(std::move(value));
        }
    }
    int index = 0;
    for (const std::wstring& path : ProductLinks(names)) {
        SavedLink link{path, {}};
        if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            link.copy = LinkCopy(backup, index++);
            if (!::CopyFileW(path.c_str(), link.copy.c_str(), FALSE)) return false;
        }
        journal->links.push_back(std::move(link));
    }
    ServiceState service;
    if (!QueryServiceState(&service)) return false;
    journal->service = {service.registered, service.binary_path, service.running};
    return true;
}

bool RestoreSnapshot(const std::wstring& product_key, const ShortcutNames& names, const UpdateJournal& journal) {
    bool ok = true;
    const std::vector<ValueSet> sets = ProductValues(product_key);
    for (const SavedValue& value : journal.values)
        if (IsProductValue(sets, value)) ok = RestoreValue(value) && ok;
    for (const SavedKey& key : journal.keys) {
        if (key.present || !IsProductKey(sets, key)) continue;
        const LONG rc = ::RegDeleteKeyExW(Hive(key.machine), key.key.c_str(), kView, 0);
        ok = (rc == ERROR_SUCCESS || IsGone(static_cast<DWORD>(rc))) && ok;
    }

    const std::vector<std::wstring> known = ProductLinks(names);
    bool start_menu_had_links = false;
    for (const SavedLink& link : journal.links) {
        bool is_known = false;
        for (const std::wstring& path : known) is_known = is_known || win::EqualsNoCase(path, link.path);
        if (!is_known) continue;
        // A saved copy is only ever a file of this update's own backup folder.
        if (!link.copy.empty() && !win::EqualsNoCase(win::FolderOf(link.copy), win::WithTrailingBackslash(journal.backup)))
            continue;
        ok = RestoreLink(link) && ok;
        if (!link.copy.empty() && win::EqualsNoCase(win::FolderOf(link.path),
                                                    win::WithTrailingBackslash(StartMenuFolder(names))))
            start_menu_had_links = true;
    }
    if (!start_menu_had_links) ::RemoveDirectoryW(StartMenuFolder(names).c_str());  // made by this run, when empty

    return RestoreService(journal.service) && ok;
}

void DropUnjournaledCopies(const std::wstring& backup) {
    for (int i = 0; i < kMaxLinks; ++i) ::DeleteFileW(LinkCopy(backup, i).c_str());
}

void DropSnapshotCopies(const UpdateJournal& journal) {
    for (const SavedLink& link : journal.links) {
        if (!link.copy.empty() && win::EqualsNoCase(win::FolderOf(link.copy), win::WithTrailingBackslash(journal.backup)))
            ::DeleteFileW(link.copy.c_str());
    }
}

}  // namespace engine
