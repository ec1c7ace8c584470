// Runs the real install worker as the main window would, without a window:
//   headless-install.exe [--payload FILE] [--earlier DIR] [--no-startmenu] [--quicklaunch] DIR
// Prints one UTF-8 line per message the worker posts ("progress N", "status TEXT"),
// then "result N"; exits 0 when the result is 0 and 1 otherwise (2 for bad usage).
#include "app/install_product.h"
#include "app/product.h"
#include "engine/progress/install_messages.h"
#include "engine/pipeline/install_context.h"
#include "win/library_search.h"
#include "win/path.h"
#include "win/text.h"
#include "win/unique_handle.h"

#include <windows.h>
#include <process.h>

#include <memory>
#include <string>

namespace {

void PrintLine(const std::string& line) {
    const std::string text = line + "\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int Usage() {
    PrintLine("usage: headless-install.exe [--payload FILE] [--earlier DIR] [--no-startmenu] [--quicklaunch] DIR");
    return 2;
}

int32_t g_finishedResult = 0;
bool g_finished = false;

LRESULT CALLBACK ReceiverProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INSTALL_PROGRESS:
        PrintLine("progress " + std::to_string(static_cast<int>(wParam)));
        return 0;
    case WM_INSTALL_STATUS: {
        std::unique_ptr<InstallStatusText> text(reinterpret_cast<InstallStatusText*>(lParam));
        PrintLine("status " + win::WideToUtf8(text ? *text : std::wstring()));
        return 0;
    }
    case WM_INSTALL_FINISHED: {
        // The receiver owns the context from here on, as the main window does.
        std::unique_ptr<InstallContext> context(reinterpret_cast<InstallContext*>(lParam));
        g_finishedResult = context->result;
        g_finished = true;
        PrintLine("result " + std::to_string(g_finishedResult));
        return 0;
    }
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    win::RestrictLibrarySearch();
    auto context = std::make_unique<InstallContext>();
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--payload" && i + 1 < argc) context->payloadFile = argv[++i];
        else if (arg == L"--earlier" && i + 1 < argc) context->earlierDir = win::WithTrailingBackslash(argv[++i]);
        else if (arg == L"--no-startmenu") context->startMenu = 0;
        else if (arg == L"--quicklaunch") context->quickLaunch = 1;
        else if (arg.rfind(L"--", 0) == 0 || !context->installDir.empty()) return Usage();
        else context->installDir = win::WithTrailingBackslash(arg);
    }
    if (context->installDir.empty()) return Usage();

    context->product = MakeInstallProduct();

    WNDCLASSW wc{};
    wc.lpfnWndProc = ReceiverProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TorvaneHeadlessReceiver";
    if (!::RegisterClassW(&wc)) return 1;
    const HWND receiver = ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                            wc.hInstance, nullptr);
    if (!receiver) return 1;
    context->window = InstallWindow{receiver, &g_bMainWndClosed};

    InstallContext* handedOver = context.release();  // comes back in WM_INSTALL_FINISHED
    win::UniqueKernelHandle worker(reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, InstallThreadProc, handedOver, 0, nullptr)));
    if (!worker) {
        delete handedOver;
        return 1;
    }

    MSG msg;
    while (!g_finished && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    // The worker sends its report after the finished message; give it time to end.
    ::WaitForSingleObject(worker.get(), 60000);
    ::DestroyWindow(receiver);
    return g_finished && g_finishedResult == 0 ? 0 : 1;
}
