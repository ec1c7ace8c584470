// The delay-load helper's hooks, linked as an object into each program whose
// imports are delay-loaded (cmake/DelayLoad.cmake): an object, because the helper
// in the C runtime would otherwise take its own empty hooks from the same archive.
//
// Every delay-loaded library comes from the system folder, even where the search
// could not be restricted; a library or function that cannot be had ends the
// process with a message naming it, instead of the helper's unhandled exception.
#include <windows.h>
#include <delayimp.h>

#include <string>

#include "win/library_search.h"

namespace {

FARPROC WINAPI NotifyHook(unsigned note, PDelayLoadInfo info) {
    if (note != dliNotePreLoadLibrary) return nullptr;
    // A static initialiser may come here before the entry restricts the search;
    // what this library loads in turn must not search the exe's folder either.
    static const bool restricted = (win::RestrictLibrarySearch(), true);
    (void)restricted;
    // Import-table names are ASCII.
    const std::string name = info->szDll;
    const HMODULE module = win::LoadSystemLibrary(std::wstring(name.begin(), name.end()).c_str());
    // Returning nothing would let the helper search for the library by name.
    if (!module) win::EndForMissingLibrary(info->szDll, nullptr, ::GetLastError());
    return reinterpret_cast<FARPROC>(module);
}

FARPROC WINAPI FailureHook(unsigned note, PDelayLoadInfo info) {
    if (note == dliFailGetProc) {
        const std::string function = info->dlp.fImportByName
                                         ? std::string(info->dlp.szProcName)
                                         : "ordinal " + std::to_string(info->dlp.dwOrdinal);
        win::EndForMissingLibrary(info->szDll, function.c_str(), info->dwLastError);
    }
    win::EndForMissingLibrary(info->szDll, nullptr, info->dwLastError);
}

}  // namespace

extern "C" {
PfnDliHook __pfnDliNotifyHook2 = NotifyHook;
PfnDliHook __pfnDliFailureHook2 = FailureHook;
}
