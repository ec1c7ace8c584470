#include "report/computer_id.h"

#include "win/text.h"

#include <objbase.h>

namespace report {

std::wstring FormatGuid(const GUID& g) {
    return win::FormatW(L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                        static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                        g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
}

std::wstring ComputerGuid(const std::function<bool(std::wstring&)>& read,
                          const std::function<void(const std::wstring&)>& write) {
    std::wstring stored;
    if (read && read(stored)) return stored;
    GUID guid;
    std::wstring created;
    if (SUCCEEDED(::CoCreateGuid(&guid))) created = FormatGuid(guid);
    if (write) write(created);
    return created;
}

}  // namespace report
