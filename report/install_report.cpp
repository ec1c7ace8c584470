#include "report/install_report.h"

#include "report/computer_id.h"
#include "report/http_post.h"
#include "report/log_server.h"
#include "report/report_cipher.h"
#include "report/report_record.h"
#include "report/system_info.h"

void SendInstallReport(bool success, const ReportProduct& product) {
    report::ReportFacts facts;
    facts.success = success;
    facts.version = product.version;
    facts.pcguid = report::ComputerGuid(product.readGuid, product.writeGuid);
    facts.pcos = report::OsText();
    facts.instname = report::InstallerName();

    report::ReportEndpoint endpoint;
    if (!report::SplitReportUrl(report::ReportUrl(), endpoint)) return;
    report::PostReport(endpoint, EncryptReport(report::BuildReportJson(facts)));
}
