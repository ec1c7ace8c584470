// Where the install report goes: a build setting ("host" or "host:port").
#pragma once

#include <string>

namespace report {

struct ReportEndpoint {
    std::wstring host;
    unsigned short port = 80;
    std::wstring path;  // from the first "/" after the host
};

// "http://" + server + "/log/info/uploadLog.go?type=2" for the configured server.
std::wstring ReportUrl();
// Host, port and path of an "http://host[:port]/path" URL; false when it has no host.
bool SplitReportUrl(const std::wstring& url, ReportEndpoint& out);

}  // namespace report
