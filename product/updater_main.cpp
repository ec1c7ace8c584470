// Stand-in for the product's updater: it only runs until it is ended.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    for (;;) Sleep(INFINITE);
}
