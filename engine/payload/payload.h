// The payload step: where the embedded archive is and the installer's
// extraction callback, which keeps the progress and the path lists
// that the install record and the rollback are made from.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/progress/install_messages.h"
#include "engine/sevenzip/sevenzip.h"

constexpr WORD IDR_PAYLOAD = 101;
constexpr const wchar_t* PAYLOAD_RESOURCE_TYPE = L"7Z";

// Install progress in percent; extraction adds 60 points spread over all items.
extern float g_fProgress;
// Every extracted file and folder, and those of them that did not exist before.
extern std::vector<std::wstring> g_allFiles;
extern std::vector<std::wstring> g_allDirs;
extern std::vector<std::wstring> g_newFiles;
extern std::vector<std::wstring> g_newDirs;

// Progress back to 0 and the four lists emptied, at the start of every run.
void ResetPayloadState();

// Points the extraction adds in all, spread over the items in equal shares.
constexpr float EXTRACTION_PERCENT_SPAN = 60.0f;

// The percent once item `done` of `count` has started, for an extraction that
// began at `start`. Taken from the item number rather than summed item by item,
// so that the last item lands exactly on start + 60 whatever the count.
float ExtractionPercent(float start, uint32_t done, uint32_t count);

// The names of the items at the top level of an archive's item list (the
// product's programs among them).
std::vector<std::wstring> PayloadRootNames(const std::vector<std::wstring>& items);

class PCallBack : public SevenZip::ProgressCallback {
public:
    // statusPrefix: the bundle's INSTALL_1_TEXT; each status is it, two spaces and the full path.
    PCallBack(const InstallWindow& window, std::wstring statusPrefix)
        : m_window(window), m_statusPrefix(std::move(statusPrefix)) {}

    bool OnStart(uint32_t itemCount) override;
    bool OnItemList(const std::vector<std::wstring>&, const std::vector<uint64_t>&) override { return true; }
    void OnStartWithTotal(const std::wstring&, uint64_t) override {}
    void OnRatio(uint64_t, uint64_t) override {}
    void OnProgress(const std::wstring&, uint64_t) override {}
    void OnDone(const std::wstring&) override {}
    bool OnItemStart(const std::wstring& destFolder, std::wstring& relativePath, bool isFolder) override;
    bool OnFileDone(const std::wstring&, uint64_t) override { return true; }
    void OnRestore(const std::pair<std::wstring, std::wstring>&) override {}

private:
    uint32_t m_itemCount = 0;
    uint32_t m_itemsStarted = 0;
    float m_startPercent = 0.0f;  // g_fProgress when the extraction started
    InstallWindow m_window;
    std::wstring m_statusPrefix;
};
