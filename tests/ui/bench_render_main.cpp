// Render benchmark: bench_render [RUNS] — prints, as medians of RUNS runs:
// the decodes and parses of a first and a second paint of the same image,
// a nine-slice draw of a 600 x 280 image (opaque and blended), and text drawing
// (GDI, GDI+, inline tags), each in microseconds per call.
// bench_render --dump FILE.png draws a sample of every kind of drawing into
// FILE.png instead, for looking at.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/ui/canvas.h"
#include "ui/base/image.h"
#include "ui/base/paint_manager.h"
#include "ui/base/render.h"

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

void WriteFile(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    std::ofstream(path.c_str(), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Gradients, a nine-slice panel, a bar with unscaled ends, fills, a rounded
// border, Chinese text in 微软雅黑 and text with inline tags.
int Dump(Ulmar::CPaintManagerUI& manager, const std::wstring& out) {
    test::Canvas canvas(600, 400, 0xFFFFFFFF);
    const HDC dc = canvas.dc();
    const RECT all = {0, 0, 600, 400};
    CRenderer::DrawGradient(dc, all, 0xFFDDE8F5, 0xFFFFFFFF, true, 64);
    CRenderer::DrawGradient(dc, RECT{20, 20, 580, 50}, 0xFF2F6FD0, 0xFF9AD0FF, false, 64);
    CRenderer::DrawImage(dc, &manager, RECT{20, 60, 300, 200}, all, L"file='panel.png' corner='10,10,10,10'");
    CRenderer::DrawColor(dc, RECT{320, 60, 580, 200}, 0x402F6FD0);
    CRenderer::DrawRoundRect(dc, RECT{320, 60, 580, 200}, 2, 16, 16, 0xFF1F4F9F);
    CRenderer::DrawRect(dc, RECT{330, 70, 400, 110}, 1, 0xFFD03030, 1);
    CRenderer::DrawLine(dc, RECT{410, 90, 570, 90}, 1, 0xFF208020, PS_DOT);

    manager.AddFont(1, L"\x5FAE\x8F6F\x96C5\x9ED1", 18, false, false, false, false);
    manager.AddFont(2, L"\x5FAE\x8F6F\x96C5\x9ED1", 12, false, false, false, false);
    RECT title = {330, 120, 580, 150};
    CRenderer::DrawText(dc, &manager, title, L"\x6258\x5C14\x6587 \x5B89\x88C5\x7A0B\x5E8F", 0xFF102040,
                        1, DT_SINGLELINE | DT_VCENTER);
    RECT html = {330, 150, 580, 198};
    RECT links[2];
    int count = 2;
    CRenderer::DrawHtmlText(dc, &manager, html,
                            L"<b>Bold</b> <i>italic</i> <u>under</u> <c #FFD03030>red</c> "
                            L"<a agreement>\x7528\x6237\x534F\x8BAE</a> wraps onto a second line",
                            0xFF202020, links, nullptr, count, 2, 0);
    for (int i = 0; i < count; ++i) CRenderer::DrawRect(dc, links[i], 1, 0x80FF00FF);

    // 6 x 4 bar with rounded 3-pixel ends, as a progress bar's fore image.
    std::vector<uint32_t> bar;
    const uint32_t edge[6] = {0x602F6FD0, 0xFF2F6FD0, 0xFF2F6FD0, 0xFF2F6FD0, 0xFF2F6FD0, 0x602F6FD0};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) bar.push_back((y == 0 || y == 3) && (x == 0 || x == 5) ? 0x00000000 : edge[x]);
    }
    WriteFile(Ulmar::CPaintManagerUI::GetResourcePath() + L"bar.png", test::MakePng(6, 4, bar));
    CRenderer::DrawColor(dc, RECT{32, 300, 568, 304}, 0xFFEAEBED);
    CRenderer::DrawImage(dc, &manager, RECT{32, 300, 568, 304}, all, L"file='bar.png' corner='3,0,3,0'",
                         L"dest='0,0,268,4'");
    RECT label = {32, 310, 568, 340};
    CRenderer::DrawText(dc, &manager, label, L"50%", 0xFF202020, 2, DT_SINGLELINE | DT_RIGHT);

    const std::vector<DWORD> drawn = canvas.Pixels();
    std::vector<uint32_t> pixels(drawn.begin(), drawn.end());
    for (auto& p : pixels) p |= 0xFF000000;
    WriteFile(out, test::MakePng(600, 400, pixels));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const bool dump = argc == 3 && std::wstring(argv[1]) == L"--dump";
    const int runs = argc > 1 && !dump ? std::max(1, _wtoi(argv[1])) : 9;

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
    if (dump) return Dump(manager, argv[2]);
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
    {
        // The stretch mode alone: what the opaque nine-slice pays for HALFTONE.
        win::UniqueMemoryDc source = win::CreateMemoryDc(canvas.dc());
        win::ScopedSelectObject select(source.get(), opaque.get());
        for (int mode : {HALFTONE, COLORONCOLOR}) {
            const int old = ::SetStretchBltMode(canvas.dc(), mode);
            std::printf("StretchBlt 580x260 -> 580x430, %s: %.0f us\n",
                        mode == HALFTONE ? "HALFTONE" : "COLORONCOLOR", Median(runs, 5, [&] {
                            ::StretchBlt(canvas.dc(), 10, 10, 580, 430, source.get(), 10, 10, 580, 260, SRCCOPY);
                        }));
            ::SetStretchBltMode(canvas.dc(), old);
        }
    }
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
