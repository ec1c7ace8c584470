/* Imports wininet the ordinary way: the import check must refuse it. */
#include <windows.h>
#include <wininet.h>

int main(void) {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) ? 0 : 1;
}
