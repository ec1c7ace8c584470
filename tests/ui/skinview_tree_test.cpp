// skinview tree and png end to end: the real builder, window base and layouts
// in a child process, checked from what it prints and writes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/ui/test_files.h"
#include "win/text.h"
#include "win/unique_handle.h"

#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace {

uitest::ToolRun RunSkinview(const std::wstring& args) { return uitest::RunTool(TORVANE_SKINVIEW_EXE, args); }

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

bool HasLine(const std::string& out, const std::string& line) {
    return ("\n" + out).find("\n" + line + "\n") != std::string::npos;
}

}  // namespace

TEST(SkinviewTree, SampleSkinLaysOutCaptionTabsAndFloat) {
    const uitest::ToolRun run = RunSkinview(L"tree " + Quoted(uitest::DataPath(L"sample\\main.xml")));
    ASSERT_EQ(0u, run.exitCode) << run.out;
    EXPECT_TRUE(HasLine(run.out, "VerticalLayoutUI root 0,0,600,400 visible=1 enabled=1")) << run.out;
    EXPECT_TRUE(HasLine(run.out, "  HorizontalLayoutUI hor_caption 0,0,600,40 visible=1 enabled=1")) << run.out;
    // A 24-high logo centred in the 40-high row with an 8-pixel inset.
    EXPECT_TRUE(HasLine(run.out, "    ControlUI logo 12,8,36,32 visible=1 enabled=1")) << run.out;
    EXPECT_TRUE(HasLine(run.out, "  TabLayoutUI tab_main 0,76,600,400 visible=1 enabled=1")) << run.out;
    EXPECT_TRUE(HasLine(run.out, "    VerticalLayoutUI vLayout_page0 16,84,584,384 visible=1 enabled=1")) << run.out;
    EXPECT_TRUE(HasLine(run.out, "    VerticalLayoutUI vLayout_page1 0,0,0,0 visible=0 enabled=1")) << run.out;
    // Right-aligned buttons: 100 + 10 padding + 100 against the page's right inset.
    EXPECT_TRUE(HasLine(run.out, "        ControlUI btn_ok 464,328,564,364 visible=1 enabled=1")) << run.out;
    EXPECT_TRUE(HasLine(run.out, "  ControlUI closebtn 568,8,592,32 visible=1 enabled=1")) << run.out;
}

TEST(SkinviewTree, ColumnNumbersAndSizeOption) {
    uitest::TempDir dir;
    ASSERT_TRUE(uitest::WriteBytes(
        dir / L"col.xml",
        std::string("<Window size=\"100,170\"><VerticalLayout><Control name=\"a\" height=\"66\"/>"
                    "<Control name=\"b\" height=\"54\"/><Control name=\"c\"/></VerticalLayout></Window>")));
    // No trailing "\" inside the quotes: it would escape the closing quote.
    const std::wstring folder = dir.path().substr(0, dir.path().size() - 1);
    uitest::ToolRun run = RunSkinview(L"tree --dir " + Quoted(folder) + L" col.xml");
    ASSERT_EQ(0u, run.exitCode) << run.out;
    EXPECT_TRUE(HasLine(run.out, "  ControlUI a 0,0,100,66 visible=1 enabled=1")) << run.out;
    EXPECT_TRUE(HasLine(run.out, "  ControlUI b 0,66,100,120 visible=1 enabled=1")) << run.out;
    EXPECT_TRUE(HasLine(run.out, "  ControlUI c 0,120,100,170 visible=1 enabled=1")) << run.out;

    run = RunSkinview(L"tree " + Quoted(dir / L"col.xml") + L" --size 50,220");
    ASSERT_EQ(0u, run.exitCode) << run.out;
    EXPECT_TRUE(HasLine(run.out, "  ControlUI c 0,120,50,220 visible=1 enabled=1")) << run.out;
}

