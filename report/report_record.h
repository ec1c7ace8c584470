// The install report's JSON record.
#pragma once

#include <string>

namespace report {

extern const char kChannel[];         // "700001": source.dat and "pccid"
constexpr int kMenuId = 10087;
constexpr int kReportType = 2;

struct ReportFacts {
    bool success = false;
    std::wstring pcguid;
    std::wstring pcos;
    std::wstring instname;
    std::wstring version;  // "pcvs": the packaged product's version
};

// Compact JSON (the bytes of JsonCpp's fast writer) with every member of the record.
std::string BuildReportJson(const ReportFacts& facts);

}  // namespace report
