// Reading a resource of a loaded module. The bytes stay mapped as long as the
// module does, so there is nothing to free or unlock.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

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

// The same resource in one resource language only (no fallback to another).
ModuleResource ReadModuleResource(HMODULE module, const wchar_t* type, WORD id, LANGID language);

// The resource languages `module` holds resource `id` of `type` in, in the module's order.
std::vector<LANGID> ModuleResourceLanguages(HMODULE module, const wchar_t* type, WORD id);

}  // namespace win
