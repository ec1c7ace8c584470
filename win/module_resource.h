// Reading a resource of a loaded module. The bytes stay mapped as long as the
// module does, so there is nothing to free or unlock.
#pragma once

#include <windows.h>

#include <string>

namespace win {

// Borrowed bytes of a module's resource; empty when it is missing or holds nothing.
struct ModuleResource {
    const void* data = nullptr;
    DWORD size = 0;

    explicit operator bool() const { return data != nullptr && size != 0; }
    std::string Bytes() const { return *this ? std::string(static_cast<const char*>(data), size) : std::string(); }
};

// Resource `name` (a name or MAKEINTRESOURCEW id) of `type` in `module`; a null
// module is this executable.
ModuleResource ReadModuleResource(HMODULE module, const wchar_t* type, const wchar_t* name);
inline ModuleResource ReadModuleResource(HMODULE module, const wchar_t* type, WORD id) {
    return ReadModuleResource(module, type, MAKEINTRESOURCEW(id));
}

}  // namespace win
