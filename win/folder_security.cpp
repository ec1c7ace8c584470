#include "win/folder_security.h"

#include "win/link_safe.h"

#include <aclapi.h>
#include <sddl.h>

namespace win {

UniqueSecurityDescriptor AdministratorsFolderDescriptor() {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdministratorsFolderSddl, SDDL_REVISION_1,
                                                                 &descriptor, nullptr))
        return {};
    return UniqueSecurityDescriptor(descriptor);
}

bool SecureFolderForAdministrators(const std::wstring& folder) {
    const UniqueSecurityDescriptor descriptor = AdministratorsFolderDescriptor();
    if (!descriptor) return false;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    BOOL defaulted = FALSE, present = FALSE;
    if (!::GetSecurityDescriptorOwner(descriptor.get(), &owner, &defaulted) ||
        !::GetSecurityDescriptorDacl(descriptor.get(), &present, &dacl, &defaulted) || !owner || !present) {
        ::SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return false;
    }
    if (IsLinkAt(folder)) {
        ::SetLastError(ERROR_REPARSE_ATTRIBUTE_CONFLICT);
        return false;
    }
    const UniqueFile entry = OpenEntry(folder, READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES);
    if (!entry) return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(entry.get(), &info)) return false;
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        ::SetLastError(ERROR_DIRECTORY);
        return false;
    }
    const DWORD rc = ::SetSecurityInfo(entry.get(), SE_FILE_OBJECT,
                                       OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                           PROTECTED_DACL_SECURITY_INFORMATION,
                                       owner, nullptr, dacl, nullptr);
    ::SetLastError(rc);
    return rc == ERROR_SUCCESS;
}

}  // namespace win
