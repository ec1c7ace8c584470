#include "win/module_resource.h"

#include <algorithm>

namespace win {

namespace {

ModuleResource Read(HMODULE module, HRSRC found) {
    if (!found) return {};
    const HGLOBAL loaded = ::LoadResource(module, found);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    const DWORD size = ::SizeofResource(module, found);
    if (!data || size == 0) return {};
    return ModuleResource{data, size};
}

BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<LANGID>*>(list)->push_back(language);
    return TRUE;
}

}  // namespace

ModuleResource ReadModuleResource(HMODULE module, const wchar_t* type, const wchar_t* name) {
    return Read(module, ::FindResourceW(module, name, type));
}

ModuleResource ReadModuleResource(HMODULE module, const wchar_t* type, WORD id, LANGID language) {
    const HRSRC found = ::FindResourceExW(module, type, MAKEINTRESOURCEW(id), language);
    // FindResourceEx falls back to the neutral language; only an exact match counts.
    const std::vector<LANGID> held = ModuleResourceLanguages(module, type, id);
    if (!found || std::find(held.begin(), held.end(), language) == held.end()) return {};
    return Read(module, found);
}

std::vector<LANGID> ModuleResourceLanguages(HMODULE module, const wchar_t* type, WORD id) {
    std::vector<LANGID> languages;
    ::EnumResourceLanguagesW(module, type, MAKEINTRESOURCEW(id), AddLanguage,
                             reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

}  // namespace win
