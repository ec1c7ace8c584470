// Which of the installer's languages speaks to this user. The languages are the
// resource languages the string bundle (resource "LANG" 104) is held in; each
// has its skin files, named by the language ("wnd_main_en_US.xml").
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct BundleLanguage {
    std::wstring name;  // "en_US"
    LANGID id;          // 0x0409
};

// Spoken where Windows' UI language has no bundle of its own.
extern const wchar_t kFallbackLanguage[];

// The bundles `module` carries ("zh-CN" resource language -> "zh_CN").
std::vector<BundleLanguage> BundleLanguages(HMODULE module);

// The value of "/lang=NAME" among the arguments after the program name (the
// last one wins); empty when there is none.
std::wstring RequestedLanguage(const wchar_t* commandLine);

// The requested language when it is carried; else the one of the UI language;
// else one of its primary language (zh-TW -> zh_CN); else the fallback; else
// the first carried. Null when nothing is carried.
const BundleLanguage* ChooseLanguage(const std::vector<BundleLanguage>& carried, LANGID uiLanguage,
                                     const std::wstring& requested);
