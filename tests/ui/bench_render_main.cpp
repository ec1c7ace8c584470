// Render benchmark: bench_render [RUNS] — prints, as medians of RUNS runs:
// the decodes and parses of a first and a second paint of the same image,
// a nine-slice draw of a 600 x 280 image (opaque and blended), and text drawing
// (GDI, GDI+, inline tags), each in microseconds per call.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/ui/canvas.h"
#include "ui/controls/image.h"
#include "ui/controls/render.h"
#include "ui/core/paint_manager.h"

using Ulmar::CRenderer;

namespace {

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

// Median over `runs` of the mean time of `calls` calls, in microseconds.
double Median(int runs, int calls, const std::function<void()>& body) {
    std::vector<double> times;
    body();  // warm up
    for (int r = 0; r < runs; ++r) {
        const double start = Now();
        for (int i = 0; i < calls; ++i) body();
        ::GdiFlush();
        times.push_back((Now() - start) / calls);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// 600 x 280 with a soft alpha gradient and a 10-pixel opaque frame.
std::vector<uint32_t> Panel(bool translucent) {
    std::vector<uint32_t> px(600 * 280);
    for (int y = 0; y < 280; ++y) {
        for (int x = 0; x < 600; ++x) {
            const bool frame = x < 10 || y < 10 || x >= 590 || y >= 270;
            const uint32_t a = frame || !translucent ? 0xFF : 0x60 + (x * 0x9F) / 600;
            px[y * 600 + x] = a << 24 | (x & 0xFF) << 16 | (y & 0xFF) << 8 | 0x80;
        }
    }
    return px;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int runs = argc > 1 ? std::max(1, _wtoi(argv[1])) : 9;

    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"bench_render\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    const auto png = test::MakePng(600, 280, Panel(true));
    std::ofstream((folder + L"panel.png").c_str(), std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    Ulmar::CPaintManagerUI::SetResourceType(1);
    Ulmar::CPaintManagerUI::SetResourcePath(folder.c_str());

    Ulmar::CPaintManagerUI manager;
    test::Canvas canvas(600, 450, 0xFFFFFFFF);
    const RECT all = {0, 0, 600, 450};
    const wchar_t* image = L"file='panel.png' corner='10,10,10,10'";

    size_t decodes = Ulmar::GetImageDecodeCount(), parses = Ulmar::GetDrawInfoParseCount();
    CRenderer::DrawImage(canvas.dc(), &manager, all, all, image);
    std::printf("first paint: %zu decodes, %zu parses\n", Ulmar::GetImageDecodeCount() - decodes,
                Ulmar::GetDrawInfoParseCount() - parses);
    decodes = Ulmar::GetImageDecodeCount();
    parses = Ulmar::GetDrawInfoParseCount();
    CRenderer::DrawImage(canvas.dc(), &manager, all, all, image);
    std::printf("second paint: %zu decodes, %zu parses\n", Ulmar::GetImageDecodeCount() - decodes,
                Ulmar::GetDrawInfoParseCount() - parses);

    const double decodeUs = Median(runs, 3, [&] {
        auto data = Ulmar::DecodeImageData(png.data(), png.size());
    });
    std::printf("decode 600x280 PNG (DIB + GDI+ image): %.0f us\n", decodeUs);

    std::printf("nine-slice 600x280 -> 600x450, blended (alpha image): %.0f us\n",
                Median(runs, 20, [&] { CRenderer::DrawImage(canvas.dc(), &manager, all, all, image); }));
    auto opaque = test::MakeBitmap(600, 280, Panel(false));
    std::printf("nine-slice 600x280 -> 600x450, opaque (StretchBlt): %.0f us\n",
                Median(runs, 20, [&] {
                    CRenderer::DrawImage(canvas.dc(), opaque.get(), all, all, RECT{0, 0, 600, 280},
                                         RECT{10, 10, 10, 10}, false);
                }));
    std::printf("600x280 -> 600x280 opaque 1:1 (BitBlt): %.0f us\n", Median(runs, 20, [&] {
                    CRenderer::DrawImage(canvas.dc(), opaque.get(), RECT{0, 0, 600, 280}, all,
                                         RECT{0, 0, 600, 280}, RECT{0, 0, 0, 0}, false);
                }));
    std::printf("DrawColor 600x450 opaque: %.0f us\n",
                Median(runs, 20, [&] { CRenderer::DrawColor(canvas.dc(), all, 0xFF336699); }));
    std::printf("DrawGradient 600x450: %.0f us\n", Median(runs, 20, [&] {
                    CRenderer::DrawGradient(canvas.dc(), all, 0xFF336699, 0xFFFFFFFF, true, 64);
                }));

    const wchar_t* line = L"Torvane \x6258\x5C14\x6587 installer 0123456789";
    std::printf("DrawText one line, GDI: %.1f us\n", Median(runs, 200, [&] {
                    RECT rc = {10, 10, 590, 40};
                    CRenderer::DrawText(canvas.dc(), &manager, rc, line, 0xFF000000, -1,
                                        DT_SINGLELINE | DT_VCENTER);
                }));
    manager.SetUseGdiplusText(true);
    std::printf("DrawText one line, GDI+: %.1f us\n", Median(runs, 200, [&] {
                    RECT rc = {10, 10, 590, 40};
                    CRenderer::DrawText(canvas.dc(), &manager, rc, line, 0xFF000000, -1,
                                        DT_SINGLELINE | DT_VCENTER);
                }));
    manager.SetUseGdiplusText(false);
    std::printf("DrawHtmlText paragraph with tags: %.1f us\n", Median(runs, 50, [&] {
                    RECT rc = {10, 50, 590, 200};
                    RECT links[4];
                    int count = 4;
                    CRenderer::DrawHtmlText(canvas.dc(), &manager, rc,
                                            L"Read the <a agreement>user agreement</a> and the "
                                            L"<a privacy>privacy policy</a>. <b>Bold</b> <i>italic</i> "
                                            L"<c #FFFF0000>red</c><n>second line with more words to wrap",
                                            0xFF000000, links, nullptr, count, -1, 0);
                }));

    ::DeleteFileW((folder + L"panel.png").c_str());
    ::RemoveDirectoryW(folder.c_str());
    return 0;
}
