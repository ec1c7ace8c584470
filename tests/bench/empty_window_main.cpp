// Not a test: the least a GUI program does before its first frame under Wine (a
// 600x400 popup of the installer's class, painted in two colours so the probe
// sees a picture); closes on WM_CLOSE with exit code 0.
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = ::BeginPaint(window, &paint);
        RECT left{0, 0, 300, 400}, right{300, 0, 600, 400};
        ::FillRect(dc, &left, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
        ::FillRect(dc, &right, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ::EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"TorvaneInstaller";
    if (!::RegisterClassW(&windowClass)) return 1;
    const int x = (::GetSystemMetrics(SM_CXSCREEN) - 600) / 2, y = (::GetSystemMetrics(SM_CYSCREEN) - 400) / 2;
    if (!::CreateWindowExW(0, windowClass.lpszClassName, L"", WS_POPUP | WS_VISIBLE, x, y, 600, 400, nullptr, nullptr,
                           instance, nullptr))
        return 1;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}
