// Paint manager benchmark: bench_paint [RUNS]   — figures as medians of RUNS frames
//                          bench_paint show SECONDS — the demo window, for a screenshot
// Figures: a full repaint of a 600 x 450 window holding 40 controls with
// images, colours and text; a repaint of one 20 x 20 control and its ratio to
// the full frame; image decodes and description parses during a second paint;
// CPU time used by an idle window over 2 s.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/ui/canvas.h"
#include "tests/ui/ui_test_support.h"
#include "ui/base/image.h"
#include "ui/base/paint_manager.h"
#include "ui/base/render.h"

using namespace Ulmar;

namespace {

double NowUs() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Labels come with a later step; a control that paints its text is enough here.
class TextControl : public CControlUI {
public:
    void PaintText(HDC dc) override {
        if (text_.IsEmpty()) return;
        RECT rc = itemRect_;
        rc.left += 4;
        CRenderer::DrawText(dc, manager_, rc, text_, textColor, font, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    }
    DWORD textColor = 0xFF202020;
    int font = 0;
};

// A small framed image: opaque border, translucent centre, so nine-slice shows.
std::vector<uint32_t> FramedImage(int size, uint32_t frame, uint32_t centre) {
    std::vector<uint32_t> px(size * size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const bool edge = x < 4 || y < 4 || x >= size - 4 || y >= size - 4;
            px[y * size + x] = edge ? frame : centre;
        }
    }
    return px;
}

struct Images {
    std::vector<std::unique_ptr<uitest::TempFile>> files;
    Images() {
        const uint32_t colours[4][2] = {{0xFF2060C0, 0x802060C0},
                                        {0xFFC04020, 0x60C04020},
                                        {0xFF20A040, 0xA020A040},
                                        {0xFF808080, 0x40808080}};
        for (int i = 0; i < 4; ++i) {
            const auto png = test::MakePng(24, 24, FramedImage(24, colours[i][0], colours[i][1]));
            files.push_back(std::make_unique<uitest::TempFile>(L"bench_img" + std::to_wstring(i) + L".png", png));
        }
        // A 6-pixel wide bar with 3-pixel ends, for the nine-slice demo.
        std::vector<uint32_t> bar(6 * 6);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x) bar[y * 6 + x] = (x < 3 ? 0xFFE08000 : 0xFF0080E0);
        files.push_back(std::make_unique<uitest::TempFile>(L"bench_bar.png", test::MakePng(6, 6, bar)));
        wchar_t folder[MAX_PATH];
        ::GetTempPathW(MAX_PATH, folder);
        CPaintManagerUI::SetResourcePath(folder);
    }
};

// 40 controls in an 8 x 5 grid of 70 x 80 cells over a gradient background.
uitest::TestContainer* BuildBenchTree(std::vector<CControlUI*>& cells) {
    auto* root = new uitest::TestContainer();
    root->SetAttribute(L"bkcolor", L"#FFF0F4F8");
    root->SetAttribute(L"bkcolor2", L"#FFC8D8E8");
    for (int i = 0; i < 40; ++i) {
        auto* c = new TextControl();
        const int col = i % 8;
        const int row = i / 8;
        wchar_t pos[64];
        std::swprintf(pos, 64, L"%d,%d,%d,%d", 8 + col * 74, 10 + row * 86, 8 + col * 74 + 70, 10 + row * 86 + 80);
        c->SetAttribute(L"pos", pos);
        wchar_t image[96];
        std::swprintf(image, 96, L"file='bench_img%d.png' corner='4,4,4,4'", i % 4);
        c->SetAttribute(L"bkimage", image);
        c->SetAttribute(L"bkcolor", (i % 3 == 0) ? L"#40FFFFFF" : L"#00000000");
        c->SetAttribute(L"bordercolor", L"#FF304050");
        c->SetAttribute(L"bordersize", L"1");
        c->SetText((L"Item " + std::to_wstring(i)).c_str());
        root->Add(c);
        cells.push_back(c);
    }
    return root;
}

