#pragma once
// CAccessibleWindow: the IAccessible a paint manager hands out for its window's
// client area (WM_GETOBJECT, OBJID_CLIENT). Its children are simple elements,
// one per control the manager shows to assistive technology, in tab order, each
// known by its control's lasting id (so not 1..count: the object enumerates
// them through IEnumVARIANT); the window itself (CHILDID_SELF) is answered by
// the system's standard client object, which is also the way to the parent.
#include <windows.h>
#include <oleacc.h>

#include <vector>

#include "win/com.h"

namespace Ulmar {

class CControlUI;
class CPaintManagerUI;

class CAccessibleWindow final : public IAccessible, public IEnumVARIANT {
public:
    // Returns an object with one reference the caller owns, or null.
    static CAccessibleWindow* Create(CPaintManagerUI* manager);
    // The manager is going: every later call answers RPC_E_DISCONNECTED.
    void Disconnect();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch (no type information: clients call IAccessible directly)
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                          VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;
    // IEnumVARIANT
    HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override;
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
    HRESULT STDMETHODCALLTYPE Reset() override;
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** out) override;

private:
    CAccessibleWindow(CPaintManagerUI* manager, win::ComPtr<IAccessible> standard);
    ~CAccessibleWindow() = default;

    // What a VARIANT child id names: the window itself, one of its controls, or nothing valid.
    enum class Target { kSelf, kControl, kInvalid };
    Target Resolve(const VARIANT& child, CControlUI** control) const;

    // Takes the list of ids a walk reads when the cursor is at its start.
    void StartWalkIfAtStart();

    LONG refs_ = 1;
    std::vector<long> walk_;  // the enumeration's ids
    size_t walkAt_ = 0;
    CPaintManagerUI* manager_;              // borrowed; null once the manager went
    win::ComPtr<IAccessible> standard_;     // the system's object for the client area
};

}  // namespace Ulmar
