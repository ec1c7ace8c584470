#pragma once
// CResourceManager: the process-wide resource index (image and skin
// identifiers to paths, from an optional index file) and the language-text
// table with its query hook.
#include <windows.h>

#include <map>
#include <string>

#include "ui/base/events.h"

namespace Ulmar {

// A skin or index named by a file name / markup text, or by a 16-bit resource id.
class STRINGorID {
public:
    STRINGorID(const wchar_t* text) : text_(text) {}  // NOLINT: implicit by design
    STRINGorID(UINT id) : text_(MAKEINTRESOURCEW(id)) {}  // NOLINT
    const wchar_t* get() const { return text_; }
    bool IsId() const { return IS_INTRESOURCE(text_); }
    UINT GetId() const { return static_cast<UINT>(reinterpret_cast<ULONG_PTR>(text_)); }

private:
    const wchar_t* text_;  // borrowed
};

class CXmlMarkup;

// Parses the module resource `id` of `type` as UTF-8 markup: from `instance`,
// else the paint manager's resource instance. False when it is missing or malformed.
bool LoadMarkupResource(CXmlMarkup& markup, HINSTANCE instance, const wchar_t* id, const wchar_t* type);

class CResourceManager {
public:
    static CResourceManager& GetInstance();

    // Loads an index file (or index resource of `type`). A missing index is
    // not an error for callers; false tells them nothing was loaded.
    bool LoadResource(STRINGorID index, const wchar_t* type = nullptr);
    // Null when the identifier is not mapped.
    const wchar_t* GetImagePath(const wchar_t* id) const;
    const wchar_t* GetXmlPath(const wchar_t* id) const;
    void ResetResourceMap();

    // Language texts: the table first, then the query hook; null when neither knows.
    void SetTextQueryInterface(IQueryControlText* query) { textQuery_ = query; }
    void AddText(const wchar_t* id, const wchar_t* text);
    const wchar_t* GetText(const wchar_t* id, const wchar_t* type = nullptr) const;
    void ResetTextMap() { texts_.clear(); }

private:
    CResourceManager() = default;
    std::map<std::wstring, std::wstring> images_;
    std::map<std::wstring, std::wstring> skins_;
    std::map<std::wstring, std::wstring> texts_;
    IQueryControlText* textQuery_ = nullptr;  // borrowed
};

}  // namespace Ulmar
