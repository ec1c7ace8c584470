// Not a test: a GUI program that does nothing, for Wine's own start cost.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
