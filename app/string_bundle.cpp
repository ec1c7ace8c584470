#include "app/string_bundle.h"

#include <pugixml.hpp>

#include "win/module_resource.h"
#include "win/text.h"

namespace {

constexpr wchar_t kTrimmed[] = L" \t\n\r\f\v";

}  // namespace

CStringBundle::CStringBundle() : CStringBundle(::GetModuleHandleW(nullptr), IDR_STRING_BUNDLE) {}

CStringBundle::CStringBundle(HMODULE module, WORD id) { Load(module, id); }

void CStringBundle::Load(HMODULE module, WORD id) {
    const std::wstring text = win::Utf8ToWide(win::ReadModuleResource(module, L"LANG", id).Bytes());
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

std::wstring CStringBundle::GetLanguage() {
    if (language_.empty()) language_ = L"zh_CN";
    return language_;
}

CStringBundle& GetStringBundle() {
    static CStringBundle bundle;
    return bundle;
}
