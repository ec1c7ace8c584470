#include "app/string_bundle.h"

#include <pugixml.hpp>

#include "win/module_resource.h"
#include "win/text.h"

namespace {

constexpr wchar_t kTrimmed[] = L" \t\n\r\f\v";

}  // namespace

CStringBundle::CStringBundle() {
    const HMODULE module = ::GetModuleHandleW(nullptr);
    const std::vector<BundleLanguage> carried = BundleLanguages(module);
    const BundleLanguage* chosen =
        ChooseLanguage(carried, ::GetUserDefaultUILanguage(), RequestedLanguage(::GetCommandLineW()));
    if (!chosen) return;
    language_ = chosen->name;
    Load(win::ReadModuleResource(module, L"LANG", IDR_STRING_BUNDLE, chosen->id).Bytes());
}

CStringBundle::CStringBundle(HMODULE module, WORD id) { Load(win::ReadModuleResource(module, L"LANG", id).Bytes()); }

CStringBundle::CStringBundle(HMODULE module, const BundleLanguage& language) : language_(language.name) {
    Load(win::ReadModuleResource(module, L"LANG", IDR_STRING_BUNDLE, language.id).Bytes());
}

void CStringBundle::Load(const std::string& bytes) {
    const std::wstring text = win::Utf8ToWide(bytes);
    if (text.empty()) return;

    pugi::xml_document doc;
    if (!doc.load_buffer(text.data(), text.size() * sizeof(wchar_t), pugi::parse_default, pugi::encoding_wchar))
        return;

    const pugi::xml_node bundle = doc.child(L"StringBundle");
    for (pugi::xml_node node = bundle.child(L"String"); node; node = node.next_sibling(L"String"))
        texts_[node.attribute(L"id").value()] = node.child_value();
}

std::wstring CStringBundle::GetString(const std::wstring& id) const {
    const auto it = texts_.find(id);
    if (it == texts_.end()) return {};
    const std::wstring& text = it->second;
    const size_t first = text.find_first_not_of(kTrimmed);
    if (first == std::wstring::npos) return {};
    const size_t last = text.find_last_not_of(kTrimmed);
    return text.substr(first, last - first + 1);
}

std::wstring CStringBundle::GetLanguage() const {
    return language_.empty() ? std::wstring(L"zh_CN") : language_;
}

std::wstring UninstallLinkPrefix(const CStringBundle& bundle) {
    const std::wstring pattern = bundle.GetString(L"UNINSTALL_SHORTCUT");
    const size_t slot = pattern.find(L"%s");
    return slot == std::wstring::npos ? bundle.GetString(L"UNINSTALL") : pattern.substr(0, slot);
}

std::vector<engine::ShortcutNames> OtherLanguagesLinks(HMODULE module, const std::wstring& exe_name) {
    std::vector<engine::ShortcutNames> links;
    for (const BundleLanguage& language : BundleLanguages(module)) {
        if (language.name == GetLanguage()) continue;
        const CStringBundle other(module, language);
        links.push_back({other.GetString(L"ClientName"), exe_name, UninstallLinkPrefix(other)});
    }
    return links;
}

CStringBundle& GetStringBundle() {
    static CStringBundle bundle;
    return bundle;
}
