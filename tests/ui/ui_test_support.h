#pragma once
// The one helper for framework tests: a real top-level window under the test
// display whose messages go to a CPaintManagerUI, message pumping until a
// condition holds, offscreen pixel reads, and a small container so that trees
// of plain controls can be built before the real containers exist.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/base/control.h"
#include "ui/base/paint_manager.h"

namespace uitest {

// A window whose procedure hands every message to its paint manager first.
// The manager is heap-held so a test may destroy it from inside a handler
// (ReleaseManager + delete, as a window closing itself would).
class TestWindow {
public:
    TestWindow(int width, int height, DWORD style = WS_POPUP | WS_VISIBLE, DWORD exStyle = 0,
               HWND owner = nullptr);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    Ulmar::CPaintManagerUI& pm() { return *manager_; }
    Ulmar::CPaintManagerUI* manager() { return manager_; }
    // Stops forwarding and gives up the manager (the caller deletes it).
    Ulmar::CPaintManagerUI* ReleaseManager();
    void Destroy();

    // Messages the window procedure saw, in order (message ids only).
    const std::vector<UINT>& seen() const { return seen_; }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    HWND hwnd_ = nullptr;
    Ulmar::CPaintManagerUI* manager_ = nullptr;  // owned unless released
    std::vector<UINT> seen_;
};

// Pumps messages (through CPaintManagerUI::TranslateMessage, as the real loop
// does) until `done` is true or `timeoutMs` passes. Returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 3000);
// Pumps for a fixed time.
void PumpFor(DWORD ms);
// Paints what is invalid now (UpdateWindow) and pumps what that posted.
void Flush(HWND hwnd);

// The offscreen bitmap's pixel (BGRA as 0xAARRGGBB); 0 outside or before a paint.
DWORD OffscreenPixel(const Ulmar::CPaintManagerUI& pm, int x, int y);
// RGB of a window pixel as GDI reads it back from the window's DC.
COLORREF ScreenPixel(HWND hwnd, int x, int y);

// A control with a flag word of its own and an event log.
class ProbeControl : public Ulmar::CControlUI {
public:
    explicit ProbeControl(UINT flags = 0, const wchar_t* name = nullptr);
    UINT GetControlFlags() const override { return flags_; }
    void HandleEvent(Ulmar::TControlEvent& event) override;
    std::vector<Ulmar::TControlEvent> events;
    int Count(int type) const;

private:
    UINT flags_;
};

// A container for tests: children are placed at their fixed XY (relative to
// this control) with their fixed size, painted in order, searched as the real
// containers search (visible, enabled, hit test, top first, me first). Owns its children.
class TestContainer : public Ulmar::CControlUI {
public:
    ~TestContainer() override;
    const wchar_t* GetClassName() const override { return L"TestContainerUI"; }
    void* GetInterface(const wchar_t* name) override;
    void Add(Ulmar::CControlUI* child);
    // Detaches and returns a child (the caller owns it then).
    Ulmar::CControlUI* Remove(Ulmar::CControlUI* child);
    const std::vector<Ulmar::CControlUI*>& children() const { return children_; }

    void SetManager(Ulmar::CPaintManagerUI* manager, Ulmar::CControlUI* parent, bool init) override;
    void SetPos(RECT rc, bool needInvalidate = true) override;
    bool PaintLayers(HDC dc, const RECT& paintRect, Ulmar::CControlUI* stopControl) override;
    Ulmar::CControlUI* FindControl(Ulmar::FindControlProc proc, void* data, UINT flags) override;
    void SetVisible(bool visible = true) override;

private:
    std::vector<Ulmar::CControlUI*> children_;
};

// Writes bytes to a file in the temp folder and removes it at destruction.
class TempFile {
public:
    TempFile(const std::wstring& name, const std::vector<unsigned char>& bytes);
    ~TempFile();
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

}  // namespace uitest
