// Messages the install worker posts to the main window, and the one way to post
// them: by window handle, never waited for, and not at all once the window closed.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <new>
#include <string>

// wParam: percent (truncated toward zero); lParam: 0.
constexpr UINT WM_INSTALL_PROGRESS = WM_USER + 100;
// wParam: 0; lParam: a heap InstallStatusText the receiver takes over and deletes.
constexpr UINT WM_INSTALL_STATUS = WM_USER + 101;
// wParam: 0; lParam: the install context record, its result code filled in.
constexpr UINT WM_INSTALL_FINISHED = WM_USER + 102;

using InstallStatusText = std::wstring;

// Where the worker reports to. `closed` is the flag the UI thread sets when the
// window closes; it is read without a lock before every post.
struct InstallWindow {
    HWND window = nullptr;
    const std::atomic<int32_t>* closed = nullptr;

    bool IsOpen() const { return window != nullptr && !(closed && closed->load() != 0); }

    // A text that cannot be posted is discarded.
    void PostStatus(const std::wstring& text) const {
        if (!IsOpen()) return;
        auto* payload = new (std::nothrow) InstallStatusText(text);
        if (payload && !::PostMessageW(window, WM_INSTALL_STATUS, 0, reinterpret_cast<LPARAM>(payload)))
            delete payload;
    }
    void PostProgress(float percent) const {
        if (IsOpen()) ::PostMessageW(window, WM_INSTALL_PROGRESS, static_cast<WPARAM>(static_cast<int>(percent)), 0);
    }
};
