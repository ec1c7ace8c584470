// skinview.exe end to end: run it, read what it prints and how it exits.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "tests/ui/test_files.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace {

struct ToolRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
};

// Starts skinview.exe with the arguments and collects its standard output.
ToolRun RunSkinview(const std::wstring& args) {
    ToolRun run;
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readRaw = nullptr, writeRaw = nullptr;
    if (!::CreatePipe(&readRaw, &writeRaw, &sa, 0)) return run;
    win::UniqueKernelHandle readEnd(readRaw), writeEnd(writeRaw);
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    std::wstring exe = L"Z:" + win::Utf8ToWide(TORVANE_SKINVIEW_EXE);
    for (wchar_t& c : exe)
        if (c == L'/') c = L'\\';
    std::wstring command = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd.get();
    si.hStdError = writeEnd.get();
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return run;
    win::UniqueKernelHandle process(pi.hProcess), thread(pi.hThread);
    writeEnd.reset();  // so that reading ends when the child exits
    char buf[4096];
    DWORD got = 0;
    while (::ReadFile(readEnd.get(), buf, sizeof buf, &got, nullptr) && got) run.out.append(buf, got);
    ::WaitForSingleObject(process.get(), 60000);
    ::GetExitCodeProcess(process.get(), &run.exitCode);
    return run;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

TEST(Skinview, PrintsElementsAndAttributesOfAFileAndAZipEntry) {
    uitest::TempDir dir;
    const std::string xml =
        "\xEF\xBB\xBF<Window size=\"600,400\">\n"
        "  <Label name=\"lab_\xE6\x89\x98\" text=\"say &quot;hi&quot;\\ now\ttab\" />\n"
        "  <VerticalLayout><Button name=\"b\"/></VerticalLayout>\n"
        "</Window>\n";
    ASSERT_TRUE(uitest::WriteBytes(dir / L"wnd.xml", xml));
    const ToolRun file = RunSkinview(L"markup " + Quoted(dir / L"wnd.xml"));
    EXPECT_EQ(file.exitCode, 0u);
    EXPECT_EQ(file.out,
              "Window size=\"600,400\"\n"
              "  Label name=\"lab_\xE6\x89\x98\" text=\"say \\\"hi\\\"\\\\ now\\ttab\"\n"
              "  VerticalLayout\n"
              "    Button name=\"b\"\n");

    const ToolRun zip = RunSkinview(L"markup --zip " + Quoted(uitest::DataPath(L"skins.zip")) + L" SKIN\\main.xml");
    EXPECT_EQ(zip.exitCode, 0u);
    EXPECT_EQ(zip.out, "Window size=\"600,400\"\n  Label name=\"lab_title\" text=\"Hello\"\n");
}

TEST(Skinview, ReportsAFailedLoad) {
    uitest::TempDir dir;
    ASSERT_TRUE(uitest::WriteBytes(dir / L"bad.xml", std::string("<a><b x='1'/></a>")));
    const ToolRun bad = RunSkinview(L"markup " + Quoted(dir / L"bad.xml"));
    EXPECT_EQ(bad.exitCode, 1u);
    EXPECT_EQ(bad.out, "error: Expected attribute value\nat: \"'1'/></a>\"\n");

    const ToolRun missing = RunSkinview(L"markup --zip " + Quoted(uitest::DataPath(L"skins.zip")) + L" none.xml");
    EXPECT_EQ(missing.exitCode, 1u);
    EXPECT_EQ(missing.out, "error: Could not find ziped file\nat: \"\"\n");

    const ToolRun usage = RunSkinview(L"markup");
    EXPECT_EQ(usage.exitCode, 2u);
}

}  // namespace
