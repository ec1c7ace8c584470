#include "win/library_search.h"

#include <atomic>
#include <string>

#include "win/result.h"
#include "win/text.h"

namespace win {
namespace {

std::atomic<LibraryFailureHandler> g_failureHandler{nullptr};

// LOAD_LIBRARY_SEARCH_* flags are refused with ERROR_INVALID_PARAMETER where
// SetDefaultDllDirectories is missing (Windows 7 without KB2533623).
bool SearchFlagsRefused() { return ::GetLastError() == ERROR_INVALID_PARAMETER; }

void WriteStdErr(const std::wstring& line) {
    const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);  // borrowed
    if (!err || err == INVALID_HANDLE_VALUE) return;
    const std::string bytes = WideToUtf8(line + L"\n");
    DWORD written = 0;
    ::WriteFile(err, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

bool RestrictLibrarySearch() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    // kernel32 is mapped into every process: borrowed, never freed.
    const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(kernel32, "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    ::SetDllDirectoryW(L"");
    return false;
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    HMODULE module = ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || !SearchFlagsRefused()) return module;
    // A full path is never searched for; the altered search path makes the
    // library's own imports come from its folder before the exe's.
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::wstring path(folder, length);
    path += L'\\';
    path += name;
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void SetLibraryFailureHandler(LibraryFailureHandler handler) { g_failureHandler = handler; }

void EndForMissingLibrary(const char* library, const char* function, DWORD error) {
    // Library and function names are ASCII in every import table.
    const std::wstring dll = Utf8ToWide(library ? library : "?");
    std::wstring message = function ? L"Cannot find " + Utf8ToWide(function) + L" in " + dll
                                    : L"Cannot load " + dll + L" from the system folder";
    message += L" (error " + win::DecimalText(error);
    std::wstring reason = SystemMessage(error);
    reason.erase(reason.find_last_not_of(L" .\r\n") + 1);
    if (!reason.empty()) message += L": " + reason;
    message += L")";
    WriteStdErr(message);
    ::OutputDebugStringW(message.c_str());
    if (const LibraryFailureHandler handler = g_failureHandler) handler(message.c_str());
    // Nothing can go on without the library; end here rather than let the caller
    // crash on an unhandled exception that names nothing.
    ::ExitProcess(function ? ERROR_PROC_NOT_FOUND : ERROR_MOD_NOT_FOUND);
}

}  // namespace win
