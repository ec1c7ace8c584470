#include "ui/base/resource_manager.h"

#include "ui/base/markup.h"
#include "ui/base/paint_manager.h"
#include "win/text.h"

namespace Ulmar {

bool LoadMarkupResource(CXmlMarkup& markup, HINSTANCE instance, const wchar_t* id, const wchar_t* type) {
    HINSTANCE module = instance ? instance : CPaintManagerUI::GetResourceDll();
    HRSRC found = ::FindResourceW(module, id, type);
    if (!found) return false;
    // Resource handles need no release on Win32; the bytes live as long as the module.
    HGLOBAL loaded = ::LoadResource(module, found);
    if (!loaded) return false;
    const auto* bytes = static_cast<const unsigned char*>(::LockResource(loaded));
    const DWORD size = ::SizeofResource(module, found);
    if (!bytes || size == 0) return false;
    return markup.LoadFromMem(bytes, size, XMLFILE_ENCODING_UTF8);
}

CResourceManager& CResourceManager::GetInstance() {
    static CResourceManager manager;
    return manager;
}

namespace {

// Childless Image and Xml elements map id to path; elements with children are descended into.
void Walk(CXmlMarkupNode node, std::map<std::wstring, std::wstring>& images,
          std::map<std::wstring, std::wstring>& skins) {
    for (; node.IsValid(); node = node.GetSibling()) {
        if (node.HasChildren()) {
            Walk(node.GetChild(), images, skins);
            continue;
        }
        const wchar_t* name = node.GetName();
        const wchar_t* id = node.GetAttributeValue(L"id");
        const wchar_t* path = node.GetAttributeValue(L"path");
        if (!id || !path) continue;
        if (win::EqualsNoCase(name, L"Image")) {
            images.emplace(id, path);
        } else if (win::EqualsNoCase(name, L"Xml")) {
            skins.emplace(id, path);
        }
    }
}

}  // namespace

bool CResourceManager::LoadResource(STRINGorID index, const wchar_t* type) {
    CXmlMarkup markup;
    bool loaded;
    if (index.IsId()) {
        loaded = LoadMarkupResource(markup, nullptr, index.get(), type);
    } else if (index.get() && index.get()[0] == L'<') {
        loaded = markup.Load(index.get());
    } else {
        loaded = index.get() && markup.LoadFromFile(index.get());
    }
    if (!loaded) return false;
    const CXmlMarkupNode root = markup.GetRoot();
    if (!root.IsValid()) return false;
    Walk(root.GetChild(), images_, skins_);
    return true;
}

const wchar_t* CResourceManager::GetImagePath(const wchar_t* id) const {
    if (!id) return nullptr;
    const auto it = images_.find(id);
    return it == images_.end() ? nullptr : it->second.c_str();
}

const wchar_t* CResourceManager::GetXmlPath(const wchar_t* id) const {
    if (!id) return nullptr;
    const auto it = skins_.find(id);
    return it == skins_.end() ? nullptr : it->second.c_str();
}

void CResourceManager::ResetResourceMap() {
    images_.clear();
    skins_.clear();
}

void CResourceManager::AddText(const wchar_t* id, const wchar_t* text) {
    if (!id || !*id || !text) return;
    texts_[id] = text;
}

const wchar_t* CResourceManager::GetText(const wchar_t* id, const wchar_t* type) const {
    if (!id) return nullptr;
    const auto it = texts_.find(id);
    if (it != texts_.end()) return it->second.c_str();
    return textQuery_ ? textQuery_->QueryControlText(id, type) : nullptr;
}

}  // namespace Ulmar
