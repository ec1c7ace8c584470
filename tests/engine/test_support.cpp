#include "tests/engine/test_support.h"

#include "win/path.h"
#include "win/text.h"
#include "win/unique_handle.h"

#include <gtest/gtest.h>

#include <vector>

namespace testing_support {

std::wstring FreshTestFolder() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::wstring folder = L"C:\\torvane-tests\\" + win::Utf8ToWide(info->test_suite_name()) + L"\\" +
                                win::Utf8ToWide(info->name()) + L"\\";
    RemoveTree(folder.substr(0, folder.size() - 1));
    win::CreateFolderTree(folder);
    return folder;
}

namespace {

void AddContents(const std::wstring& folder, const std::wstring& relative, std::map<std::wstring, std::string>* out) {
    WIN32_FIND_DATAW data;
    win::UniqueFind find(::FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            (*out)[relative + name + L"\\"] = std::string();
            AddContents(path, relative + name + L"\\", out);
        } else {
            (*out)[relative + name] = ReadFileBytes(path);
        }
    } while (::FindNextFileW(find.get(), &data));
}

}  // namespace

std::map<std::wstring, std::string> FolderContents(const std::wstring& folder) {
    std::map<std::wstring, std::string> contents;
    std::wstring root = folder;
    while (!root.empty() && (root.back() == L'\\' || root.back() == L'/')) root.pop_back();
    AddContents(root, L"", &contents);
    return contents;
}

void RemoveTree(const std::wstring& path) {
    const DWORD attrs = ::GetFileAttributesW(path.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) return;
    if (!(attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
        return;
    }
    if (!(attrs & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAW data;
        win::UniqueFind find(::FindFirstFileW((path + L"\\*").c_str(), &data));
        if (find) {
            do {
                const std::wstring name = data.cFileName;
                if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
            } while (::FindNextFileW(find.get(), &data));
        }
    }
    ::RemoveDirectoryW(path.c_str());
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                       nullptr));
    DWORD written = 0;
    return file && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string ReadFileBytes(const std::wstring& path) {
    win::UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file) return bytes;
    char buf[65536];
    DWORD n = 0;
    while (::ReadFile(file.get(), buf, sizeof(buf), &n, nullptr) && n > 0) bytes.append(buf, n);
    return bytes;
}

std::vector<std::wstring> Listing(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    win::UniqueFind find(::FindFirstFileW(win::JoinPath(folder, L"*").c_str(), &data));
    if (!find) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (::FindNextFileW(find.get(), &data));
    return names;
}

std::wstring ProductExe(const std::wstring& file_name) {
    // The build's product folder is a Unix path; Wine maps "/" to Z:.
    std::wstring folder = L"Z:" + win::Utf8ToWide(TORVANE_PRODUCT_DIR);
    for (wchar_t& c : folder)
        if (c == L'/') c = L'\\';
    return win::JoinPath(folder, file_name);
}

HANDLE StartProgram(const std::wstring& exe) {
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION pi = {};
    std::wstring command = L"\"" + exe + L"\"";
    if (!::CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return nullptr;
    ::CloseHandle(pi.hThread);
    return pi.hProcess;
}

bool CopyProductExe(const std::wstring& file_name, const std::wstring& to) {
    win::CreateFolderTree(win::FolderOf(to));
    return ::CopyFileW(ProductExe(file_name).c_str(), to.c_str(), FALSE) != 0;
}

bool IsRunning(HANDLE process) { return ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT; }

namespace {

// Wine matches a name to an entry of any letter case; the listing tells them apart.
bool HasEntryNamedExactly(const std::wstring& path) {
    const std::wstring name = win::FileNameOf(path);
    WIN32_FIND_DATAW data;
    win::UniqueFind find(::FindFirstFileW((win::FolderOf(path) + L"*").c_str(), &data));
    if (!find) return false;
    do {
        if (name == data.cFileName) return true;
    } while (::FindNextFileW(find.get(), &data));
    return false;
}

}  // namespace

std::string UnixPath(const std::wstring& path) {
    using Fn = char*(CDECL*)(LPCWSTR);
    const auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn) return {};
    char* unix_path = fn(path.c_str());
    if (!unix_path) return {};
    std::string result = unix_path;
    ::HeapFree(::GetProcessHeap(), 0, unix_path);
    return result;
}

bool MakeUnixSymlink(const std::wstring& target, const std::wstring& link) {
    // The link's folder is looked up, its name kept as written: Wine would match
    // the whole name to an entry of another letter case.
    const std::string unix_target = UnixPath(target);
    const std::string unix_folder = UnixPath(win::FolderOf(link));
    if (unix_target.empty() || unix_folder.empty()) return false;
    const std::string unix_link = unix_folder + "/" + win::WideToUtf8(win::FileNameOf(link));
    // Wine runs a Unix program handed to CreateProcess, but gives back no handle
    // to wait on: poll for the link instead.
    std::wstring command = L"/bin/ln -s \"" + win::Utf8ToWide(unix_target) + L"\" \"" + win::Utf8ToWide(unix_link) + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(L"Z:\\bin\\ln", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    win::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
    // Wine shows a link to a folder as a reparse point and one to a file as the
    // file itself; a link to nothing cannot be seen at all.
    const bool folder = (::GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0;
    for (int i = 0; i < 600; ++i) {  // up to 30 s: a loaded machine starts programs slowly
        const DWORD attrs = ::GetFileAttributesW(link.c_str());
        if (attrs != INVALID_FILE_ATTRIBUTES && (!folder || (attrs & FILE_ATTRIBUTE_REPARSE_POINT))) return true;
        ::Sleep(50);
    }
    return false;
}

bool RemoveUnixEntry(const std::wstring& path) {
    // As for ln, the folder is looked up and the name kept as written.
    const std::string unix_folder = UnixPath(win::FolderOf(path));
    if (unix_folder.empty()) return false;
    const std::string unix_path = unix_folder + "/" + win::WideToUtf8(win::FileNameOf(path));
    // As for ln: no handle to wait on, so poll until the name is gone.
    std::wstring command = L"/bin/rm -f \"" + win::Utf8ToWide(unix_path) + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!::CreateProcessW(L"Z:\\bin\\rm", &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    win::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
    for (int i = 0; i < 600; ++i) {
        if (!HasEntryNamedExactly(path)) return true;
        ::Sleep(50);
    }
    return false;
}

}  // namespace testing_support
