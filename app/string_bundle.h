// The installer's texts and the product's names, from the UTF-8 XML bundle in the
// executable's "LANG" resource, in the language chosen for this user (see
// app/language.h). Usable during static initialisation.
#pragma once

#include <windows.h>

#include "app/language.h"
#include "engine/shortcuts/shortcuts.h"

#include <map>
#include <string>
#include <vector>

constexpr WORD IDR_STRING_BUNDLE = 104;

class CStringBundle {
public:
    // Loads resource "LANG" 104 of the executable in the language chosen from
    // "/lang=" and Windows' UI language.
    CStringBundle();
    // Loads resource "LANG" `id` of `module`, whichever language it is in; the
    // bundle is then the original zh_CN one (tests ship bundles of their own).
    CStringBundle(HMODULE module, WORD id);
    // Loads resource "LANG" 104 of `module` in `language` only.
    CStringBundle(HMODULE module, const BundleLanguage& language);

    // The text trimmed of " \t\n\r\f\v" at both ends; empty when the id is missing.
    std::wstring GetString(const std::wstring& id) const;
    // The chosen language; a bundle loaded by id alone is the original zh_CN one.
    std::wstring GetLanguage() const;

    size_t Count() const { return texts_.size(); }

private:
    void Load(const std::string& bytes);

    std::wstring language_;
    std::map<std::wstring, std::wstring> texts_;
};

// The process-wide bundle, built and loaded on first use.
CStringBundle& GetStringBundle();

inline std::wstring GetString(const std::wstring& id) { return GetStringBundle().GetString(id); }
inline std::wstring GetLanguage() { return GetStringBundle().GetLanguage(); }

// The start of the uninstaller's link name before the client name ("Uninstall "
// of "Uninstall %s"), from UNINSTALL_SHORTCUT.
std::wstring UninstallLinkPrefix(const CStringBundle& bundle);

// The links an install in each of `module`'s other languages makes, as their
// bundles name them (an earlier install may have spoken another language).
std::vector<engine::ShortcutNames> OtherLanguagesLinks(HMODULE module, const std::wstring& exe_name);
