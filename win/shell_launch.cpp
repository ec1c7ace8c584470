#include "win/shell_launch.h"

#include "win/com.h"

#include <windows.h>
#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace win {

namespace {

// A VARIANT cleared on scope exit (a BSTR inside it is freed).
class ScopedVariant {
public:
    ScopedVariant() noexcept { ::VariantInit(&m_v); }
    explicit ScopedVariant(const std::wstring& text) noexcept : ScopedVariant() {
        m_v.vt = VT_BSTR;
        m_v.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!m_v.bstrVal) m_v.vt = VT_EMPTY;
    }
    explicit ScopedVariant(int value) noexcept : ScopedVariant() {
        m_v.vt = VT_I4;
        m_v.lVal = value;
    }
    ~ScopedVariant() { ::VariantClear(&m_v); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;

    VARIANT* get() noexcept { return &m_v; }
    const VARIANT& value() const noexcept { return m_v; }

private:
    VARIANT m_v;
};

// The desktop's shell view, as its own automation object.
HRESULT DesktopShellDispatch(ComPtr<IShellDispatch2>* out) {
    ComPtr<IShellWindows> windows;
    HRESULT hr = ::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                    windows.put_void());
    if (FAILED(hr)) return hr;

    ScopedVariant location(static_cast<int>(CSIDL_DESKTOP));
    ScopedVariant root;
    long window = 0;
    ComPtr<IDispatch> desktop;
    hr = windows->FindWindowSW(location.get(), root.get(), SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                               reinterpret_cast<IDispatch**>(desktop.put_void()));
    if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;  // S_FALSE: no desktop window
    if (!desktop) return E_POINTER;

    ComPtr<IServiceProvider> services;
    if (FAILED(hr = desktop.As(IID_IServiceProvider, &services))) return hr;
    ComPtr<IShellBrowser> browser;
    hr = services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.put_void());
    if (FAILED(hr)) return hr;
    if (!browser) return E_POINTER;

    ComPtr<IShellView> view;
    if (FAILED(hr = browser->QueryActiveShellView(reinterpret_cast<IShellView**>(view.put_void())))) return hr;
    if (!view) return E_POINTER;
    ComPtr<IDispatch> background;
    if (FAILED(hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.put_void()))) return hr;
    if (!background) return E_POINTER;

    ComPtr<IShellFolderViewDual> folderView;
    if (FAILED(hr = background.As(IID_IShellFolderViewDual, &folderView))) return hr;
    ComPtr<IDispatch> application;
    if (FAILED(hr = folderView->get_Application(reinterpret_cast<IDispatch**>(application.put_void())))) return hr;
    if (!application) return E_POINTER;
    return application.As(IID_IShellDispatch2, out);
}

}  // namespace

HRESULT OpenThroughDesktopShell(const std::wstring& file, const std::wstring& args, const std::wstring& folder,
                                int show) {
    ComPtr<IShellDispatch2> shell;
    HRESULT hr = DesktopShellDispatch(&shell);
    if (FAILED(hr)) return hr;
    ScopedVariant name(file);
    if (name.value().vt != VT_BSTR) return E_OUTOFMEMORY;
    ScopedVariant arguments(args), directory(folder), operation(std::wstring(L"open")), showCode(show);
    return shell->ShellExecute(name.value().bstrVal, arguments.value(), directory.value(), operation.value(),
                               showCode.value());
}

LaunchRoute OpenAsDesktopUser(const std::wstring& file, const std::wstring& args, const std::wstring& folder,
                              int show) {
    if (SUCCEEDED(OpenThroughDesktopShell(file, args, folder, show))) return LaunchRoute::DesktopShell;
    const HINSTANCE started = ::ShellExecuteW(nullptr, L"open", file.c_str(), args.empty() ? nullptr : args.c_str(),
                                              folder.empty() ? nullptr : folder.c_str(), show);
    return reinterpret_cast<INT_PTR>(started) > 32 ? LaunchRoute::Direct : LaunchRoute::Failed;
}

}  // namespace win
