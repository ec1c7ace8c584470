#include "report/report_record.h"

#include "win/text.h"

#include <json/json.h>

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

    // FastWriter is deprecated in favour of StreamWriterBuilder, but it is the
    // writer whose compact output the log server has always received.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#elif defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996)
#endif
    Json::FastWriter writer;
    return writer.write(record);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#elif defined(_MSC_VER)
#pragma warning(pop)
#endif
}

}  // namespace report
