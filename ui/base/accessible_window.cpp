// CAccessibleWindow: the client area's IAccessible.
#include "ui/base/accessible_window.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "ui/base/control.h"
#include "ui/base/paint_manager.h"

namespace Ulmar {

namespace {

HRESULT PutString(const CUiString& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (text.IsEmpty()) return S_FALSE;
    *out = ::SysAllocString(text.GetData());
    return *out ? S_OK : E_OUTOFMEMORY;
}

void PutLong(VARIANT* out, long value) {
    ::VariantInit(out);
    out->vt = VT_I4;
    out->lVal = value;
}

}  // namespace

CAccessibleWindow* CAccessibleWindow::Create(CPaintManagerUI* manager) {
    if (!manager || !manager->GetPaintWindow()) return nullptr;
    win::ComPtr<IAccessible> standard;
    if (FAILED(::CreateStdAccessibleObject(manager->GetPaintWindow(), OBJID_CLIENT, IID_IAccessible,
                                           standard.put_void()))) {
        return nullptr;
    }
    return new (std::nothrow) CAccessibleWindow(manager, std::move(standard));
}

CAccessibleWindow::CAccessibleWindow(CPaintManagerUI* manager, win::ComPtr<IAccessible> standard)
    : manager_(manager), standard_(std::move(standard)) {}

void CAccessibleWindow::Disconnect() {
    manager_ = nullptr;
    standard_.reset();
}

CAccessibleWindow::Target CAccessibleWindow::Resolve(const VARIANT& child, CControlUI** control) const {
    *control = nullptr;
    if (child.vt != VT_I4) return Target::kInvalid;
    if (child.lVal == CHILDID_SELF) return Target::kSelf;
    // Hidden controls still answer (invisible): a client reads an event's child after the fact.
    *control = manager_->FindAccessibleControl(child.lVal);
    return *control ? Target::kControl : Target::kInvalid;
}

// ---- IUnknown ----

HRESULT CAccessibleWindow::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IAccessible) {
        *out = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    // Child ids are not 1..count: clients (AccessibleChildren) enumerate them.
    if (iid == IID_IEnumVARIANT) {
        *out = static_cast<IEnumVARIANT*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ULONG CAccessibleWindow::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG CAccessibleWindow::Release() {
    const LONG left = ::InterlockedDecrement(&refs_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

// ---- IDispatch ----

HRESULT CAccessibleWindow::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}
HRESULT CAccessibleWindow::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info) *info = nullptr;
    return E_NOTIMPL;
}
HRESULT CAccessibleWindow::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
HRESULT CAccessibleWindow::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
    return E_NOTIMPL;
}

// ---- IAccessible ----

HRESULT CAccessibleWindow::get_accParent(IDispatch** parent) {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!manager_) return RPC_E_DISCONNECTED;
    return standard_->get_accParent(parent);
}

HRESULT CAccessibleWindow::get_accChildCount(long* count) {
    if (!count) return E_POINTER;
    *count = 0;
    if (!manager_) return RPC_E_DISCONNECTED;
    *count = static_cast<long>(manager_->GetAccessibleChildren().size());
    return S_OK;
}

