#include "report/report_record.h"

#include "report/compact_json.h"

#include "win/text.h"

#include <json/value.h>

namespace report {

const char kChannel[] = "700001";

std::string BuildReportJson(const ReportFacts& facts) {
    Json::Value record(Json::objectValue);
    for (const char* empty : {"model", "ios", "buildver", "sernum", "udid"}) record[empty] = "";
    record["success"] = facts.success ? "1" : "0";
    record["menuid"] = kMenuId;
    record["type"] = kReportType;
    record["pcguid"] = win::WideToUtf8(facts.pcguid);
    record["pcos"] = win::WideToUtf8(facts.pcos);
    record["instname"] = win::WideToUtf8(facts.instname);
    record["pcvs"] = win::WideToUtf8(facts.version);
    record["pccid"] = kChannel;

    // The log server has always received JsonCpp's fast writer's compact text;
    // WriteCompactJson gives the same bytes without the standard streams.
    return WriteCompactJson(record);
}

}  // namespace report
