// Started by the launch tests: writes "<parent pid>\n<current folder>\n" (UTF-8)
// to the file named by its one argument, then ends.
#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "win/text.h"
#include "win/unique_handle.h"

namespace {

DWORD ParentProcessId() {
    win::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return 0;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
        if (entry.th32ProcessID == ::GetCurrentProcessId()) return entry.th32ParentProcessID;
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    wchar_t folder[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, folder);
    const std::string text = std::to_string(ParentProcessId()) + "\n" + win::WideToUtf8(folder) + "\n";
    // Written under another name and renamed: the test never reads half a report.
    const std::wstring partial = std::wstring(argv[1]) + L".part";
    {
        win::UniqueFile file(::CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        if (!file || !::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
            return 1;
    }
    return ::MoveFileExW(partial.c_str(), argv[1], MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
