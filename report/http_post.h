// One HTTP POST through WinINet; the answer is not read.
#pragma once

#include <string>

namespace report {

struct ReportEndpoint;

constexpr unsigned long kReportTimeoutMs = 10000;  // connect, send and receive, each

// POSTs `body` to the endpoint with user agent "ZELKHTTP 5.0" and
// "Content-Type: text/plain". True when the request was sent and answered.
bool PostReport(const ReportEndpoint& endpoint, const std::string& body);

}  // namespace report
