#include "tests/ui/test_files.h"

#include <shellapi.h>

#include "win/text.h"
#include "win/unique_handle.h"

namespace uitest {

std::wstring DataPath(const wchar_t* name) {
    std::wstring path = L"Z:" + win::Utf8ToWide(TORVANE_UI_TEST_DATA) + L"/" + name;
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

std::vector<unsigned char> ReadBytes(const std::wstring& path) {
    std::vector<unsigned char> bytes;
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size)) return bytes;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty() && (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                           got != bytes.size()))
        bytes.clear();
    return bytes;
}

bool WriteBytes(const std::wstring& path, const void* data, size_t size) {
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return size == 0 || (::WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size);
}

TempDir::TempDir(const wchar_t* leaf) {
    wchar_t base[MAX_PATH];
    const DWORD n = ::GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    path_ = std::wstring(base, n) + leaf + L"_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(::InterlockedIncrement(&counter)) + L"\\";
    ::CreateDirectoryW(path_.c_str(), nullptr);
}

TempDir::~TempDir() {
    // SHFileOperation wants a double-terminated list and no trailing "\".
    std::wstring from = path_.substr(0, path_.size() - 1);
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&op);
}

}  // namespace uitest
