#pragma once
// CWindowWnd: one Win32 window wrapped by one object. It registers the window
// class (or a superclass of an existing one), creates the window with the
// object as its creation parameter, hands every message to HandleMessage,
// runs a modal loop of its own, and calls OnFinalMessage once the window is gone.
#include <windows.h>

namespace Ulmar {

class CWindowWnd {
public:
    CWindowWnd() = default;
    virtual ~CWindowWnd() = default;
    CWindowWnd(const CWindowWnd&) = delete;
    CWindowWnd& operator=(const CWindowWnd&) = delete;

    HWND GetHWND() const { return hwnd_; }
    operator HWND() const { return hwnd_; }

    bool RegisterWindowClass();
    bool RegisterSuperclass();

    HWND Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, const RECT& rc,
                HMENU menu = nullptr);
    HWND Create(HWND parent, const wchar_t* name, DWORD style, DWORD exStyle, int x = CW_USEDEFAULT,
                int y = CW_USEDEFAULT, int cx = CW_USEDEFAULT, int cy = CW_USEDEFAULT, HMENU menu = nullptr);
    // Replaces an existing window's procedure with this object's; undone on WM_NCDESTROY.
    HWND Subclass(HWND window);
    void Unsubclass();

    void ShowWindow(bool show = true, bool takeFocus = true);
    // Shows the window, disables its owner and runs messages until the window is
    // gone; returns the wParam of its WM_CLOSE. A WM_QUIT ends this loop and is
    // posted again for the loop outside.
    UINT ShowModal();
    void Close(UINT result = IDOK);
    void CenterWindow();
    void SetIcon(UINT resourceId);
    // Resizes the client area (-1 keeps a dimension).
    void ResizeClient(int cx = -1, int cy = -1);

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    void SetFakeModal(bool fake) { fakeModal_ = fake; }

protected:
    virtual const wchar_t* GetWindowClassName() const = 0;
    virtual const wchar_t* GetSuperClassName() const;
    virtual UINT GetClassStyle() const;
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void OnFinalMessage(HWND window);

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND hwnd_ = nullptr;
    WNDPROC oldProc_ = ::DefWindowProcW;
    bool subclassed_ = false;
    bool fakeModal_ = false;

private:
    // Shared end of both procedures once the object is known.
    static LRESULT Route(CWindowWnd* self, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                         bool property);
};

}  // namespace Ulmar
