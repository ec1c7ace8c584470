#include "report/log_server.h"

#include "report/report_record.h"
#include "win/text.h"

#include <cwchar>

#ifndef TORVANE_LOG_SERVER
#error "TORVANE_LOG_SERVER must name the log server"
#endif
#define TORVANE_WIDEN2(s) L##s
#define TORVANE_WIDEN(s) TORVANE_WIDEN2(s)

namespace report {

std::wstring ReportUrl() {
    return std::wstring(L"http://") + TORVANE_WIDEN(TORVANE_LOG_SERVER) + L"/log/info/uploadLog.go?type=" +
           win::DecimalText(kReportType);
}

bool SplitReportUrl(const std::wstring& url, ReportEndpoint& out) {
    const size_t scheme = url.find(L"://");
    if (scheme == std::wstring::npos) return false;
    const size_t hostStart = scheme + 3;
    const size_t slash = url.find(L'/', hostStart);
    std::wstring host = url.substr(hostStart, slash == std::wstring::npos ? std::wstring::npos : slash - hostStart);
    unsigned short port = 80;
    const size_t colon = host.find(L':');
    if (colon != std::wstring::npos) {
        const std::wstring digits = host.substr(colon + 1);
        wchar_t* end = nullptr;
        const unsigned long n = std::wcstoul(digits.c_str(), &end, 10);
        if (digits.empty() || *end != L'\0' || n == 0 || n > 65535) return false;
        port = static_cast<unsigned short>(n);
        host.resize(colon);
    }
    if (host.empty()) return false;
    out.host = std::move(host);
    out.port = port;
    out.path = slash == std::wstring::npos ? L"/" : url.substr(slash);
    return true;
}

}  // namespace report
