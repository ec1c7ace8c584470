#include "report/system_info.h"

#include "win/path.h"
#include "win/text.h"

#include <windows.h>

namespace report {
namespace {

// ntdll's RtlGetVersion is not lied to by the compatibility shims, unlike GetVersionEx.
bool ReadVersion(OSVERSIONINFOEXW& info) {
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOEXW*);
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");  // borrowed: always loaded
    if (!ntdll) return false;
    const auto fn = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")));
    if (!fn) return false;
    info = {};
    info.dwOSVersionInfoSize = sizeof info;
    return fn(&info) == 0;
}

bool RunsOn64BitWindows() {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);
    const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
    const auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel32, "IsWow64Process")));
    BOOL wow64 = FALSE;
    if (!isWow64 || !isWow64(::GetCurrentProcess(), &wow64) || !wow64) return false;
    SYSTEM_INFO si{};
    ::GetNativeSystemInfo(&si);
    return si.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
           si.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

}  // namespace

std::wstring FormatOsText(const std::wstring& version, bool server, bool native64) {
    std::wstring text = win::FormatW(L"%s_%d_%d", version.c_str(), server ? 1 : 0, native64 ? 64 : 32);
    if (text.size() > 63) text.resize(63);
    return text;
}

std::wstring OsText() {
    OSVERSIONINFOEXW info;
    std::wstring version;
    bool server = false;
    if (ReadVersion(info)) {
        version = win::FormatW(L"%d.%d", static_cast<int>(info.dwMajorVersion), static_cast<int>(info.dwMinorVersion));
        server = info.wProductType == VER_NT_SERVER;
    }
    return FormatOsText(version, server, RunsOn64BitWindows());
}

std::wstring InstallerName() { return win::FileNameOf(win::ModulePath()); }

}  // namespace report
