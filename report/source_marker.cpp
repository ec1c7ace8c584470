#include "report/install_report.h"

#include "win/link_safe.h"
#include "win/unique_handle.h"
#include "report/report_record.h"

#include <cstring>

void WriteSourceMarker(const std::wstring& installDir) {
    const std::wstring path = installDir + L"source.dat";
    // The channel as narrow text, no line end, replacing any earlier marker.
    // A new file in place of whatever is at the name: a link there is replaced,
    // never written through.
    win::UniqueFile file = win::CreateFileBelow(installDir, path);
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), report::kChannel, static_cast<DWORD>(std::strlen(report::kChannel)), &written, nullptr);
}
