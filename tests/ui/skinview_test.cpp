// skinview.exe end to end: run it, read what it prints and how it exits.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/ui/test_files.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace {

uitest::ToolRun RunSkinview(const std::wstring& args) { return uitest::RunTool(TORVANE_SKINVIEW_EXE, args); }

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

TEST(Skinview, PrintsElementsAndAttributesOfAFileAndAZipEntry) {
    uitest::TempDir dir;
    const std::string xml =
        "\xEF\xBB\xBF<Window size=\"600,400\">\n"
        "  <Label name=\"lab_\xE6\x89\x98\" text=\"say &quot;hi&quot;\\ now\ttab\" />\n"
        "  <VerticalLayout><Button name=\"b\"/></VerticalLayout>\n"
        "</Window>\n";
    ASSERT_TRUE(uitest::WriteBytes(dir / L"wnd.xml", xml));
    const uitest::ToolRun file = RunSkinview(L"markup " + Quoted(dir / L"wnd.xml"));
    EXPECT_EQ(file.exitCode, 0u);
    EXPECT_EQ(file.out,
              "Window size=\"600,400\"\n"
              "  Label name=\"lab_\xE6\x89\x98\" text=\"say \\\"hi\\\"\\\\ now\\ttab\"\n"
              "  VerticalLayout\n"
              "    Button name=\"b\"\n");

    const uitest::ToolRun zip = RunSkinview(L"markup --zip " + Quoted(uitest::DataPath(L"skins.zip")) + L" SKIN\\main.xml");
    EXPECT_EQ(zip.exitCode, 0u);
    EXPECT_EQ(zip.out, "Window size=\"600,400\"\n  Label name=\"lab_title\" text=\"Hello\"\n");
}

TEST(Skinview, ReportsAFailedLoad) {
    uitest::TempDir dir;
    ASSERT_TRUE(uitest::WriteBytes(dir / L"bad.xml", std::string("<a><b x='1'/></a>")));
    const uitest::ToolRun bad = RunSkinview(L"markup " + Quoted(dir / L"bad.xml"));
    EXPECT_EQ(bad.exitCode, 1u);
    EXPECT_EQ(bad.out, "error: Expected attribute value\nat: \"'1'/></a>\"\n");

    const uitest::ToolRun missing = RunSkinview(L"markup --zip " + Quoted(uitest::DataPath(L"skins.zip")) + L" none.xml");
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_EQ(missing.out, "error: Could not find ziped file\nat: \"\"\n");

    const uitest::ToolRun usage = RunSkinview(L"markup");
    EXPECT_EQ(usage.exitCode, 2u);
}

}  // namespace
