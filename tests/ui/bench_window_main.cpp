// Not a test: time from Create to the end of the first WM_PAINT for a 600x450
// skin of about 40 controls, as the median of runs (bench_window [RUNS]).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "ui/builder/window_impl_base.h"

namespace {

std::wstring MakeSkin() {
    std::wstring skin =
        L"<Window size=\"600,450\" caption=\"0,0,0,40\"><Font id=\"0\" name=\"Tahoma\" size=\"12\" default=\"true\"/>"
        L"<VerticalLayout bkcolor=\"#FFF0F0F0\"><HorizontalLayout height=\"40\" bkcolor=\"#FF2B5797\" inset=\"8,8,8,8\">"
        L"<Control width=\"24\" bkcolor=\"#FFFFFFFF\"/><Control/><Control width=\"24\" bkcolor=\"#FFE04848\"/>"
        L"</HorizontalLayout><TabLayout inset=\"10,10,10,10\">";
    for (int page = 0; page < 2; ++page) {
        skin += L"<VerticalLayout childpadding=\"4\" bkcolor=\"#FFFFFFFF\">";
        for (int row = 0; row < 5; ++row) {
            skin += L"<HorizontalLayout height=\"30\" childpadding=\"6\">";
            for (int col = 0; col < 2; ++col) skin += L"<Control bkcolor=\"#FFB0BCCB\" bordersize=\"1\" bordercolor=\"#FF000000\"/>";
            skin += L"</HorizontalLayout>";
        }
        skin += L"</VerticalLayout>";
    }
    skin += L"</TabLayout><Control float=\"true\" pos=\"568,8,592,32\" bkcolor=\"#FFE04848\"/></VerticalLayout></Window>";
    return skin;
}

class BenchWindow : public Ulmar::WindowImplBase {
public:
    explicit BenchWindow(const std::wstring& skin) : skin_(skin) {}
    unsigned Paints() { return GetPaintManager().GetPaintStats().paints; }

protected:
    const wchar_t* GetWindowClassName() const override { return L"UlmarBenchWindow"; }
    Ulmar::CUiString GetSkinFile() override { return Ulmar::CUiString(skin_.c_str()); }

private:
    std::wstring skin_;
};

double Now() {
    LARGE_INTEGER t, f;
    ::QueryPerformanceCounter(&t);
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 21;
    Ulmar::CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    const std::wstring skin = MakeSkin();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        BenchWindow window(skin);
        const double start = Now();
        const HWND hwnd = window.Create(nullptr, L"bench", WS_POPUP | WS_VISIBLE, 0, 50, 50, 600, 450);
        if (!hwnd) return 1;
        ::UpdateWindow(hwnd);
        MSG msg;
        while (window.Paints() == 0 && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        times.push_back(Now() - start);
        ::DestroyWindow(hwnd);
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    std::sort(times.begin(), times.end());
    std::printf("create to first paint, 600x450, %d runs: median %.2f ms (min %.2f, max %.2f)\n", runs,
                times[times.size() / 2], times.front(), times.back());
    return 0;
}
