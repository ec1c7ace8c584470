/* Stands in for a system DLL planted beside a program. Loading it leaves an empty
   file named after the module ("gdiplus.dll") in the folder named by
   TORVANE_MARKER_DIR, then refuses the load, so no program goes on with it. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t module[MAX_PATH];
    wchar_t path[2 * MAX_PATH];
    const DWORD length = GetModuleFileNameW(instance, module, MAX_PATH);
    const DWORD dirLength = GetEnvironmentVariableW(L"TORVANE_MARKER_DIR", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || dirLength == 0 || dirLength >= MAX_PATH) return FALSE;
    const wchar_t* name = module;
    for (const wchar_t* p = module; *p; ++p)
        if (*p == L'\\' || *p == L'/') name = p + 1;
    lstrcatW(path, L"\\");
    lstrcatW(path, name);
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return FALSE;
}
