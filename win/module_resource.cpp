#include "win/module_resource.h"

namespace win {

ModuleResource ReadModuleResource(HMODULE module, const wchar_t* type, const wchar_t* name) {
    const HRSRC found = ::FindResourceW(module, name, type);
    if (!found) return {};
    const HGLOBAL loaded = ::LoadResource(module, found);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    const DWORD size = ::SizeofResource(module, found);
    if (!data || size == 0) return {};
    return ModuleResource{data, size};
}

}  // namespace win
