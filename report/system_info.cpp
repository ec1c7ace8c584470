#include "report/system_info.h"

#include "win/path.h"
#include "win/text.h"
#include "win/windows_version.h"

#include <windows.h>

namespace report {
namespace {

bool RunsOn64BitWindows() {
    if (!win::IsWow64()) return false;
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
    if (win::ReadWindowsVersion(info)) {
        version = win::FormatW(L"%d.%d", static_cast<int>(info.dwMajorVersion), static_cast<int>(info.dwMinorVersion));
        server = info.wProductType == VER_NT_SERVER;
    }
    return FormatOsText(version, server, RunsOn64BitWindows());
}

std::wstring InstallerName() { return win::FileNameOf(win::ModulePath()); }

}  // namespace report
