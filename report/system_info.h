// Facts about this computer and this process that the install report carries.
#pragma once

#include <string>

namespace report {

// "major.minor_server_bits", e.g. "10.0_0_64": RtlGetVersion's numbers, 1 for a
// server product type, 64 when a WOW64 process runs on an AMD64 or IA64 system.
std::wstring OsText();
// "%s_%d_%d" of the parts above; split out so the format can be checked.
std::wstring FormatOsText(const std::wstring& version, bool server, bool native64);
// File name (no folder) of the running executable.
std::wstring InstallerName();

}  // namespace report
