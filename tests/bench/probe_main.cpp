// Not a test: the installer probe (run by scripts/bench-installer.sh).
//   bench_installer_probe start EXE RUNS        CreateProcess to exit of a program
//   bench_installer_probe frame EXE RUNS LABEL [CLASS]  CreateProcess to the first painted frame
//                                               (of the window of CLASS, default the installer's)
//   bench_installer_probe wait | close          a visible installer window / WM_CLOSE to it
//   bench_installer_probe latency EXE [ARGS]    UI answer times until the window is gone
//   bench_installer_probe latency-check         the latency probe against a known stall
//   bench_installer_probe size EXE              exe, payload and stub sizes
//   bench_installer_probe repack EXE ARCHIVE OUT  a copy of EXE with another payload
#include "tests/bench/probe.h"
#include "win/text.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
    const std::wstring job = argc > 1 ? argv[1] : L"";
    const auto arg = [&](int i) { return std::wstring(i < argc ? argv[i] : L""); };
    const int runs = argc > 3 ? std::max(1, _wtoi(argv[3])) : 5;
    if (job == L"start" && argc > 2) return bench::StartCost(arg(2), runs);
    if (job == L"frame" && argc > 4) {
        const std::wstring className = argc > 5 ? arg(5) : std::wstring(bench::kInstallerClass);
        return bench::FirstFrame(arg(2), runs, win::WideToUtf8(arg(4)), className.c_str());
    }
    if (job == L"wait") return bench::WaitWindow(60000);
    if (job == L"close") return bench::CloseWindow(30000);
    if (job == L"latency" && argc > 2) return bench::UiLatency(arg(2), arg(3));
    if (job == L"latency-check") return bench::UiLatencySelfCheck();
    if (job == L"size" && argc > 2) return bench::PayloadSize(arg(2));
    if (job == L"repack" && argc > 4) return bench::ReplacePayload(arg(2), arg(3), arg(4));
    std::fprintf(stderr, "usage: see the head of probe_main.cpp\n");
    return 2;
}
