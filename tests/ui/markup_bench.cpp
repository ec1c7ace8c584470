// Markup parse benchmark: a 4 MiB skin-like document, a main-window-sized skin,
// and any files named on the command line. Prints the median of several runs
// as MB/s (10^6 bytes of UTF-8 input per second, conversion included).
//   bench_markup.exe [FILE...]            (the Windows build, under Wine)
// It also builds natively with tests/fuzz/markup_text_native.cpp:
//   g++ -std=c++17 -O2 -I. tests/ui/markup_bench.cpp ui/base/markup.cpp
//       tests/fuzz/markup_text_native.cpp -o bench_markup
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ui/base/markup.h"

namespace {

using Clock = std::chrono::steady_clock;

// One row of a skin: nested layouts, labels, buttons with image attributes,
// entities, a comment and Chinese text, as the installer's skins look.
std::string SkinBlock(int n) {
    const std::string id = std::to_string(n);
    return "  <HorizontalLayout name=\"hor_row_" + id + "\" height=\"40\" padding=\"20,0,20,0\" childpadding=\"8\">\n"
           "    <!-- row " + id + " -->\n"
           "    <Label name=\"lab_item_" + id + "\" text=\"\xE5\xAE\x89\xE8\xA3\x85\xE4\xBD\x8D\xE7\xBD\xAE &amp; "
           "\xE9\x80\x89\xE9\xA1\xB9 " + id + "\" font=\"1\" textcolor=\"#FF333333\" "
           "align=\"left\" width=\"120\"/>\n"
           "    <Edit name=\"edit_path_" + id + "\" text=\"C:\\Program Files\\Torvane\" font=\"0\" "
           "bkcolor=\"#FFF5F5F5\" bordersize=\"1\" bordercolor=\"#FFDDDDDD\" textpadding=\"6,0,6,0\"/>\n"
           "    <Button name=\"btn_browse_" + id + "\" width=\"80\" text=\"\xE6\xB5\x8F\xE8\xA7\x88\" "
           "normalimage=\"file='btn_browse.png' source='0,0,80,30'\" "
           "hotimage=\"file='btn_browse.png' source='80,0,160,30'\" "
           "pushedimage=\"file='btn_browse.png' source='160,0,240,30'\" cursor=\"hand\"/>\n"
           "    <CheckBox name=\"check_opt_" + id + "\" width=\"16\" height=\"16\" selected=\"true\" "
           "normalimage=\"check_off.png\" selectedimage=\"check_on.png\"/>\n"
           "  </HorizontalLayout>\n";
}

std::string Document(size_t target) {
    std::string doc = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<Window size=\"600,400\" caption=\"0,0,0,280\" roundcorner=\"0,0\" "
                      "defaultfontcolor=\"#FF333333\" shadow=\"true\">\n"
                      "  <Font id=\"0\" name=\"\xE5\xBE\xAE\xE8\xBD\xAF\xE9\x9B\x85\xE9\xBB\x91\" size=\"12\"/>\n"
                      "  <VerticalLayout bkcolor=\"#FFFFFFFF\">\n";
    const std::string tail = "  </VerticalLayout>\n</Window>\n";
    for (int n = 0;; ++n) {
        const std::string block = SkinBlock(n);
        if (doc.size() + block.size() + tail.size() > target) break;
        doc += block;
    }
    return doc + tail;
}

// Median seconds of one load, over `runs` timed runs of `repeat` loads each.
double MedianLoad(const std::string& bytes, int runs, int repeat) {
    std::vector<double> times;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    for (int r = 0; r < runs; ++r) {
        Ulmar::CXmlMarkup doc;
        const auto start = Clock::now();
        for (int i = 0; i < repeat; ++i)
            if (!doc.LoadFromMem(data, bytes.size())) return -1;
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count() / repeat);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Report(const char* what, const std::string& bytes) {
    const int repeat = bytes.size() > (1u << 20) ? 1 : static_cast<int>((4u << 20) / bytes.size() + 1);
    const double seconds = MedianLoad(bytes, 11, repeat);
    if (seconds < 0) {
        std::printf("%-28s %9zu bytes  does not parse\n", what, bytes.size());
        return;
    }
    std::printf("%-28s %9zu bytes  %9.3f ms  %8.1f MB/s\n", what, bytes.size(), seconds * 1e3,
                bytes.size() / seconds / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    Report("skin-like document, 4 MiB", Document(4u << 20));
    Report("main-window-sized skin", Document(12 * 1024));
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        Report(argv[i], bytes);
    }
    return 0;
}
