#include "tools/skinview/tree_mode.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/skinview/output.h"
#include "tools/skinview/png_writer.h"
#include "ui/base/container.h"
#include "ui/base/control.h"
#include "ui/base/paint_manager.h"
#include "ui/base/render.h"
#include "ui/controls/label.h"
#include "ui/builder/window_impl_base.h"
#include "win/text.h"

namespace skinview {
namespace {

constexpr int kOffScreen = -20000;

struct Options {
    std::wstring zip;
    std::wstring dir;
    std::wstring skin;
    std::wstring out;
    int width = 0;
    int height = 0;
    UINT dpi = 0;  // 0: the window's own
};

// Builds the skin like any window would, but reports a failure instead of showing a box.
class PreviewWindow : public Ulmar::WindowImplBase {
public:
    PreviewWindow(std::wstring skin, UINT dpi) : skin_(std::move(skin)), dpi_(dpi) {}
    bool failed() const { return failed_; }
    const std::wstring& error() const { return error_; }

protected:
    const wchar_t* GetWindowClassName() const override { return L"UlmarSkinView"; }
    Ulmar::CUiString GetSkinFile() override { return Ulmar::CUiString(skin_.c_str()); }
    // Before the skin is built, so that it is built at this scale.
    void InitResource() override {
        if (dpi_) GetPaintManager().SetDPI(dpi_);
    }
    void OnSkinLoadFailed(const Ulmar::CUiString& /*skinFile*/, const wchar_t* parserMessage) override {
        failed_ = true;
        error_ = parserMessage && *parserMessage ? parserMessage : L"the skin has no controls";
    }

private:
    std::wstring skin_;
    UINT dpi_;
    bool failed_ = false;
    std::wstring error_;
};

bool ParseSize(const wchar_t* text, int& width, int& height) {
    return std::swscanf(text, L"%d,%d", &width, &height) == 2 && width > 0 && height > 0;
}

// Fills `options`; `needOut` says whether an output file follows the skin.
bool ParseArgs(int argc, wchar_t** args, bool needOut, Options& options) {
    std::vector<std::wstring> positional;
    for (int i = 0; i < argc; ++i) {
        const std::wstring arg = args[i];
        if ((arg == L"--zip" || arg == L"--dir" || arg == L"--size" || arg == L"--dpi") && i + 1 < argc) {
            const wchar_t* value = args[++i];
            if (arg == L"--zip") {
                options.zip = value;
            } else if (arg == L"--dir") {
                options.dir = value;
            } else if (arg == L"--dpi") {
                const long dpi = std::wcstol(value, nullptr, 10);
                if (dpi < 48 || dpi > 960) return false;
                options.dpi = static_cast<UINT>(dpi);
            } else if (!ParseSize(value, options.width, options.height)) {
                return false;
            }
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != (needOut ? 2u : 1u) || (!options.zip.empty() && !options.dir.empty())) {
        return false;
    }
    options.skin = positional[0];
    if (needOut) options.out = positional[1];
    return true;
}

// Where the skin's files come from: the archive, the folder, or the skin's own folder.
bool SetUpLocation(Options& options) {
    if (!options.zip.empty()) {
        if (::GetFileAttributesW(options.zip.c_str()) == INVALID_FILE_ATTRIBUTES) return false;
        const size_t slash = options.zip.find_last_of(L"\\/");
        if (slash != std::wstring::npos) {
            Ulmar::CPaintManagerUI::SetResourcePath(options.zip.substr(0, slash + 1).c_str());
            Ulmar::CPaintManagerUI::SetResourceZip(options.zip.substr(slash + 1).c_str());
        } else {
            Ulmar::CPaintManagerUI::SetResourceZip(options.zip.c_str());
        }
        return true;
    }
    if (!options.dir.empty()) {
        Ulmar::CPaintManagerUI::SetResourcePath(options.dir.c_str());
        return true;
    }
    const size_t slash = options.skin.find_last_of(L"\\/");
    if (slash != std::wstring::npos) {
        Ulmar::CPaintManagerUI::SetResourcePath(options.skin.substr(0, slash + 1).c_str());
        options.skin = options.skin.substr(slash + 1);
    }
    return true;
}

// A label's text, as " textw=W room=R text=TEXT" before the line's end: W is
// the width it draws on one line in its font, R the width inside its text padding.
void DescribeText(Ulmar::CControlUI* control, std::string& out) {
    auto* label = static_cast<Ulmar::CLabelUI*>(control->GetInterface(L"Label"));
    const Ulmar::CUiString text = control->GetText();
    Ulmar::CPaintManagerUI* manager = control->GetManager();
    if (!label || text.IsEmpty() || !manager || !manager->GetPaintDC()) return;
    const SIZE size = Ulmar::CRenderer::GetTextSize(manager->GetPaintDC(), manager, text.GetData(), label->GetFont(),
                                                    DT_SINGLELINE);
    const RECT& rc = control->GetPos();
    const RECT padding = label->GetTextPadding();
    char buffer[64];
    std::snprintf(buffer, sizeof(buffer), " textw=%ld room=%ld text=", size.cx,
                  (rc.right - rc.left) - padding.left - padding.right);
    out.insert(out.size() - 1, std::string(buffer) + win::WideToUtf8(text.GetData()));
}

void Describe(Ulmar::CControlUI* control, int depth, std::string& out) {
    out.append(static_cast<size_t>(depth) * 2, ' ');
    out += win::WideToUtf8(control->GetClassName());
    out += ' ';
    const Ulmar::CUiString name = control->GetName();
    out += name.IsEmpty() ? std::string("-") : win::WideToUtf8(name.GetData());
    const RECT& rc = control->GetPos();
    char buffer[96];
    std::snprintf(buffer, sizeof(buffer), " %ld,%ld,%ld,%ld visible=%d enabled=%d\n", rc.left, rc.top, rc.right,
                  rc.bottom, control->IsVisible() ? 1 : 0, control->IsEnabled() ? 1 : 0);
    out += buffer;
    DescribeText(control, out);
    auto* container = static_cast<Ulmar::IContainerUI*>(control->GetInterface(L"IContainer"));
    if (!container) return;
    for (int i = 0; i < container->GetCount(); ++i) Describe(container->GetItemAt(i), depth + 1, out);
}

// Builds, sizes and paints the window once; calls `use` with it; tears it down.
template <typename Use>
int WithWindow(Options& options, Use use) {
    if (!SetUpLocation(options)) {
        WriteErr("error: cannot read the skin archive\n");
        return 1;
    }
    Ulmar::CPaintManagerUI::SetInstance(::GetModuleHandleW(nullptr));
    int code = 1;
    {
        PreviewWindow window(options.skin, options.dpi);
        const HWND hwnd = window.Create(nullptr, L"skinview", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 100, 100);
        if (!hwnd || window.failed()) {
            const std::wstring error = window.failed() ? window.error() : L"cannot create the window";
            WriteErr("error: " + win::WideToUtf8(error) + "\n");
            if (hwnd) ::DestroyWindow(hwnd);
            return 1;
        }
        if (options.width > 0) {
            ::SetWindowPos(hwnd, nullptr, 0, 0, options.width, options.height,
                           SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
        }
        // A hidden window has no update region to paint; show it far off the
        // screen without activating it, paint once, and hide it again.
        ::SetWindowPos(hwnd, nullptr, kOffScreen, kOffScreen, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        ::InvalidateRect(hwnd, nullptr, FALSE);
        ::UpdateWindow(hwnd);
        ::ShowWindow(hwnd, SW_HIDE);
        code = use(window.GetPaintManager());
        ::DestroyWindow(hwnd);
    }
    Ulmar::CPaintManagerUI::Term();
    return code;
}

}  // namespace

int RunTree(int argc, wchar_t** args) {
    Options options;
    if (!ParseArgs(argc, args, false, options)) {
        WriteErr("usage: skinview tree [--zip ZIP | --dir DIR] SKINFILE [--size W,H]\n");
        return 2;
    }
    return WithWindow(options, [](Ulmar::CPaintManagerUI& pm) {
        std::string out;
        if (pm.GetRoot()) Describe(pm.GetRoot(), 0, out);
        return WriteOut(out) ? 0 : 1;
    });
}

int RunPng(int argc, wchar_t** args) {
    Options options;
    if (!ParseArgs(argc, args, true, options)) {
        WriteErr("usage: skinview png [--zip ZIP | --dir DIR] SKINFILE OUT.png [--size W,H]\n");
        return 2;
    }
    const std::wstring out = options.out;
    return WithWindow(options, [&out](Ulmar::CPaintManagerUI& pm) {
        const DWORD* bits = pm.GetOffscreenBits();
        const SIZE size = pm.GetOffscreenSize();
        if (!bits || size.cx <= 0 || size.cy <= 0) {
            WriteErr("error: nothing was painted\n");
            return 1;
        }
        // GDI text leaves alpha 0 behind; only a layered window's alpha means anything.
        if (!WritePng(out, bits, size.cx, size.cy, !pm.IsLayered())) {
            WriteErr("error: cannot write " + win::WideToUtf8(out) + "\n");
            return 1;
        }
        return 0;
    });
}

}  // namespace skinview