HRESULT CAccessibleWindow::get_accChild(VARIANT child, IDispatch** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!manager_) return RPC_E_DISCONNECTED;
    CControlUI* control = nullptr;
    switch (Resolve(child, &control)) {
    case Target::kControl:
        return S_FALSE;  // a simple element: the caller asks this object about it
    case Target::kSelf:
        AddRef();
        *out = static_cast<IAccessible*>(this);
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

HRESULT CAccessibleWindow::get_accName(VARIANT child, BSTR* name) {
    if (!name) return E_POINTER;
    *name = nullptr;
    if (!manager_) return RPC_E_DISCONNECTED;
    CControlUI* control = nullptr;
    switch (Resolve(child, &control)) {
    case Target::kControl:
        return PutString(control->GetAccessibleInfo().name, name);
    case Target::kSelf:
        return standard_->get_accName(child, name);
    default:
        return E_INVALIDARG;
    }
}

HRESULT CAccessibleWindow::get_accValue(VARIANT child, BSTR* value) {
    if (!value) return E_POINTER;
    *value = nullptr;
    if (!manager_) return RPC_E_DISCONNECTED;
    CControlUI* control = nullptr;
    switch (Resolve(child, &control)) {
    case Target::kControl: {
        const TAccessibleInfo info = control->GetAccessibleInfo();
        if (info.role != ROLE_SYSTEM_PROGRESSBAR && info.role != ROLE_SYSTEM_TEXT) return DISP_E_MEMBERNOTFOUND;
        return PutString(info.value, value);
    }
    case Target::kSelf:
        return standard_->get_accValue(child, value);
    default:
        return E_INVALIDARG;
    }
}

HRESULT CAccessibleWindow::get_accDescription(VARIANT child, BSTR* description) {
    if (!description) return E_POINTER;
    *description = nullptr;
    if (!manager_) return RPC_E_DISCONNECTED;
    CControlUI* control = nullptr;
    const Target target = Resolve(child, &control);
    if (target == Target::kInvalid) return E_INVALIDARG;
    if (target == Target::kSelf) return standard_->get_accDescription(child, description);
    return S_FALSE;
}

HRESULT CAccessibleWindow::get_accRole(VARIANT child, VARIANT* role) {
    if (!role) return E_POINTER;
    ::VariantInit(role);
    if (!manager_) return RPC_E_DISCONNECTED;
    CControlUI* control = nullptr;
    switch (Resolve(child, &control)) {
    case Target::kControl:
        PutLong(role, control->GetAccessibleInfo().role);
        return S_OK;
    case Target::kSelf:
        return standard_->get_accRole(child, role);
    default:
        return E_INVALIDARG;
    }
}

HRESULT CAccessibleWindow::get_accState(VARIANT child, VARIANT* state) {
    if (!state) return E_POINTER;
    ::VariantInit(state);
    if (!manager_) return RPC_E_DISCONNECTED;
    CControlUI* control = nullptr;
    switch (Resolve(child, &control)) {
    case Target::kControl:
        PutLong(state, static_cast<long>(control->GetAccessibleInfo().state));
        return S_OK;
    case Target::kSelf:
        return standard_->get_accState(child, state);
    default:
        return E_INVALIDARG;
    }
}

HRESULT CAccessibleWindow::get_accHelp(VARIANT, BSTR* help) {
    if (help) *help = nullptr;
    return manager_ ? S_FALSE : RPC_E_DISCONNECTED;
}

HRESULT CAccessibleWindow::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
    if (file) *file = nullptr;
    if (topic) *topic = 0;
    return manager_ ? S_FALSE : RPC_E_DISCONNECTED;
}

HRESULT CAccessibleWindow::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
    if (!shortcut) return E_POINTER;
    *shortcut = nullptr;
    if (!manager_) return RPC_E_DISCONNECTED;
    CControlUI* control = nullptr;
    switch (Resolve(child, &control)) {
    case Target::kControl: {
        const wchar_t key = control->GetShortcut();
        if (!key) return S_FALSE;
        const wchar_t text[] = {L'A', L'l', L't', L'+', key, 0};
        return PutString(text, shortcut);
    }
    case Target::kSelf:
        return S_FALSE;
    default:
        return E_INVALIDARG;
    }
}

HRESULT CAccessibleWindow::get_accFocus(VARIANT* focus) {
    if (!focus) return E_POINTER;
    ::VariantInit(focus);
    if (!manager_) return RPC_E_DISCONNECTED;
    if (::GetFocus() != manager_->GetPaintWindow()) return S_FALSE;
    const long id = manager_->GetAccessibleChildId(manager_->GetFocus());
    PutLong(focus, id > 0 ? id : CHILDID_SELF);
    return S_OK;
}

HRESULT CAccessibleWindow::get_accSelection(VARIANT* selection) {
    if (!selection) return E_POINTER;
    ::VariantInit(selection);
    return manager_ ? S_FALSE : RPC_E_DISCONNECTED;
}

HRESULT CAccessibleWindow::get_accDefaultAction(VARIANT child, BSTR* action) {
    if (!action) return E_POINTER;
    *action = nullptr;
    if (!manager_) return RPC_E_DISCONNECTED;
    CControlUI* control = nullptr;
    switch (Resolve(child, &control)) {
    case Target::kControl:
        return PutString(control->GetAccessibleInfo().defaultAction, action);
    case Target::kSelf:
        return S_FALSE;
    default:
        return E_INVALIDARG;
    }
}

HRESULT CAccessibleWindow::accSelect(long flags, VARIANT child) {
    if (!manager_) return RPC_E_DISCONNECTED;
    CControlUI* control = nullptr;
    const Target target = Resolve(child, &control);
    if (target == Target::kInvalid) return E_INVALIDARG;
    if (target == Target::kSelf) return standard_->accSelect(flags, child);
    if (flags != SELFLAG_TAKEFOCUS) return DISP_E_MEMBERNOTFOUND;
    if (!(control->GetControlFlags() & UIFLAG_TABSTOP)) return S_FALSE;
    control->SetFocus();
    return S_OK;
}

HRESULT CAccessibleWindow::accLocation(long* left, long* top, long* width, long* height, VARIANT child) {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    if (!manager_) return RPC_E_DISCONNECTED;
    CControlUI* control = nullptr;
    switch (Resolve(child, &control)) {
    case Target::kControl: {
        const RECT& pos = control->GetPos();
        POINT corner = {pos.left, pos.top};
        ::ClientToScreen(manager_->GetPaintWindow(), &corner);
        *left = corner.x;
        *top = corner.y;
        *width = pos.right - pos.left;
        *height = pos.bottom - pos.top;
        return S_OK;
    }
    case Target::kSelf:
        return standard_->accLocation(left, top, width, height, child);
    default:
        return E_INVALIDARG;
    }
}

