#include "report/http_post.h"

#include "win/unique_handle.h"
#include "report/log_server.h"

#include <windows.h>
#include <wininet.h>

namespace report {
namespace {

struct InternetHandleTraits {
    using Handle = HINTERNET;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::InternetCloseHandle(h); }
};
using UniqueInternet = win::UniqueHandle<InternetHandleTraits>;

// A dead or silent server must not keep the install worker alive for minutes.
void BoundTimeouts(HINTERNET h) {
    DWORD ms = kReportTimeoutMs;
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT})
        ::InternetSetOptionW(h, option, &ms, sizeof ms);
    DWORD retries = 1;
    ::InternetSetOptionW(h, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);
}

}  // namespace

bool PostReport(const ReportEndpoint& endpoint, const std::string& body) {
    // Declared in this order so that they close request, connection, session.
    UniqueInternet session(::InternetOpenW(L"ZELKHTTP 5.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return false;
    BoundTimeouts(session.get());

    UniqueInternet connection(::InternetConnectW(session.get(), endpoint.host.c_str(), endpoint.port, nullptr,
                                                 nullptr, INTERNET_SERVICE_HTTP, 0, 1));
    if (!connection) return false;
    BoundTimeouts(connection.get());

    const wchar_t* acceptTypes[] = {L"*/*", nullptr};
    UniqueInternet request(::HttpOpenRequestW(connection.get(), L"POST", endpoint.path.c_str(), nullptr, nullptr,
                                              acceptTypes, 0, 1));
    if (!request) return false;
    BoundTimeouts(request.get());

    static const wchar_t kHeader[] = L"Content-Type: text/plain";
    return ::HttpSendRequestW(request.get(), kHeader, static_cast<DWORD>(wcslen(kHeader)),
                              const_cast<char*>(body.data()), static_cast<DWORD>(body.size())) != FALSE;
}

}  // namespace report
