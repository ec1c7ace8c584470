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

ToolRun RunTool(const char* exe, const std::wstring& args, DWORD timeoutMs) {
    ToolRun run;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readRaw = nullptr, writeRaw = nullptr;
    if (!::CreatePipe(&readRaw, &writeRaw, &sa, 0)) return run;
    win::UniqueKernelHandle readEnd(readRaw), writeEnd(writeRaw);
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    std::wstring path = L"Z:" + win::Utf8ToWide(exe);
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    std::wstring command = L"\"" + path + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd.get();
    si.hStdError = writeEnd.get();
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(path.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return run;
    win::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
    writeEnd.reset();
    char buf[4096];
    auto drain = [&] {
        DWORD avail = 0, got = 0;
        while (::PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &avail, nullptr) && avail &&
               ::ReadFile(readEnd.get(), buf, sizeof buf, &got, nullptr) && got) {
            run.out.append(buf, got);
        }
    };
    for (DWORD waited = 0; waited < timeoutMs; waited += 20) {
        drain();
        if (::WaitForSingleObject(process.get(), 20) == WAIT_OBJECT_0) break;
    }
    drain();
    ::GetExitCodeProcess(process.get(), &run.exitCode);
    return run;
}

}  // namespace uitest