HRESULT CAccessibleWindow::accNavigate(long direction, VARIANT start, VARIANT* end) {
    if (!end) return E_POINTER;
    ::VariantInit(end);
    if (!manager_) return RPC_E_DISCONNECTED;
    CControlUI* control = nullptr;
    const Target target = Resolve(start, &control);
    if (target == Target::kInvalid) return E_INVALIDARG;
    const std::vector<CControlUI*> children = manager_->GetAccessibleChildren();
    const CControlUI* to = nullptr;
    if (target == Target::kSelf) {
        if (direction != NAVDIR_FIRSTCHILD && direction != NAVDIR_LASTCHILD) {
            return standard_->accNavigate(direction, start, end);
        }
        if (!children.empty()) to = direction == NAVDIR_FIRSTCHILD ? children.front() : children.back();
    } else if (direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS) {
        const auto at = std::find(children.begin(), children.end(), control);
        if (at == children.end()) return S_FALSE;  // hidden: it has no neighbours
        if (direction == NAVDIR_NEXT && at + 1 != children.end()) to = *(at + 1);
        if (direction == NAVDIR_PREVIOUS && at != children.begin()) to = *(at - 1);
    } else if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
        return E_INVALIDARG;  // a simple element has no children
    } else {
        return S_FALSE;  // spatial directions are left to the client
    }
    if (!to) return S_FALSE;
    PutLong(end, to->GetAccessibleId());
    return S_OK;
}

HRESULT CAccessibleWindow::accHitTest(long x, long y, VARIANT* child) {
    if (!child) return E_POINTER;
    ::VariantInit(child);
    if (!manager_) return RPC_E_DISCONNECTED;
    POINT pt = {x, y};
    ::ScreenToClient(manager_->GetPaintWindow(), &pt);
    RECT client = {0, 0, 0, 0};
    ::GetClientRect(manager_->GetPaintWindow(), &client);
    if (!::PtInRect(&client, pt)) return S_FALSE;
    // The control under the point, or the nearest of its parents that is shown.
    for (CControlUI* control = manager_->FindControl(pt); control; control = control->GetParent()) {
        if (const long id = manager_->GetAccessibleChildId(control)) {
            PutLong(child, id);
            return S_OK;
        }
    }
    PutLong(child, CHILDID_SELF);
    return S_OK;
}

HRESULT CAccessibleWindow::accDoDefaultAction(VARIANT child) {
    if (!manager_) return RPC_E_DISCONNECTED;
    CControlUI* control = nullptr;
    const Target target = Resolve(child, &control);
    if (target == Target::kInvalid) return E_INVALIDARG;
    if (target == Target::kSelf) return DISP_E_MEMBERNOTFOUND;
    const TAccessibleInfo info = control->GetAccessibleInfo();
    if (info.defaultAction.IsEmpty() || (info.state & STATE_SYSTEM_UNAVAILABLE)) return DISP_E_MEMBERNOTFOUND;
    manager_->PostAccessibleAction(control);
    return S_OK;
}

// ---- IEnumVARIANT: the shown children's ids, as they were when the walk began ----

void CAccessibleWindow::StartWalkIfAtStart() {
    if (walkAt_ != 0 || !manager_) return;
    walk_.clear();
    for (const CControlUI* control : manager_->GetAccessibleChildren()) walk_.push_back(control->GetAccessibleId());
}

HRESULT CAccessibleWindow::Next(ULONG count, VARIANT* out, ULONG* fetched) {
    if (fetched) *fetched = 0;
    if (!out) return E_POINTER;
    if (!manager_) return RPC_E_DISCONNECTED;
    StartWalkIfAtStart();
    ULONG n = 0;
    for (; n < count && walkAt_ < walk_.size(); ++n, ++walkAt_) PutLong(&out[n], walk_[walkAt_]);
    for (ULONG i = n; i < count; ++i) ::VariantInit(&out[i]);
    if (fetched) *fetched = n;
    return n == count ? S_OK : S_FALSE;
}

HRESULT CAccessibleWindow::Skip(ULONG count) {
    if (!manager_) return RPC_E_DISCONNECTED;
    StartWalkIfAtStart();
    const size_t left = walk_.size() - walkAt_;
    walkAt_ += count < left ? count : left;
    return count <= left ? S_OK : S_FALSE;
}

HRESULT CAccessibleWindow::Reset() {
    if (!manager_) return RPC_E_DISCONNECTED;
    walkAt_ = 0;
    return S_OK;
}

// One cursor per object: a second walk at once has no use here.
HRESULT CAccessibleWindow::Clone(IEnumVARIANT** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT CAccessibleWindow::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }
HRESULT CAccessibleWindow::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }

}  // namespace Ulmar
