// The product's Windows service: stopping, removing and registering it.
#pragma once

#include <windows.h>
#include <winsvc.h>

#include <string>

namespace engine {

constexpr wchar_t kServiceName[] = L"TorvaneService";
constexpr wchar_t kServiceExeFileName[] = L"TorvaneService.exe";  // in the install folder
constexpr wchar_t kServiceDescription[] = L"托尔文服务";

// Asks the service to stop and waits up to 15 × 250 ms; true when it stopped.
// `service` is borrowed and needs SERVICE_STOP | SERVICE_QUERY_STATUS.
bool StopService(SC_HANDLE service);

// Stops and deletes the registration, then waits up to 3 s for it to disappear.
// False when there is none (a first install), or it could not be deleted or is
// still there after the wait.
bool RemoveService(const wchar_t* name = kServiceName);

// Registers the service (not started): own process, interactive, automatic start,
// LocalSystem, no failure actions, the description. `quoted_exe` is the
// executable path in double quotes.
bool InstallService(const std::wstring& quoted_exe, const wchar_t* name = kServiceName,
                    const wchar_t* description = kServiceDescription);

// What an update must put back when it fails: whether the service is registered,
// its command line as registered, and whether it runs.
struct ServiceState {
    bool registered = false;
    std::wstring binary_path;  // lpBinaryPathName, quotes included
    bool running = false;      // running, or about to be
};
// False (and *state untouched) only when the service manager cannot be asked.
bool QueryServiceState(ServiceState* state, const wchar_t* name = kServiceName);
// Starts the registered service; true when it runs or already ran.
bool StartServiceNamed(const wchar_t* name = kServiceName);

}  // namespace engine
