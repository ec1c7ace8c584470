// Helpers shared by the payload tests: archive paths, scratch folders, file contents.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "engine/sevenzip/sevenzip.h"

namespace payload_test {

inline std::wstring Archive(const wchar_t* name) { return std::wstring(TEST_ARCHIVES) + L"\\" + name; }
inline std::wstring Source(const wchar_t* relative) { return std::wstring(TEST_ARCHIVES) + L"\\tree\\" + relative; }

inline std::string ReadAll(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    if (!in) return "<missing " + std::filesystem::path(path).u8string() + ">";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A fresh folder under the temp folder, ending in a backslash; removed with everything in it.
class ScratchFolder {
public:
    explicit ScratchFolder(const wchar_t* name) {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        m_path = std::wstring(temp) + L"torvane-test-" + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        Remove();
        std::filesystem::create_directories(m_path);
    }
    ~ScratchFolder() { Remove(); }
    const std::wstring& path() const { return m_path; }
    std::wstring operator/(const wchar_t* relative) const { return m_path + relative; }

private:
    void Remove() {
        std::error_code ec;
        for (auto& entry : std::filesystem::recursive_directory_iterator(m_path, ec))
            SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        std::filesystem::remove_all(m_path, ec);
    }
    std::wstring m_path;
};

// An extraction callback that lets everything through and records nothing; tests
// override what they watch.
class QuietCallback : public SevenZip::ProgressCallback {
public:
    bool OnStart(uint32_t) override { return false; }
    bool OnItemList(const std::vector<std::wstring>&, const std::vector<uint64_t>&) override { return true; }
    void OnStartWithTotal(const std::wstring&, uint64_t) override {}
    void OnRatio(uint64_t, uint64_t) override {}
    void OnProgress(const std::wstring&, uint64_t) override {}
    void OnDone(const std::wstring&) override {}
    bool OnItemStart(const std::wstring&, std::wstring&, bool) override { return true; }
    bool OnFileDone(const std::wstring&, uint64_t) override { return true; }
    void OnRestore(const std::pair<std::wstring, std::wstring>&) override {}
};

}  // namespace payload_test
