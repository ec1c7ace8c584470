#include "app/language.h"

#include <shellapi.h>

#include <memory>

#include "win/module_resource.h"

const wchar_t kFallbackLanguage[] = L"en_US";

namespace {

constexpr WORD kBundleId = 104;
constexpr wchar_t kLangSwitch[] = L"/lang=";

struct ArgvDeleter {
    void operator()(wchar_t** argv) const { ::LocalFree(argv); }
};

std::wstring LanguageName(LANGID id) {
    wchar_t locale[LOCALE_NAME_MAX_LENGTH] = {};
    if (!::LCIDToLocaleName(MAKELCID(id, SORT_DEFAULT), locale, LOCALE_NAME_MAX_LENGTH, 0)) return {};
    std::wstring name = locale;
    for (wchar_t& c : name)
        if (c == L'-') c = L'_';
    return name;
}

}  // namespace

std::vector<BundleLanguage> BundleLanguages(HMODULE module) {
    std::vector<BundleLanguage> languages;
    for (LANGID id : win::ModuleResourceLanguages(module, L"LANG", kBundleId)) {
        std::wstring name = LanguageName(id);
        if (!name.empty()) languages.push_back({std::move(name), id});
    }
    return languages;
}

std::wstring RequestedLanguage(const wchar_t* commandLine) {
    int count = 0;
    std::unique_ptr<wchar_t*, ArgvDeleter> argv(::CommandLineToArgvW(commandLine, &count));
    std::wstring requested;
    const size_t prefix = std::char_traits<wchar_t>::length(kLangSwitch);
    for (int i = 1; argv && i < count; ++i) {
        const std::wstring arg = argv.get()[i];
        if (arg.compare(0, prefix, kLangSwitch) == 0) requested = arg.substr(prefix);
    }
    return requested;
}

const BundleLanguage* ChooseLanguage(const std::vector<BundleLanguage>& carried, LANGID uiLanguage,
                                     const std::wstring& requested) {
    for (const BundleLanguage& language : carried)
        if (!requested.empty() && language.name == requested) return &language;
    const BundleLanguage* primary = nullptr;
    const BundleLanguage* fallback = nullptr;
    for (const BundleLanguage& language : carried) {
        if (language.id == uiLanguage) return &language;
        if (!primary && PRIMARYLANGID(language.id) == PRIMARYLANGID(uiLanguage)) primary = &language;
        if (!fallback && language.name == kFallbackLanguage) fallback = &language;
    }
    if (primary) return primary;
    if (fallback) return fallback;
    return carried.empty() ? nullptr : &carried.front();
}
