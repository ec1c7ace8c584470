#include "win/result.h"

namespace win {

HRESULT HResultFromWin32(DWORD error) {
    const HRESULT value = static_cast<HRESULT>(error);
    return value <= 0 ? value : static_cast<HRESULT>((error & 0x0000FFFF) | 0x80070000);
}

HRESULT LastErrorAsHResult() {
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? HResultFromWin32(error) : E_FAIL;
}

HRESULT ResultWithLastError(bool succeeded) {
    return succeeded ? HResultFromWin32(::GetLastError()) : LastErrorAsHResult();
}

bool SucceededWithLastError(LONG status) {
    if (status == ERROR_SUCCESS) return true;
    ::SetLastError(static_cast<DWORD>(status));
    return false;
}

std::wstring SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n ? std::wstring(buffer, n) : std::wstring();
    if (buffer) ::LocalFree(buffer);
    return text;
}

}  // namespace win