// At 144 and 192 DPI the window, the paddings, the fixed sizes and the float
// positions are the 96-DPI layout times 1.5 and 2.
TEST(SkinviewTree, DpiOptionScalesTheWholeLayout) {
    const std::wstring skin = Quoted(uitest::DataPath(L"sample\\main.xml"));
    uitest::ToolRun run = RunSkinview(L"tree " + skin + L" --dpi 144");
    ASSERT_EQ(0u, run.exitCode) << run.out;
    EXPECT_TRUE(HasLine(run.out, "VerticalLayoutUI root 0,0,900,600 visible=1 enabled=1")) << run.out;
    EXPECT_TRUE(HasLine(run.out, "    ControlUI logo 18,12,54,48 visible=1 enabled=1")) << run.out;
    EXPECT_TRUE(HasLine(run.out, "        ControlUI btn_ok 696,492,846,546 visible=1 enabled=1")) << run.out;
    EXPECT_TRUE(HasLine(run.out, "  ControlUI closebtn 852,12,888,48 visible=1 enabled=1")) << run.out;
    run = RunSkinview(L"tree " + skin + L" --dpi 192");
    ASSERT_EQ(0u, run.exitCode) << run.out;
    EXPECT_TRUE(HasLine(run.out, "VerticalLayoutUI root 0,0,1200,800 visible=1 enabled=1")) << run.out;
    EXPECT_TRUE(HasLine(run.out, "        ControlUI btn_ok 928,656,1128,728 visible=1 enabled=1")) << run.out;
    EXPECT_TRUE(HasLine(run.out, "  ControlUI closebtn 1136,16,1184,64 visible=1 enabled=1")) << run.out;
    EXPECT_EQ(2u, RunSkinview(L"tree " + skin + L" --dpi 0").exitCode);
}

TEST(SkinviewTree, BuildFailurePrintsTheParserMessageAndExitsOne) {
    uitest::TempDir dir;
    ASSERT_TRUE(uitest::WriteBytes(dir / L"bad.xml", std::string("<Window><Control></Window>")));
    uitest::ToolRun run = RunSkinview(L"tree " + Quoted(dir / L"bad.xml"));
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_EQ(0u, run.out.rfind("error: ", 0)) << run.out;
    EXPECT_GT(run.out.size(), 8u);
    run = RunSkinview(L"tree " + Quoted(dir / L"missing.xml"));
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_EQ("error: Error opening file\n", run.out);
    run = RunSkinview(L"tree");
    EXPECT_EQ(2u, run.exitCode);
}

TEST(SkinviewTree, IncludeCycleIsReportedNotFollowed) {
    uitest::TempDir dir;
    ASSERT_TRUE(uitest::WriteBytes(dir / L"one.xml", std::string("<Window size=\"10,10\"><VerticalLayout>"
                                                                  "<Include source=\"two.xml\"/></VerticalLayout></Window>")));
    ASSERT_TRUE(uitest::WriteBytes(dir / L"two.xml", std::string("<Window><Include source=\"one.xml\"/></Window>")));
    const uitest::ToolRun run = RunSkinview(L"tree " + Quoted(dir / L"one.xml"));
    EXPECT_EQ(1u, run.exitCode) << run.out;
    EXPECT_EQ("error: Include cycle: one.xml\n", run.out);
}

TEST(SkinviewPng, WritesThePaintedClientArea) {
    uitest::TempDir dir;
    const std::wstring png = dir / L"sample.png";
    const uitest::ToolRun run = RunSkinview(L"png " + Quoted(uitest::DataPath(L"sample\\main.xml")) + L" " + Quoted(png));
    ASSERT_EQ(0u, run.exitCode) << run.out;
    const std::vector<unsigned char> bytes = uitest::ReadBytes(png);
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height,
                                                  &channels, 4);
    ASSERT_NE(nullptr, pixels);
    EXPECT_EQ(600, width);
    EXPECT_EQ(400, height);
    auto rgba = [&](int x, int y) {
        const unsigned char* p = pixels + (static_cast<size_t>(y) * width + x) * 4;
        return (static_cast<unsigned>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
    };
    EXPECT_EQ(0x2B5797FFu, rgba(300, 2));    // caption row
    EXPECT_EQ(0xE04848FFu, rgba(580, 20));   // float close control over the caption
    EXPECT_EQ(0x3DA35DFFu, rgba(300, 110));  // progress strip on page 0
    EXPECT_EQ(0xF4F6F8FFu, rgba(8, 200));    // root background beside the tab page
    stbi_image_free(pixels);
}
