#include "win/file_rename.h"

#include <algorithm>
#include <vector>

namespace win {

bool RenameOpenFile(HANDLE file, const std::wstring& path, bool replace) {
    const size_t bytes = path.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + bytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = replace ? TRUE : FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(bytes);
    std::copy(path.begin(), path.end(), info->FileName);  // the buffer's spare WCHAR ends it
    return ::SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != FALSE;
}

}  // namespace win
