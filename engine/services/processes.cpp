#include "engine/services/processes.h"

#include "win/path.h"
#include "win/unique_handle.h"

#include <tlhelp32.h>

#include <algorithm>
#include <functional>

namespace engine {

namespace {

constexpr DWORD kTerminateWaitMs = 4000;

// Calls `visit` for every process of a fresh snapshot; false when none was taken.
bool ForEachProcess(const std::function<void(const PROCESSENTRY32W&)>& visit) {
    win::UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
        visit(entry);
    return true;
}

}  // namespace

std::wstring ProcessImagePath(DWORD pid) {
    win::UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return {};
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = static_cast<DWORD>(sizeof(path) / sizeof(path[0]));
    if (!::QueryFullProcessImageNameW(process.get(), 0, path, &size)) return {};
    return std::wstring(path, size);
}

win::UniqueKernelHandle OpenProcessToEnd(DWORD pid) {
    return win::UniqueKernelHandle(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
}

bool EndProcess(HANDLE process, DWORD graceMs, DWORD waitMs) {
    if (!process) return false;
    if (::WaitForSingleObject(process, graceMs) == WAIT_OBJECT_0) return true;
    ::TerminateProcess(process, 0xFFFFFFFF);
    return ::WaitForSingleObject(process, waitMs) == WAIT_OBJECT_0;
}

bool StopProcessesInFolder(const std::wstring& folder, const std::vector<std::wstring>& image_names) {
    const DWORD self = ::GetCurrentProcessId();
    const auto named = [&](const std::wstring& file_name) {
        return std::any_of(image_names.begin(), image_names.end(),
                           [&](const std::wstring& name) { return win::EqualsNoCase(name, file_name); });
    };
    return ForEachProcess([&](const PROCESSENTRY32W& entry) {
        if (entry.th32ProcessID == 0 || entry.th32ProcessID == self) return;
        // The snapshot's name first: most processes are no program of ours, and
        // opening each of them costs more than a comparison.
        if (!named(entry.szExeFile)) return;
        const std::wstring image = ProcessImagePath(entry.th32ProcessID);
        if (image.empty() || !named(win::FileNameOf(image)) ||
            !win::EqualsNoCase(win::JoinPath(folder, win::FileNameOf(image)), image))
            return;
        EndProcess(OpenProcessToEnd(entry.th32ProcessID).get(), 0, kTerminateWaitMs);
    });
}

bool FindProcessByName(const std::wstring& exe_name, DWORD* pid) {
    bool found = false;
    ForEachProcess([&](const PROCESSENTRY32W& entry) {
        if (!found && win::EqualsNoCase(entry.szExeFile, exe_name)) {
            *pid = entry.th32ProcessID;
            found = true;
        }
    });
    return found;
}

bool FindProcessByPath(const std::wstring& exe_name, const std::wstring& full_path, DWORD* pid) {
    DWORD last = 0;
    bool any = false;
    ForEachProcess([&](const PROCESSENTRY32W& entry) {
        if (win::EqualsNoCase(entry.szExeFile, exe_name)) {
            last = entry.th32ProcessID;
            any = true;
        }
    });
    if (!any || !win::EqualsNoCase(ProcessImagePath(last), full_path)) return false;
    *pid = last;
    return true;
}

}  // namespace engine
