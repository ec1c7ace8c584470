#include "report/install_report.h"

#include "win/unique_handle.h"
#include "report/report_record.h"

#include <cstring>

void WriteSourceMarker(const std::wstring& installDir) {
    const std::wstring path = installDir + L"source.dat";
    // The channel as narrow text, no line end, replacing any earlier marker.
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.get(), report::kChannel, static_cast<DWORD>(std::strlen(report::kChannel)), &written, nullptr);
}
