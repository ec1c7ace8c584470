#include "engine/payload/payload.h"

#include "win/path.h"
#include "win/text.h"
#include "win/unique_handle.h"

float g_fProgress = 0.0f;
std::vector<std::wstring> g_allFiles;
std::vector<std::wstring> g_allDirs;
std::vector<std::wstring> g_newFiles;
std::vector<std::wstring> g_newDirs;

void ResetPayloadState() {
    g_fProgress = 0.0f;
    g_allFiles.clear();
    g_allDirs.clear();
    g_newFiles.clear();
    g_newDirs.clear();
}

float ExtractionPercent(float start, uint32_t done, uint32_t count) {
    if (count == 0) return start;
    if (done > count) done = count;
    // In double: 60 * done / count is exact whenever it is a whole number.
    return start + static_cast<float>(static_cast<double>(EXTRACTION_PERCENT_SPAN) * done / count);
}

bool PCallBack::OnStart(uint32_t itemCount) {
    if (itemCount != 0) {
        m_itemCount = itemCount;
        m_itemsStarted = 0;
        m_startPercent = g_fProgress;
    }
    return false;
}

bool PCallBack::OnItemStart(const std::wstring& destFolder, std::wstring& relativePath, bool isFolder) {
    const std::wstring fullPath = destFolder + relativePath;
    m_window.PostStatus(m_statusPrefix + win::FormatW(L"  %s", fullPath.c_str()));
    if (m_itemCount != 0) {
        g_fProgress = ExtractionPercent(m_startPercent, ++m_itemsStarted, m_itemCount);
        m_window.PostProgress(g_fProgress);
    }

    const bool existed = [&] {
        if (GetFileAttributesW(fullPath.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        const DWORD error = GetLastError();
        return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
    }();
    auto& all = isFolder ? g_allDirs : g_allFiles;
    auto& fresh = isFolder ? g_newDirs : g_newFiles;
    all.push_back(fullPath);
    if (!existed) fresh.push_back(fullPath);
    return true;
}

std::vector<std::wstring> PayloadRootNames(const std::vector<std::wstring>& items) {
    std::vector<std::wstring> names;
    for (const std::wstring& name : items) {
        if (!name.empty() && name.find_first_of(L"\\/") == std::wstring::npos) names.push_back(name);
    }
    return names;
}
