// skinview: shows skin authors what the framework makes of their skin files.
//   skinview markup FILE | skinview markup --zip ZIP ENTRY
//   skinview tree [--zip ZIP | --dir DIR] SKINFILE [--size W,H] [--dpi N]
//   skinview png [--zip ZIP | --dir DIR] SKINFILE OUT.png [--size W,H] [--dpi N]
#include <windows.h>

#include <new>
#include <string>

#include "tools/skinview/markup_mode.h"
#include "tools/skinview/output.h"
#include "tools/skinview/tree_mode.h"
#include "win/library_search.h"

int wmain(int argc, wchar_t** argv) {
    win::RestrictLibrarySearch();
    ::SetConsoleOutputCP(CP_UTF8);
    try {
        if (argc >= 2 && std::wstring(argv[1]) == L"markup") return skinview::RunMarkup(argc - 2, argv + 2);
        if (argc >= 2 && std::wstring(argv[1]) == L"tree") return skinview::RunTree(argc - 2, argv + 2);
        if (argc >= 2 && std::wstring(argv[1]) == L"png") return skinview::RunPng(argc - 2, argv + 2);
        skinview::WriteErr(
            "usage: skinview markup FILE\n       skinview markup --zip ZIP ENTRY\n"
            "       skinview tree [--zip ZIP | --dir DIR] SKINFILE [--size W,H] [--dpi N]\n"
            "       skinview png [--zip ZIP | --dir DIR] SKINFILE OUT.png [--size W,H] [--dpi N]\n");
        return 2;
    } catch (const std::bad_alloc&) {
        skinview::WriteErr("error: out of memory\n");
        return 1;
    }
}
