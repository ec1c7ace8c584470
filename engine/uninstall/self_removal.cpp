#include "engine/uninstall/self_removal.h"

#include "win/path.h"
#include "win/text.h"

#include <windows.h>

#include <cwchar>

namespace engine {

namespace {

constexpr int kNameTries = 16;

// A folder no one had before: the name includes the process id and the tick
// count, and CreateDirectoryW fails on an existing one (or a link planted there).
std::wstring MakeFreshFolder(const std::wstring& parent) {
    for (int i = 0; i < kNameTries; ++i) {
        const std::wstring name = L"TorvaneUninstall-" + win::DecimalText(::GetCurrentProcessId()) + L"-" +
                                  win::DecimalText(::GetTickCount()) + L"-" + win::DecimalText(i);
        const std::wstring folder = win::JoinPath(parent, name);
        if (::CreateDirectoryW(folder.c_str(), nullptr)) return folder;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return std::wstring();
}

}  // namespace

bool MoveSelfAside(const std::wstring& self, const std::initializer_list<std::wstring>& parents, SelfRemoval* out) {
    for (const std::wstring& parent : parents) {
        if (parent.empty()) continue;
        const std::wstring folder = MakeFreshFolder(parent);
        if (folder.empty()) continue;
        const std::wstring file = win::JoinPath(folder, win::FileNameOf(self));
        // No copy allowed: across volumes the move would copy and then fail to delete the running file.
        if (!::MoveFileExW(self.c_str(), file.c_str(), 0)) {
            ::RemoveDirectoryW(folder.c_str());
            continue;
        }
        ::MoveFileExW(file.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        ::MoveFileExW(folder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        out->folder = folder;
        out->file = file;
        return true;
    }
    return false;
}

}  // namespace engine
