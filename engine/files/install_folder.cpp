#include "engine/files/install_folder.h"

#include "win/folder_security.h"
#include "win/link_safe.h"
#include "win/path.h"

#include <windows.h>

namespace engine {

bool PrepareInstallFolder(const std::wstring& folder) {
    std::wstring path = folder;
    while (path.size() > 3 && win::IsPathSeparator(path.back())) path.pop_back();
    if (path.empty()) {
        ::SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (win::IsLinkAt(path) && !win::RemoveLinkAt(path)) return false;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (!win::CreateFolderTree(path)) return false;
    } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::SetLastError(ERROR_DIRECTORY);
        return false;
    }
    return win::SecureFolderForAdministrators(path);
}

}  // namespace engine
