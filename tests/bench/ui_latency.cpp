// How long the installer's UI thread leaves a message unanswered while its
// worker installs: WM_NULL sent every few milliseconds until the window is gone.
#include "tests/bench/probe.h"

#include "win/path.h"

#include <process.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {
namespace {

constexpr DWORD kWindowTimeoutMs = 60000;
constexpr DWORD kAnswerTimeoutMs = 120000;
constexpr DWORD kPingIntervalMs = 2;

constexpr double kStallMs = 50;
// An install over an earlier one moves the earlier files aside, the install
// record among them, just before it unpacks, and writes the new record right
// after: while the record is missing, the worker is unpacking. (The benchmark's
// first, untimed install makes every timed one such an install.)
std::wstring InstallRecordPath() {
    wchar_t path[MAX_PATH] = {};
    ::ExpandEnvironmentStringsW(L"%ProgramW6432%\\Torvane\\Uninstall.xml", path, MAX_PATH);
    return path;
}

enum Phase { kBeforeUnpack, kUnpacking, kAfterUnpack, kPhases };
constexpr const char* kPhaseNames[kPhases] = {"before unpacking", "while unpacking", "after unpacking"};

struct Answers {
    std::vector<double> latencies;  // the last one may be a call the window died on
    std::vector<double> sentAt;     // ms after the first ask
    std::vector<Phase> phases;      // the install's phase when asked
    double firstMs = 0;
    double lastMs = 0;
    double unpackMs[2] = {-1, -1};  // first and last ask that missed the install record

    void Add(double sent, double latency, Phase phase) {
        latencies.push_back(latency);
        sentAt.push_back(sent - firstMs);
        phases.push_back(phase);
    }
};

Phase NextPhase(Phase phase, bool recordExists) {
    if (phase == kBeforeUnpack && !recordExists) return kUnpacking;
    if (phase == kUnpacking && recordExists) return kAfterUnpack;
    return phase;
}

// Pings `window` until it is gone; false when an answer took longer than the time-out.
bool PingUntilGone(HWND window, Answers* answers) {
    const std::wstring record = InstallRecordPath();
    Phase phase = kBeforeUnpack;
    answers->firstMs = NowMs();
    for (;;) {
        phase = NextPhase(phase, ::GetFileAttributesW(record.c_str()) != INVALID_FILE_ATTRIBUTES);
        const double sent = NowMs();
        if (phase == kUnpacking) {
            if (answers->unpackMs[0] < 0) answers->unpackMs[0] = sent - answers->firstMs;
            answers->unpackMs[1] = sent - answers->firstMs;
        }
        DWORD_PTR result = 0;
        const LRESULT answered =
            ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &result);
        const double latency = NowMs() - sent;
        if (!answered && ::IsWindow(window)) {
            std::fprintf(stderr, "no answer within %lu ms\n", kAnswerTimeoutMs);
            return false;
        }
        // An ask the window died on still went unanswered that long.
        answers->Add(sent, latency, phase);
        if (!answered) break;
        answers->lastMs = NowMs();
        ::Sleep(kPingIntervalMs);
    }
    return true;
}

void PrintAnswers(const Answers& answers) {
    std::vector<double> sorted = answers.latencies;
    std::sort(sorted.begin(), sorted.end());
    if (sorted.empty()) {
        std::printf("no answers\n");
        return;
    }
    const auto over = [&](double ms) { return std::count_if(sorted.begin(), sorted.end(), [=](double v) { return v > ms; }); };
    std::printf("answers %u over %.0f ms: max %.1f ms, p99 %.1f, median %.2f, over %.0f ms %d, over %.0f ms %d;",
                static_cast<unsigned>(sorted.size()), answers.lastMs - answers.firstMs, sorted.back(),
                sorted[sorted.size() * 99 / 100], sorted[sorted.size() / 2], kStallMs,
                static_cast<int>(over(kStallMs)), 2 * kStallMs, static_cast<int>(over(2 * kStallMs)));
    double longest[kPhases] = {0, 0, 0};
    for (size_t i = 0; i < answers.latencies.size(); ++i)
        longest[answers.phases[i]] = std::max(longest[answers.phases[i]], answers.latencies[i]);
    for (int phase = 0; phase < kPhases; ++phase) std::printf(" max %s %.1f ms;", kPhaseNames[phase], longest[phase]);
    if (answers.unpackMs[0] >= 0)
        std::printf(" unpacking seen +%.0f..+%.0f ms;", answers.unpackMs[0], answers.unpackMs[1]);
    // Where the long ones fell: asked at +T ms, answered D ms later.
    std::printf(" stalls (asked at +ms: ms)");
    for (size_t i = 0; i < answers.latencies.size(); ++i)
        if (answers.latencies[i] > kStallMs) std::printf(" +%.0f: %.0f", answers.sentAt[i], answers.latencies[i]);
    std::printf("\n");
}

// The probe's own check: a window whose thread blocks 300 ms on each of two timers
// (the second time just before it destroys itself) must show both stalls.
LRESULT CALLBACK StallingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        ::KillTimer(window, wParam);
        ::Sleep(300);
        ::SetTimer(window, 2, 200, nullptr);
        if (wParam == 2) ::DestroyWindow(window);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

unsigned __stdcall StallingThread(void* created) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = StallingProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TorvaneProbeStall";
    ::RegisterClassW(&windowClass);
    const HWND window = ::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr,
                                          nullptr, windowClass.hInstance, nullptr);
    static_cast<std::atomic<HWND>*>(created)->store(window);
    if (!window) return 1;
    ::SetTimer(window, 1, 200, nullptr);
    MSG msg;
    while (::IsWindow(window) && ::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}

}  // namespace

int UiLatency(const std::wstring& exe, const std::wstring& args) {
    Launched launched;
    const double start = NowMs();
    if (!Launch(exe, args, &launched)) {
        std::fprintf(stderr, "cannot start %ls (%lu)\n", exe.c_str(), ::GetLastError());
        return 1;
    }
    HWND window = nullptr;
    while (!window && NowMs() - start < kWindowTimeoutMs) {
        window = FindProcessWindow(kInstallerClass, launched.pid);
        if (!window) ::Sleep(1);
    }
    if (!window) {
        std::fprintf(stderr, "no installer window within %lu ms\n", kWindowTimeoutMs);
        WaitExit(launched, 0);
        return 1;
    }
    Answers answers;
    const bool ok = PingUntilGone(window, &answers);
    const DWORD code = WaitExit(launched, kWindowTimeoutMs);
    std::printf("installer exit code %lu, window found after %.0f ms, ", code, answers.firstMs - start);
    PrintAnswers(answers);
    return ok && code == 0 ? 0 : 1;
}

int UiLatencySelfCheck() {
    std::atomic<HWND> window{nullptr};
    const win::UniqueKernelHandle thread(
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, StallingThread, &window, 0, nullptr)));
    if (!thread) return 1;
    while (!window.load() && ::WaitForSingleObject(thread.get(), 1) == WAIT_TIMEOUT) {}
    if (!window.load()) return 1;
    Answers answers;
    PingUntilGone(window.load(), &answers);
    ::WaitForSingleObject(thread.get(), INFINITE);
    std::printf("self-check (a thread that blocks twice for 300 ms): ");
    PrintAnswers(answers);
    const auto stalls = std::count_if(answers.latencies.begin(), answers.latencies.end(), [](double v) { return v >= 250; });
    return stalls == 2 ? 0 : 1;
}

}  // namespace bench
