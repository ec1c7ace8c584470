// Stand-in for the product's uninstaller (the installer only links to it).
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
