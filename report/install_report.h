// The install's last two traces: the channel marker beside the product, and one
// enciphered report to the log server. Both fail silently.
#pragma once

#include <string>

// Writes "source.dat" holding the channel number into the install folder
// (which ends in a backslash).
void WriteSourceMarker(const std::wstring& installDir);

// Builds, enciphers and POSTs the report; success is whether the install succeeded.
// The computer's identifier is kept under the product's registry key.
void SendInstallReport(bool success, const std::wstring& productKey);