void Bench(int runs) {
    Images images;
    uitest::TestWindow w(600, 450);
    std::vector<CControlUI*> cells;
    auto* root = BuildBenchTree(cells);
    w.pm().AttachDialog(root);
    uitest::Flush(w.hwnd());
    uitest::PumpFor(100);

    // Second paint: everything decoded and parsed by the first.
    const size_t decodes = GetImageDecodeCount();
    const size_t parses = GetDrawInfoParseCount();
    w.pm().Invalidate();
    ::UpdateWindow(w.hwnd());
    const size_t secondDecodes = GetImageDecodeCount() - decodes;
    const size_t secondParses = GetDrawInfoParseCount() - parses;

    std::vector<double> full;
    std::vector<double> small;
    const RECT cell = cells[9]->GetPos();
    const RECT patch = {cell.left + 10, cell.top + 10, cell.left + 30, cell.top + 30};
    for (int r = 0; r < runs; ++r) {
        w.pm().Invalidate();
        double t = NowUs();
        ::UpdateWindow(w.hwnd());
        ::GdiFlush();
        full.push_back(NowUs() - t);

        w.pm().Invalidate(patch);
        t = NowUs();
        ::UpdateWindow(w.hwnd());
        ::GdiFlush();
        small.push_back(NowUs() - t);
    }
    const unsigned paintsBeforeIdle = w.pm().GetPaintStats().paints;

    // Idle: nothing changes for 2 s; the process should not run.
    FILETIME created, exited, kernelBefore, userBefore, kernelAfter, userAfter;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernelBefore, &userBefore);
    // Block until a message comes (none should), and count what does come.
    const double idleStart = NowUs();
    const DWORD idleTicks = ::GetTickCount();
    unsigned idleMessages = 0;
    for (DWORD elapsed = 0; elapsed < 2000; elapsed = ::GetTickCount() - idleTicks) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 2000 - elapsed, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ++idleMessages;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    const double idleWall = NowUs() - idleStart;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernelAfter, &userAfter);
    auto ticks = [](const FILETIME& f) {
        return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    };
    const double cpuMs =
        (ticks(kernelAfter) - ticks(kernelBefore) + ticks(userAfter) - ticks(userBefore)) / 10000.0;

    const double fullMedian = Median(full);
    const double smallMedian = Median(small);
    std::printf("controls: %zu, runs: %d\n", cells.size(), runs);
    std::printf("full repaint 600x450: median %.1f us per frame\n", fullMedian);
    std::printf("20x20 repaint: median %.1f us (%.3f of a full frame)\n", smallMedian, smallMedian / fullMedian);
    std::printf("second paint: %zu images decoded, %zu descriptions parsed\n", secondDecodes, secondParses);
    std::printf("idle %.0f ms: %.1f ms CPU, %u messages, %u paints\n", idleWall / 1000.0, cpuMs,
                idleMessages, w.pm().GetPaintStats().paints - paintsBeforeIdle);
}

// The demo window: images, nine-slice, gradients, Chinese text, round border.
void Show(int seconds) {
    Images images;
    uitest::TestWindow w(600, 450);
    w.pm().AddFont(0, L"微软雅黑", 18, false, false, false, false);
    w.pm().AddFont(1, L"微软雅黑", 28, true, false, false, false);
    auto* root = new uitest::TestContainer();
    root->ApplyAttributeList(L"bkcolor=\"#FFF4F6FA\" bkcolor2=\"#FFD0DCF0\"");

    auto add = [&](CControlUI* c, const wchar_t* attributes) {
        c->ApplyAttributeList(attributes);
        root->Add(c);
        return c;
    };
    auto* title = new TextControl();
    title->font = 1;
    add(title, L"pos=\"20,16,580,60\" text=\"托尔文 安装程序 — 微软雅黑\"");
    add(new CControlUI(), L"pos=\"20,70,300,110\" bkimage=\"file='bench_bar.png' corner='3,0,3,0'\"");
    add(new CControlUI(), L"pos=\"320,70,580,110\" bkcolor=\"#FFFF6060\" bkcolor2=\"#FF6060FF\" gradient=\"hor\"");
    add(new CControlUI(), L"pos=\"20,125,150,255\" bkimage=\"file='bench_img0.png' corner='4,4,4,4'\"");
    add(new CControlUI(), L"pos=\"165,125,295,255\" bkimage=\"file='bench_img1.png' corner='4,4,4,4' hole='true'\"");
    add(new CControlUI(), L"pos=\"310,125,440,255\" bkcolor=\"#FFFFE080\" bkcolor2=\"#FF80FF80\" bkcolor3=\"#FF8080FF\"");
    add(new CControlUI(),
        L"pos=\"455,125,580,255\" bkcolor=\"#FF3070D0\" bordercolor=\"#FF102040\" bordersize=\"3\" borderround=\"24,24\"");
    auto* text = new TextControl();
    add(text, L"pos=\"20,275,580,320\" bkcolor=\"#FFFFFFFF\" bordercolor=\"#FFA0A0A0\" bordersize=\"1\" "
              L"text=\"正在安装，请稍候…… 已完成 42%\"");
    add(new CControlUI(),
        L"pos=\"20,340,580,400\" bkcolor=\"#FFFFFFFF\" bordercolor=\"#FFE04040\" bordersize=\"2\" borderround=\"16,16\"");
    w.pm().AttachDialog(root);
    uitest::Flush(w.hwnd());
    uitest::PumpFor(static_cast<DWORD>(seconds) * 1000);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 2 && std::wcscmp(argv[1], L"show") == 0) {
        Show(argc >= 3 ? _wtoi(argv[2]) : 10);
        return 0;
    }
    const int runs = argc >= 2 ? std::max(5, _wtoi(argv[1])) : 50;
    Bench(runs);
    CPaintManagerUI::Term();
    return 0;
}
