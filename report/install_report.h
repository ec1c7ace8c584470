// The install's last two traces: the channel marker beside the product, and one
// enciphered report to the log server. Both fail silently.
#pragma once

#include <functional>
#include <string>

// Writes "source.dat" holding the channel number into the install folder
// (which ends in a backslash).
void WriteSourceMarker(const std::wstring& installDir);

// What the report takes from its caller: the packaged product's version, and
// where the computer's identifier is kept (the install's registry records).
struct ReportProduct {
    std::wstring version;
    std::function<bool(std::wstring&)> readGuid;
    std::function<void(const std::wstring&)> writeGuid;
};

// Builds, enciphers and POSTs the report; success is whether the install succeeded.
void SendInstallReport(bool success, const ReportProduct& product);
