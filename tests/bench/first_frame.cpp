// Start cost of a program that does nothing, and the installer's start to its
// first painted frame, both from CreateProcess on in one warm Wine.
#include "tests/bench/probe.h"

#include "win/gdi.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace bench {
namespace {

// Client points in the picture area, clear of the icon, the caption, the close
// button and the install tip: they show the skin picture once the first frame is up.
constexpr std::array<POINT, 5> kSamples{{{300, 140}, {150, 220}, {450, 80}, {60, 150}, {540, 200}}};
using Pixels = std::array<COLORREF, kSamples.size()>;

constexpr DWORD kWindowTimeoutMs = 60000;
constexpr DWORD kExitTimeoutMs = 30000;

Pixels ReadPixels(HWND window) {
    Pixels pixels{};
    const win::UniqueWindowDc screen = win::GetWindowDc(nullptr);
    for (size_t i = 0; i < kSamples.size(); ++i) {
        POINT p = kSamples[i];
        ::ClientToScreen(window, &p);
        pixels[i] = screen ? ::GetPixel(screen.get().dc, p.x, p.y) : CLR_INVALID;
    }
    return pixels;
}

struct FrameTimes {
    double shown = -1;    // the window is visible
    double painted = -1;  // its pixels show the picture
    double pollMs = 0;    // mean time between two looks
};

// Launches the installer and watches it until its picture shows (`reference`
// null: until it is visible); leaves it running in `launched`.
bool WatchStart(const std::wstring& exe, const wchar_t* className, const Pixels* reference, Launched* launched, HWND* window,
                FrameTimes* times) {
    const double start = NowMs();
    if (!Launch(exe, L"", launched)) {
        std::fprintf(stderr, "cannot start %ls (%lu)\n", exe.c_str(), ::GetLastError());
        return false;
    }
    int polls = 0;
    while (NowMs() - start < kWindowTimeoutMs) {
        ++polls;
        if (!*window) *window = FindProcessWindow(className, launched->pid);
        if (*window && times->shown < 0 && ::IsWindowVisible(*window)) {
            times->shown = NowMs() - start;
            if (!reference) break;
        }
        if (times->shown >= 0 && ReadPixels(*window) == *reference) {
            times->painted = NowMs() - start;
            break;
        }
        if (::WaitForSingleObject(launched->process.get(), 0) == WAIT_OBJECT_0) {
            std::fprintf(stderr, "%ls ended before its first frame\n", exe.c_str());
            return false;
        }
        ::Sleep(1);
    }
    times->pollMs = (NowMs() - start) / polls;
    if (times->shown < 0 || (reference && times->painted < 0)) {
        std::fprintf(stderr, "no %s window within %lu ms\n", reference ? "painted" : "visible", kWindowTimeoutMs);
        WaitExit(*launched, 0);  // ends it: a left-over instance would hold the mutex
        return false;
    }
    return true;
}

// WM_CLOSE on page 0 ends the installer (and the empty window) with exit code 0.
bool CloseAndWait(const Launched& launched, HWND window) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    const DWORD code = WaitExit(launched, kExitTimeoutMs);
    if (code != 0) std::fprintf(stderr, "exit code %lu after WM_CLOSE\n", code);
    return code == 0;
}

}  // namespace

int StartCost(const std::wstring& exe, int runs) {
    std::vector<double> times;
    for (int i = 0; i <= runs; ++i) {  // run 0 warms the file cache
        Launched launched;
        const double start = NowMs();
        if (!Launch(exe, L"", &launched)) return 1;
        WaitExit(launched, kExitTimeoutMs);
        if (i > 0) times.push_back(NowMs() - start);
    }
    PrintSummary("empty exe, CreateProcess to exit", times, "ms");
    return 0;
}

int FirstFrame(const std::wstring& exe, int runs, const std::string& label, const wchar_t* className) {
    // Run 0 is not timed: it warms the file cache and takes the settled picture
    // that later runs must show.
    Pixels reference{};
    {
        Launched launched;
        HWND window = nullptr;
        FrameTimes times;
        if (!WatchStart(exe, className, nullptr, &launched, &window, &times)) return 1;
        ::Sleep(3000);
        reference = ReadPixels(window);
        if (!CloseAndWait(launched, window)) return 1;
    }
    std::printf("reference pixels:");
    for (COLORREF c : reference) std::printf(" #%06lX", static_cast<unsigned long>(c));
    std::printf("\n");
    // The installer's picture has several colours; another program's window (a
    // notepad's white page) may be one colour, and that colour is its frame.
    const bool installer = std::wstring(className) == kInstallerClass;
    if (installer && std::all_of(reference.begin(), reference.end(), [&](COLORREF c) { return c == reference[0]; })) {
        std::fprintf(stderr, "every sample shows one colour: no picture to wait for\n");
        return 1;
    }

    std::vector<double> shown, painted, polls;
    for (int i = 0; i < runs; ++i) {
        Launched launched;
        HWND window = nullptr;
        FrameTimes times;
        if (!WatchStart(exe, className, &reference, &launched, &window, &times)) return 1;
        shown.push_back(times.shown);
        painted.push_back(times.painted);
        polls.push_back(times.pollMs);
        if (!CloseAndWait(launched, window)) return 1;
        ::Sleep(500);  // let the previous process's windows go
    }
    PrintSummary((label + ", CreateProcess to window visible").c_str(), shown, "ms");
    PrintSummary((label + ", CreateProcess to first painted frame").c_str(), painted, "ms");
    PrintSummary((label + ", probe's poll interval").c_str(), polls, "ms");
    return 0;
}

int WaitWindow(DWORD timeoutMs) {
    const double start = NowMs();
    while (NowMs() - start < timeoutMs) {
        const HWND window = ::FindWindowW(kInstallerClass, nullptr);
        if (window && ::IsWindowVisible(window)) return 0;
        ::Sleep(20);
    }
    std::fprintf(stderr, "no visible installer window within %lu ms\n", timeoutMs);
    return 1;
}

int CloseWindow(DWORD timeoutMs) {
    const HWND window = ::FindWindowW(kInstallerClass, nullptr);
    if (!window) return 1;
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    const double start = NowMs();
    while (::IsWindow(window)) {
        if (NowMs() - start > timeoutMs) return 1;
        ::Sleep(20);
    }
    return 0;
}

}  // namespace bench
