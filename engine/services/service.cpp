#include "engine/services/service.h"

#include "win/text.h"
#include "win/unique_handle.h"

#include <utility>
#include <vector>

namespace engine {

namespace {

constexpr int kStopPolls = 15;
constexpr DWORD kStopPollMs = 250;
constexpr int kDeletePolls = 30;
constexpr DWORD kDeletePollMs = 100;
constexpr size_t kDebugTextChars = 260;

// Leaves the error in GetLastError for the caller.
void DebugText(const wchar_t* format, DWORD error) {
    std::wstring text = win::FormatW(format, static_cast<int>(error));
    if (text.size() >= kDebugTextChars) text.resize(kDebugTextChars - 1);
    ::OutputDebugStringW(text.c_str());
    ::SetLastError(error);
}

bool IsRegistered(const wchar_t* name) {
    const win::UniqueService manager(::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CONNECT));
    if (!manager) return false;
    const win::UniqueService service(::OpenServiceW(manager.get(), name, SERVICE_QUERY_CONFIG));
    return static_cast<bool>(service);
}

}  // namespace

bool StopService(SC_HANDLE service) {
    SERVICE_STATUS status = {};
    if (!::ControlService(service, SERVICE_CONTROL_STOP, &status)) return false;
    for (int i = 0; status.dwCurrentState != SERVICE_STOPPED && i < kStopPolls; ++i) {
        ::Sleep(kStopPollMs);
        if (!::QueryServiceStatus(service, &status)) break;
    }
    return status.dwCurrentState == SERVICE_STOPPED;
}

bool RemoveService(const wchar_t* name) {
    {
        const win::UniqueService manager(::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_ALL_ACCESS));
        if (!manager) {
            ::OutputDebugStringW(L"removeService OpenSCManagerW failed！");
            return false;
        }
        const win::UniqueService service(::OpenServiceW(manager.get(), name, SERVICE_ALL_ACCESS));
        if (!service) {
            ::OutputDebugStringW(L"removeService OpenServiceW failed！");
            return false;
        }
        SERVICE_STATUS status = {};
        if (::QueryServiceStatus(service.get(), &status) && status.dwCurrentState != SERVICE_STOPPED)
            StopService(service.get());
        if (!::DeleteService(service.get())) {
            ::OutputDebugStringW(L"removeService DeleteService failed！");
            return false;
        }
    }
    // The registration goes once the last handle to it is closed.
    for (int i = 0; i < kDeletePolls; ++i) {
        if (!IsRegistered(name)) return true;
        ::Sleep(kDeletePollMs);
    }
    return false;
}

bool InstallService(const std::wstring& quoted_exe, const wchar_t* name, const wchar_t* description) {
    const win::UniqueService manager(::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_ALL_ACCESS));
    if (!manager) {
        DebugText(L"installService OpenSCManagerW failed！ GetLastError = %d", ::GetLastError());
        return false;
    }
    const win::UniqueService service(::CreateServiceW(
        manager.get(), name, name, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS | SERVICE_INTERACTIVE_PROCESS,
        SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, quoted_exe.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!service) {
        DebugText(L"installService CreateServiceW failed！ GetLastError = %d", ::GetLastError());
        return false;
    }

    SC_ACTION action = {SC_ACTION_NONE, 0};
    SERVICE_FAILURE_ACTIONSW failure = {};
    failure.dwResetPeriod = 0;
    failure.lpRebootMsg = nullptr;
    failure.lpCommand = nullptr;
    failure.cActions = 1;
    failure.lpsaActions = &action;
    if (!::ChangeServiceConfig2W(service.get(), SERVICE_CONFIG_FAILURE_ACTIONS, &failure)) {
        DebugText(L"installService ChangeServiceConfig2W 1 failed！ GetLastError = %d", ::GetLastError());
        return false;
    }

    std::wstring text = description;
    SERVICE_DESCRIPTIONW info = {&text[0]};
    if (!::ChangeServiceConfig2W(service.get(), SERVICE_CONFIG_DESCRIPTION, &info))
        DebugText(L"installService ChangeServiceConfig2W 2 failed！ GetLastError = %d", ::GetLastError());
    return true;
}

bool QueryServiceState(ServiceState* state, const wchar_t* name) {
    const win::UniqueService manager(::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CONNECT));
    if (!manager) return false;
    ServiceState found;
    const win::UniqueService service(::OpenServiceW(manager.get(), name, SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS));
    if (!service) {
        if (::GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST) return false;
        *state = found;
        return true;
    }
    DWORD needed = 0;
    ::QueryServiceConfigW(service.get(), nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (needed == 0 || !::QueryServiceConfigW(service.get(), config, needed, &needed)) return false;
    found.registered = true;
    found.binary_path = config->lpBinaryPathName ? config->lpBinaryPathName : L"";
    SERVICE_STATUS status = {};
    found.running = ::QueryServiceStatus(service.get(), &status) && status.dwCurrentState != SERVICE_STOPPED &&
                    status.dwCurrentState != SERVICE_STOP_PENDING;
    *state = std::move(found);
    return true;
}

bool StartServiceNamed(const wchar_t* name) {
    const win::UniqueService manager(::OpenSCManagerW(nullptr, SERVICES_ACTIVE_DATABASEW, SC_MANAGER_CONNECT));
    if (!manager) return false;
    const win::UniqueService service(::OpenServiceW(manager.get(), name, SERVICE_START));
    if (!service) return false;
    return ::StartServiceW(service.get(), 0, nullptr) || ::GetLastError() == ERROR_SERVICE_ALREADY_RUNNING;
}

}  // namespace engine
