// Loads system DLLs by name as a program would:
//   plant-probe.exe [--restrict] DLL...
//   plant-probe.exe [--restrict] --delay-call
// With --restrict the search is restricted first (win::RestrictLibrarySearch),
// without it the default search applies, which looks in the exe's folder first:
// the planting test runs both, to show that it sees a planted DLL load.
// Prints one line per DLL, "loaded NAME" or "failed NAME ERROR"; exits 0.
// --delay-call calls into delay-loaded wininet instead: the hooks take wininet
// from the system folder in any case, but the libraries wininet itself loads
// later follow the search, so the restriction is what keeps those out of the
// exe's folder.
#include <windows.h>
#include <wininet.h>

#include <string>

#include "win/library_search.h"
#include "win/text.h"

namespace {

void PrintLine(const std::wstring& line) {
    const std::string text = win::WideToUtf8(line + L"\n");
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int first = 1;
    if (argc > 1 && std::wstring(argv[1]) == L"--restrict") {
        PrintLine(win::RestrictLibrarySearch() ? L"restricted" : L"restricted partly");
        first = 2;
    }
    if (first + 1 == argc && std::wstring(argv[first]) == L"--delay-call") {
        // Not InternetGetConnectedState: Wine's wininet delay-loads iphlpapi for it
        // by a search that ignores the restriction, which Windows' does not.
        const HINTERNET session = ::InternetOpenW(L"plant-probe", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
        PrintLine(std::wstring(L"called wininet: ") + (session ? L"opened" : L"failed"));
        if (session) ::InternetCloseHandle(session);
        return 0;
    }
    for (int i = first; i < argc; ++i) {
        // Left loaded: the process ends right after.
        if (::LoadLibraryW(argv[i])) PrintLine(std::wstring(L"loaded ") + argv[i]);
        else PrintLine(std::wstring(L"failed ") + argv[i] + L" " + std::to_wstring(::GetLastError()));
    }
    return 0;
}
