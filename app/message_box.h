// The installer's skinned question box. Flags follow MessageBox: buttons in the
// low four bits (0 one OK button, 4 OK and No), the icon in the bits above
// (0x10 error, 0x20 question, 0x30 warning, 0x100 information).
#pragma once

#include <windows.h>

// Results: 6 for the OK button, 7 for No, 8 for the close button.
constexpr int kMessageBoxOk = 6;
constexpr int kMessageBoxNo = 7;
constexpr int kMessageBoxClosed = 8;

// Shows the box modally on the calling thread, owned by `owner` (may be null);
// the caller's own posted messages keep flowing. Null texts keep the skin's.
int ShowMessageBox(HWND owner, const wchar_t* caption, const wchar_t* text, UINT flags,
                   const wchar_t* okText, const wchar_t* noText);
