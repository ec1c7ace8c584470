#include "engine/shortcuts/shortcuts.h"

#include "win/com.h"
#include "win/link_safe.h"
#include "win/path.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace engine {

namespace {

std::wstring SpecialFolder(int csidl) {
    win::CoTaskMem<ITEMIDLIST> pidl;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, pidl.put())) || !pidl.get()) return {};
    wchar_t path[MAX_PATH] = {};
    if (!::SHGetPathFromIDListW(pidl.get(), path)) return {};
    return path;
}

// Link names come with or without a leading separator; one is enough.
std::wstring LinkPath(const std::wstring& folder, const std::wstring& name) {
    const size_t start = name.find_first_not_of(L"\\/");
    return win::JoinPath(folder, start == std::wstring::npos ? std::wstring() : name.substr(start));
}

}  // namespace

bool CreateShortcut(const std::wstring& file_name, const std::wstring& target, const wchar_t* description,
                    const std::wstring& folder) {
    if (folder.empty()) return false;
    const std::wstring link_target = target.empty() ? win::ModulePath() : target;
    std::wstring name = file_name;
    if (name.empty()) {
        name = win::FileNameOf(link_target);
        if (name.size() < 3) return false;
        name.replace(name.size() - 3, 3, L"lnk");
    }

    win::ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
        return false;
    win::ComPtr<IPersistFile> file;
    if (FAILED(link.As(IID_IPersistFile, &file))) return false;

    link->SetPath(link_target.c_str());
    link->SetWorkingDirectory(win::FolderOf(link_target).c_str());
    if (description) link->SetDescription(description);
    link->SetShowCmd(SW_SHOWNORMAL);
    // A link planted at the shortcut's name (the quick-launch folder is the
    // user's) is replaced, never written through.
    const std::wstring link_path = LinkPath(folder, name);
    if (!win::ReplaceLinkAt(link_path)) return false;
    return SUCCEEDED(file->Save(link_path.c_str(), TRUE));
}

// A shortcut points at a program the install wrote: a real file in the install
// folder, reached through no link.
bool IsInstalledProgram(const std::wstring& install_folder, const std::wstring& program) {
    return win::NoLinkOnTheWay(install_folder, program);
}

std::wstring CommonProgramsFolder() { return SpecialFolder(CSIDL_COMMON_PROGRAMS); }

std::wstring QuickLaunchFolder() {
    const std::wstring app_data = SpecialFolder(CSIDL_APPDATA);
    return app_data.empty() ? app_data : app_data + L"\\Microsoft\\Internet Explorer\\Quick Launch";
}

std::wstring CommonDesktopFolder() { return SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY); }

bool CreateStartMenuShortcuts(const std::wstring& install_folder, const ShortcutNames& names) {
    const std::wstring programs = CommonProgramsFolder();
    if (programs.empty() || names.client_name.empty()) return false;
    const std::wstring folder = win::JoinPath(programs, names.client_name) + L'\\';
    win::CreateFolderTree(folder);
    const std::wstring main_exe = install_folder + names.exe_name + L".exe";
    const std::wstring uninstaller = install_folder + L"Uninstall.exe";
    const bool main = IsInstalledProgram(install_folder, main_exe) &&
                      CreateShortcut(names.client_name + L".lnk", main_exe, nullptr, folder);
    const bool uninstall = IsInstalledProgram(install_folder, uninstaller) &&
                           CreateShortcut(names.uninstall_text + names.client_name + L".lnk", uninstaller, nullptr,
                                          folder);
    return main && uninstall;
}

bool CreateQuickLaunchShortcut(const std::wstring& install_folder, const ShortcutNames& names) {
    const std::wstring folder = QuickLaunchFolder();
    if (folder.empty()) return false;
    win::CreateFolderTree(folder);  // a fresh profile may not have it yet
    const std::wstring main_exe = install_folder + names.exe_name + L".exe";
    return IsInstalledProgram(install_folder, main_exe) &&
           CreateShortcut(names.client_name + L".lnk", main_exe, nullptr, folder);
}

bool CreateDesktopShortcut(const DesktopShortcutState& state, const ShortcutNames& names,
                           const std::wstring& comment) {
    const std::wstring main_exe = state.install_folder + names.exe_name + L".exe";
    if (state.install_result != 0 || !state.finished_page_shown || !state.shortcut_option_selected ||
        !::PathFileExistsW(main_exe.c_str()) || !IsInstalledProgram(state.install_folder, main_exe))
        return false;

    const win::ScopedCoInit com;
    const std::wstring desktop = CommonDesktopFolder();
    if (desktop.empty()) return false;
    const std::wstring link_name = names.client_name + L".lnk";
    const std::wstring link_path = win::JoinPath(desktop, link_name);
    if (::PathFileExistsW(link_path.c_str())) ::DeleteFileW(link_path.c_str());
    return CreateShortcut(link_name, main_exe, comment.c_str(), desktop);
}

namespace {

// folder\name is no file (any more). A link is a plain file: deleting it never
// reaches its target.
bool RemoveLink(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty() || name.empty()) return false;
    const std::wstring path = win::JoinPath(folder, name);
    return ::DeleteFileW(path.c_str()) || !win::FileExists(path);
}

}  // namespace

bool RemoveStartMenuShortcuts(const ShortcutNames& names) {
    const std::wstring programs = CommonProgramsFolder();
    if (programs.empty() || names.client_name.empty()) return false;
    const std::wstring folder = win::JoinPath(programs, names.client_name);
    const bool main = RemoveLink(folder, names.client_name + L".lnk");
    const bool uninstall = RemoveLink(folder, names.uninstall_text + names.client_name + L".lnk");
    ::RemoveDirectoryW(folder.c_str());  // only when empty: a link the user put there stays
    return main && uninstall;
}

bool RemoveQuickLaunchShortcut(const ShortcutNames& names) {
    return RemoveLink(QuickLaunchFolder(), names.client_name + L".lnk");
}

bool RemoveDesktopShortcut(const ShortcutNames& names) {
    return RemoveLink(CommonDesktopFolder(), names.client_name + L".lnk");
}

}  // namespace engine
