// Reads the installer's main window from outside, as a screen reader does:
// AccessibleObjectFromWindow on its client area, then each child.
//   accessibility-probe dump     one line per child (AccessibleChildren): id, role, state, name, value,
//                                default action, location, the child a hit test at
//                                its centre finds; a first line for the client itself
//   accessibility-probe do ID    accDoDefaultAction on child ID
//   accessibility-probe watch S  S seconds of the window's WinEvents, one line each:
//                                the event, the child id, its name, value and state
// Output is UTF-8, tab-separated. Exit code 0, or 2 when the window or its object
// cannot be had, 3 when a call fails.
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/ui/accessible_support.h"
#include "win/com.h"

namespace {

const wchar_t kTitle[] = L"\u6258\u5C14\u6587\u5B89\u88C5\u7A0B\u5E8F";  // the main window's title

void Print(const std::wstring& line) {
    const std::wstring text = line + L"\n";
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr,
                          nullptr);
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                nullptr);
}

// A BSTR property as text; "-" when the object has none.
template <typename Getter>
std::wstring Text(Getter get) {
    BSTR value = nullptr;
    const HRESULT hr = get(&value);
    std::wstring text = (hr == S_OK && value) ? std::wstring(value, ::SysStringLen(value)) : L"-";
    ::SysFreeString(value);
    return text;
}

long LongOf(const VARIANT& v) { return v.vt == VT_I4 ? v.lVal : -1; }

int Dump(IAccessible* client) {
    const VARIANT self = uitest::ChildId(CHILDID_SELF);
    VARIANT role;
    long count = 0;
    if (FAILED(client->get_accRole(self, &role)) || FAILED(client->get_accChildCount(&count))) return 3;
    win::ComPtr<IDispatch> parent;
    const HRESULT parentHr = client->get_accParent(reinterpret_cast<IDispatch**>(parent.put_void()));
    Print(L"self\t" + std::to_wstring(LongOf(role)) + L"\t" + std::to_wstring(count) + L"\t" +
          (SUCCEEDED(parentHr) && parent ? L"parent" : L"no-parent"));
    // Child ids are the controls' own, not 1..count: walk them as a screen reader does.
    std::vector<VARIANT> ids(static_cast<size_t>(count) + 1);
    long got = 0;
    if (FAILED(::AccessibleChildren(client, 0, count + 1, ids.data(), &got)) || got != count) return 3;
    for (long i = 0; i < got; ++i) {
        const long id = LongOf(ids[i]);
        const VARIANT child = uitest::ChildId(id);
        VARIANT childRole, state;
        if (FAILED(client->get_accRole(child, &childRole)) || FAILED(client->get_accState(child, &state))) return 3;
        long x = 0, y = 0, w = 0, h = 0;
        if (FAILED(client->accLocation(&x, &y, &w, &h, child))) return 3;
        VARIANT hit;
        ::VariantInit(&hit);
        client->accHitTest(x + w / 2, y + h / 2, &hit);
        wchar_t stateText[16];
        std::swprintf(stateText, 16, L"%08lx", static_cast<unsigned long>(LongOf(state)));
        Print(std::to_wstring(id) + L"\t" + std::to_wstring(LongOf(childRole)) + L"\t" + stateText + L"\t" +
              Text([&](BSTR* out) { return client->get_accName(child, out); }) + L"\t" +
              Text([&](BSTR* out) { return client->get_accValue(child, out); }) + L"\t" +
              Text([&](BSTR* out) { return client->get_accDefaultAction(child, out); }) + L"\t" +
              std::to_wstring(x) + L"," + std::to_wstring(y) + L"," + std::to_wstring(w) + L"," +
              std::to_wstring(h) + L"\t" + std::to_wstring(LongOf(hit)));
    }
    return 0;
}

const wchar_t* EventName(DWORD event) {
    switch (event) {
    case EVENT_OBJECT_FOCUS: return L"focus";
    case EVENT_OBJECT_STATECHANGE: return L"state";
    case EVENT_OBJECT_VALUECHANGE: return L"value";
    case EVENT_OBJECT_SHOW: return L"show";
    case EVENT_OBJECT_HIDE: return L"hide";
    case EVENT_OBJECT_REORDER: return L"reorder";
    default: return nullptr;
    }
}

HWND g_watched = nullptr;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
    const wchar_t* name = EventName(event);
    if (!name || window != g_watched || object != OBJID_CLIENT) return;
    std::wstring line = std::wstring(name) + L"\t" + std::to_wstring(child);
    // Hidden children have left the tree: only their id is told.
    win::ComPtr<IAccessible> target;
    VARIANT id;
    ::VariantInit(&id);
    if (event != EVENT_OBJECT_HIDE && child != CHILDID_SELF &&
        SUCCEEDED(::AccessibleObjectFromEvent(window, object, child,
                                              reinterpret_cast<IAccessible**>(target.put_void()), &id)) &&
        target) {
        VARIANT state;
        ::VariantInit(&state);
        target->get_accState(id, &state);
        wchar_t stateText[16];
        std::swprintf(stateText, 16, L"%08lx", static_cast<unsigned long>(LongOf(state)));
        line += L"\t" + Text([&](BSTR* out) { return target->get_accName(id, out); }) + L"\t" +
                Text([&](BSTR* out) { return target->get_accValue(id, out); }) + L"\t" + stateText;
    }
    Print(line);
}

int Watch(HWND window, DWORD seconds) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    g_watched = window;
    HWINEVENTHOOK hook = ::SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_VALUECHANGE, nullptr, OnWinEvent, process,
                                           0, WINEVENT_OUTOFCONTEXT);
    if (!hook) return 3;
    Print(L"watching");
    const DWORD end = ::GetTickCount() + seconds * 1000;
    for (DWORD now = ::GetTickCount(); static_cast<LONG>(end - now) > 0 && ::IsWindow(window);
         now = ::GetTickCount()) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    ::UnhookWinEvent(hook);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    win::ScopedCoInit com;
    HWND window = ::FindWindowW(nullptr, kTitle);
    if (!window) return 2;
    win::ComPtr<IAccessible> client;
    if (FAILED(::AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible, client.put_void())) || !client) {
        return 2;
    }
    if (std::wcscmp(argv[1], L"dump") == 0) return Dump(client.get());
    if (std::wcscmp(argv[1], L"watch") == 0 && argc == 3) return Watch(window, std::wcstoul(argv[2], nullptr, 10));
    if (std::wcscmp(argv[1], L"do") == 0 && argc == 3) {
        const HRESULT hr = client->accDoDefaultAction(uitest::ChildId(std::wcstol(argv[2], nullptr, 10)));
        Print(hr == S_OK ? L"done" : L"refused");
        return hr == S_OK ? 0 : 3;
    }
    return 2;
}
