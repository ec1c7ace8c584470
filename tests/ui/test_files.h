#pragma once
// Files for the framework's tests: the committed fixtures, and a temporary folder
// of the test's own that is removed with everything in it.
#include <windows.h>

#include <string>
#include <vector>

namespace uitest {

// A committed fixture under tests/ui/data, as a Windows path (Wine's Z: drive).
std::wstring DataPath(const wchar_t* name);
std::vector<unsigned char> ReadBytes(const std::wstring& path);
bool WriteBytes(const std::wstring& path, const void* data, size_t size);
inline bool WriteBytes(const std::wstring& path, const std::string& data) {
    return WriteBytes(path, data.data(), data.size());
}

class TempDir {
public:
    explicit TempDir(const wchar_t* leaf = L"ulmar");  // a fresh folder under %TEMP%
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& path() const { return path_; }  // ends in "\"
    std::wstring operator/(const wchar_t* name) const { return path_ + name; }

private:
    std::wstring path_;
};

// A console tool run to its end: what it printed (standard output and error) and
// its exit code (0xFFFFFFFF when it could not be started).
struct ToolRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string out;
};

// Runs the Windows program `exe` (a Unix path, reached through Z:) with `args`.
// Reading ends with the child, not with the pipe: windows the child creates may
// start helper processes that inherit the pipe and keep it open.
ToolRun RunTool(const char* exe, const std::wstring& args, DWORD timeoutMs = 60000);

}  // namespace uitest
