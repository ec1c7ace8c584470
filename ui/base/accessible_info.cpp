// Role words of the skin and the default-action verbs of the roles.
#include "ui/base/accessible_info.h"

#include "win/text.h"

namespace Ulmar {

long ParseAccessibleRole(const wchar_t* word) {
    static const struct {
        const wchar_t* word;
        long role;
    } kRoles[] = {
        {L"pushbutton", ROLE_SYSTEM_PUSHBUTTON},   {L"checkbox", ROLE_SYSTEM_CHECKBUTTON},
        {L"radiobutton", ROLE_SYSTEM_RADIOBUTTON}, {L"link", ROLE_SYSTEM_LINK},
        {L"progressbar", ROLE_SYSTEM_PROGRESSBAR}, {L"edit", ROLE_SYSTEM_TEXT},
        {L"text", ROLE_SYSTEM_STATICTEXT},         {L"graphic", ROLE_SYSTEM_GRAPHIC},
    };
    if (!word) return 0;
    for (const auto& row : kRoles) {
        if (win::EqualsNoCase(word, row.word)) return row.role;
    }
    return 0;
}

const wchar_t* DefaultActionOf(long role, DWORD state) {
    switch (role) {
    case ROLE_SYSTEM_PUSHBUTTON:
        return L"Press";
    case ROLE_SYSTEM_CHECKBUTTON:
        return (state & STATE_SYSTEM_CHECKED) ? L"Uncheck" : L"Check";
    case ROLE_SYSTEM_RADIOBUTTON:
        return L"Check";
    case ROLE_SYSTEM_LINK:
        return L"Jump";
    default:
        return nullptr;
    }
}

}  // namespace Ulmar
