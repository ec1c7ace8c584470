// Starting and ending the program under measurement, finding its window, and the
// one way figures are printed.
#include "tests/bench/probe.h"

#include <algorithm>
#include <cstdio>

namespace bench {

double NowMs() {
    LARGE_INTEGER t, f;
    ::QueryPerformanceCounter(&t);
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

bool Launch(const std::wstring& exe, const std::wstring& args, Launched* out) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!args.empty()) commandLine += L" " + args;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info))
        return false;
    win::UniqueKernelHandle thread(info.hThread);
    out->process.reset(info.hProcess);
    out->pid = info.dwProcessId;
    return true;
}

DWORD WaitExit(const Launched& launched, DWORD timeoutMs) {
    if (::WaitForSingleObject(launched.process.get(), timeoutMs) == WAIT_TIMEOUT) {
        std::fprintf(stderr, "process %lu did not end within %lu ms; ended it\n", launched.pid, timeoutMs);
        ::TerminateProcess(launched.process.get(), 255);
        ::WaitForSingleObject(launched.process.get(), 5000);
    }
    DWORD code = 255;
    ::GetExitCodeProcess(launched.process.get(), &code);
    return code;
}

HWND FindProcessWindow(const wchar_t* className, DWORD pid) {
    HWND window = nullptr;
    while ((window = ::FindWindowExW(nullptr, window, className, nullptr)) != nullptr) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == pid) return window;
    }
    return nullptr;
}

void PrintSummary(const char* label, std::vector<double> values, const char* unit) {
    if (values.empty()) {
        std::printf("%s: no runs\n", label);
        return;
    }
    std::printf("%s: runs", label);
    for (double v : values) std::printf(" %.1f", v);
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    std::printf(" %s, median %.1f (range %.1f..%.1f)\n", unit, median, values.front(), values.back());
    std::fflush(stdout);
}

}  // namespace bench
