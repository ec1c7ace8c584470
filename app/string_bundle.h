// The installer's texts and the product's names, from the UTF-8 XML bundle in the
// executable's "LANG" resource. Usable during static initialisation.
#pragma once

#include <windows.h>

#include <map>
#include <string>

constexpr WORD IDR_STRING_BUNDLE = 104;

class CStringBundle {
public:
    // Loads resource "LANG" 104 of the executable.
    CStringBundle();
    // Loads resource "LANG" `id` of `module` (tests ship bundles of their own).
    CStringBundle(HMODULE module, WORD id);

    // The text trimmed of " \t\n\r\f\v" at both ends; empty when the id is missing.
    std::wstring GetString(const std::wstring& id) const;
    std::wstring GetLanguage();

    size_t Count() const { return texts_.size(); }

private:
    void Load(HMODULE module, WORD id);

    std::wstring language_;
    std::map<std::wstring, std::wstring> texts_;
};

// The process-wide bundle, built and loaded on first use.
CStringBundle& GetStringBundle();

inline std::wstring GetString(const std::wstring& id) { return GetStringBundle().GetString(id); }
inline std::wstring GetLanguage() { return GetStringBundle().GetLanguage(); }
