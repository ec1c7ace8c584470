// The security descriptor that makes a folder belong to administrators, and
// applying it to a folder without following a link there.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace win {

// Owner Administrators; SYSTEM and Administrators full control, Users read and
// execute, each inherited by sub-folders and files; protected, so nothing comes
// from the parent (a drive root lets every signed-in user create and change).
constexpr wchar_t kAdministratorsFolderSddl[] =
    L"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

struct LocalFreer {
    void operator()(void* memory) const noexcept {
        const DWORD saved = ::GetLastError();
        ::LocalFree(memory);
        ::SetLastError(saved);
    }
};
using UniqueSecurityDescriptor = std::unique_ptr<void, LocalFreer>;

// The self-relative descriptor of kAdministratorsFolderSddl; empty with the last
// error when it cannot be made.
UniqueSecurityDescriptor AdministratorsFolderDescriptor();

// Gives the real folder at `folder` that descriptor's owner and protected DACL
// (the system passes the inherited entries on to what the folder holds). The
// folder is opened as an entry, so a link there is refused, never followed.
// False with the last error.
bool SecureFolderForAdministrators(const std::wstring& folder);

}  // namespace win
