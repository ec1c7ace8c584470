// CPaintManagerUI: construction, binding to a window and a control tree,
// listeners, notifications, timers, focus and the window settings.
#include "ui/base/paint_manager.h"

#include <algorithm>

#include "ui/base/accessible_window.h"
#include "ui/base/control.h"
#include "ui/base/image.h"
#include "ui/base/paint_manager_shared.h"

namespace Ulmar {

namespace {

template <typename T>
bool AddUnique(std::vector<T>& list, T item) {
    if (!item || std::find(list.begin(), list.end(), item) != list.end()) return false;
    list.push_back(item);
    return true;
}

template <typename T>
bool RemoveItem(std::vector<T>& list, T item) {
    const auto it = std::find(list.begin(), list.end(), item);
    if (it == list.end()) return false;
    list.erase(it);
    return true;
}

}  // namespace

CPaintManagerUI::SharedTables& CPaintManagerUI::Shared() {
    static SharedTables tables;
    return tables;
}

// The layered-window functions, looked up once in the already loaded user32.
void CPaintManagerUI::ResolveLayered() {
    SharedTables& shared = Shared();
    if (shared.layeredResolved) return;
    shared.layeredResolved = true;
    // user32 is loaded in every GUI process; never load it again by name.
    if (HMODULE user32 = ::GetModuleHandleW(L"user32.dll")) {
        shared.updateLayeredWindow = reinterpret_cast<UpdateLayeredWindowFn>(
            reinterpret_cast<void*>(::GetProcAddress(user32, "UpdateLayeredWindow")));
        shared.setLayeredWindowAttributes = reinterpret_cast<SetLayeredWindowAttributesFn>(
            reinterpret_cast<void*>(::GetProcAddress(user32, "SetLayeredWindowAttributes")));
    }
}

CPaintManagerUI::CPaintManagerUI()
    : gdiplus_(std::make_unique<win::ScopedGdiplus>()),
      alive_(std::make_shared<bool>(true)),
      own_(std::make_unique<ResourceTable>()) {
    SharedTables& shared = Shared();
    if (!shared.initialised) {
        shared.initialised = true;
        LOGFONTW lf = {};
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
        lf.lfCharSet = DEFAULT_CHARSET;
        auto font = std::make_unique<TFontInfo>();
        font->font.reset(::CreateFontIndirectW(&lf));
        font->faceName = lf.lfFaceName;
        // Sizes are 96-DPI pixels; the stock font's height is the system DPI's.
        font->size = ::MulDiv(lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight, 96, static_cast<int>(WindowDpi(nullptr)));
        font->bold = lf.lfWeight >= FW_BOLD;
        font->underline = lf.lfUnderline != 0;
        font->italic = lf.lfItalic != 0;
        font->strikeout = lf.lfStrikeOut != 0;
        shared.resources.defaultFont = std::move(font);
        shared.resources.colors = DefaultColors{};
        shared.updateRectPen.reset(::CreatePen(PS_SOLID, 1, RGB(220, 0, 0)));
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&icc);
        ResolveLayered();
    }
    own_->colors = shared.resources.colors;
    nameMap_.reserve(83);
    windowAttributes_.reserve(83);
}

CPaintManagerUI::~CPaintManagerUI() {
    *alive_ = false;
    // Clients may hold the accessible object longer: from now on it answers that the window went.
    if (accessible_) {
        accessible_->Disconnect();
        accessible_.reset();
    }
    // Controls awaiting cleanup and the tree go first: their destructors call back
    // into ReapObjects, which needs the lists intact.
    std::vector<std::unique_ptr<CControlUI>> cleanup;
    cleanup.swap(delayedCleanup_);
    cleanup.clear();
    std::unique_ptr<CControlUI> root = std::move(root_);  // root_ reads null while the tree goes
    root.reset();
    asyncNotify_.clear();
    RemoveAllTimers();
    shadow_.reset();
    drawInfos_.clear();
    own_->images.clear();
    own_->fonts.clear();
    own_->defaultFont.reset();
    memoryFonts_.clear();
    tooltip_.reset();
    surfaces_.reset();
    paintDc_.reset();
    RemoveFromPaintManagers();
}

void CPaintManagerUI::RemoveFromPaintManagers() {
    RemoveItem(Shared().managers, this);
}

// ---- binding ----

void CPaintManagerUI::Init(HWND window, const wchar_t* name) {
    nameMap_.clear();
    own_->ClearLoaded();
    own_->defaultFont.reset();
    drawInfos_.clear();
    RemoveAllWindowCustomAttribute();
    RemoveAllOptionGroups();
    RemoveAllTimers();
    name_ = name;
    if (window_ != window) {
        window_ = window;
        paintDc_ = win::GetWindowDc(window);
        surfaces_.reset();
        AddUnique(Shared().managers, this);
    }
    // Before the skin is built: its sizes, fonts and pictures follow the scale.
    if (window) GetDPIObj()->SetScale(WindowDpi(window));
}

HDC CPaintManagerUI::GetPaintDC() const { return paintDc_.get().dc; }

SIZE CPaintManagerUI::GetClientSize() const {
    RECT client = {0, 0, 0, 0};
    if (window_) ::GetClientRect(window_, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

namespace {
CControlUI* RegisterName(CControlUI* control, void* data) {
    auto* map = static_cast<std::unordered_map<std::wstring, CControlUI*>*>(data);
    const CUiString name = control->GetName();
    if (!name.IsEmpty()) (*map)[name.str()] = control;  // a later control replaces an earlier
    return nullptr;
}
}  // namespace

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
    if (!root) return false;
    if (shadow_) shadow_->Create(this);
    SetFocus(nullptr);
    keyDown_ = hover_ = clicked_ = rclicked_ = nullptr;
    if (root_) {
        AddDelayedCleanup(root_.get());  // takes it over
        root_.release();
    }
    root_.reset(root);
    updateNeeded_ = true;
    firstLayout_ = true;
    focusNeeded_ = true;
    return InitControls(root, nullptr);
}

bool CPaintManagerUI::InitControls(CControlUI* control, CControlUI* parent) {
    if (!control) return false;
    control->SetManager(this, parent ? parent : control->GetParent(), true);
    control->FindControl(RegisterName, &nameMap_, UIFIND_ALL);
    return true;
}

void CPaintManagerUI::ReapObjects(CControlUI* control) {
    if (!control) return;
    if (control == keyDown_) keyDown_ = nullptr;
    if (control == hover_) hover_ = nullptr;
    if (control == clicked_) clicked_ = nullptr;
    if (control == rclicked_) rclicked_ = nullptr;
    if (control == focus_) focus_ = nullptr;
    KillTimer(control);
    const CUiString name = control->GetName();
    if (!name.IsEmpty()) {
        const auto it = nameMap_.find(name.str());
        if (it != nameMap_.end() && it->second == control) nameMap_.erase(it);
    }
    for (TNotifyEvent& queued : asyncNotify_) {
        if (queued.sender == control) queued.sender = nullptr;
    }
    // Lists that hold borrowed pointers must not keep a dead control.
    postPaint_.Remove(control);
    mouseLeaveNeeded_.Remove(control);
    nativeWindows_.erase(std::remove_if(nativeWindows_.begin(), nativeWindows_.end(),
                                        [control](const NativeWindow& w) { return w.control == control; }),
                         nativeWindows_.end());
    for (auto& group : optionGroups_) RemoveItem(group.second, control);
}

void CPaintManagerUI::AddDelayedCleanup(CControlUI* control) {
    if (!control) return;
    control->SetManager(this, nullptr, false);
    delayedCleanup_.emplace_back(control);
    if (!asyncPosted_ && window_) {
        asyncPosted_ = ::PostMessageW(window_, WM_UI_DRAIN, 0, 0) != FALSE;
    }
}

// ---- invalidation ----

void CPaintManagerUI::Invalidate() {
    if (!window_) return;
    RECT client = {0, 0, 0, 0};
    ::GetClientRect(window_, &client);
    ::UnionRect(&layeredUpdate_, &layeredUpdate_, &client);
    ::InvalidateRect(window_, nullptr, FALSE);
}

void CPaintManagerUI::Invalidate(RECT rc) {
    if (rc.left < 0) rc.left = 0;
    if (rc.top < 0) rc.top = 0;
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    ::UnionRect(&layeredUpdate_, &layeredUpdate_, &rc);
    if (window_) ::InvalidateRect(window_, &rc, FALSE);
}

// ---- listeners ----

bool CPaintManagerUI::AddNotifier(INotifyUI* notifier) { return notifiers_.Add(notifier); }
bool CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) { return notifiers_.Remove(notifier); }
bool CPaintManagerUI::AddPreMessageFilter(IMessageFilterUI* filter) { return preFilters_.Add(filter); }
bool CPaintManagerUI::RemovePreMessageFilter(IMessageFilterUI* filter) { return preFilters_.Remove(filter); }
bool CPaintManagerUI::AddMessageFilter(IMessageFilterUI* filter) { return filters_.Add(filter); }
bool CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) { return filters_.Remove(filter); }
bool CPaintManagerUI::AddTranslateAccelerator(ITranslateAccelerator* accelerator) {
    return accelerators_.Add(accelerator);
}
bool CPaintManagerUI::RemoveTranslateAccelerator(ITranslateAccelerator* accelerator) {
    return accelerators_.Remove(accelerator);
}
bool CPaintManagerUI::AddPostPaint(CControlUI* control) { return postPaint_.Add(control); }
bool CPaintManagerUI::RemovePostPaint(CControlUI* control) { return postPaint_.Remove(control); }
bool CPaintManagerUI::AddMouseLeaveNeeded(CControlUI* control) { return mouseLeaveNeeded_.Add(control); }
bool CPaintManagerUI::RemoveMouseLeaveNeeded(CControlUI* control) { return mouseLeaveNeeded_.Remove(control); }

bool CPaintManagerUI::AddNativeWindow(CControlUI* control, HWND window) {
    if (!control || !window) return false;
    for (const NativeWindow& w : nativeWindows_) {
        if (w.window == window) return false;
    }
    nativeWindows_.push_back(NativeWindow{control, window});
    return true;
}

bool CPaintManagerUI::RemoveNativeWindow(HWND window) {
    const auto it = std::find_if(nativeWindows_.begin(), nativeWindows_.end(),
                                 [window](const NativeWindow& w) { return w.window == window; });
    if (it == nativeWindows_.end()) return false;
    nativeWindows_.erase(it);
    return true;
}

// True when an accelerator took the message, or closed the window meanwhile.
bool CPaintManagerUI::TranslateAccelerator(MSG* msg) {
    const DispatchEnd end = accelerators_.Dispatch(
        alive_, [msg](ITranslateAccelerator* accelerator) { return accelerator->TranslateAccelerator(msg) == 0; });
    return end != DispatchEnd::kAll;
}

// ---- notifications ----

void CPaintManagerUI::SendNotify(CControlUI* control, const wchar_t* type, WPARAM wParam,
                                 LPARAM lParam, bool async) {
    TNotifyEvent msg;
    msg.sender = control;
    msg.type = type;
    msg.wParam = wParam;
    msg.lParam = lParam;
    SendNotify(msg, async);
}

void CPaintManagerUI::SendNotify(TNotifyEvent& msg, bool async) {
    msg.mouse = lastMouse_;
    msg.timestamp = ::GetTickCount();
    if (useVirtualWnd_ && msg.sender) msg.virtualWnd = msg.sender->GetVirtualWnd();

    if (async) {
        asyncNotify_.push_back(msg);
        if (!asyncPosted_ && window_) {
            asyncPosted_ = ::PostMessageW(window_, WM_UI_DRAIN, 0, 0) != FALSE;
        }
        return;
    }
    DeliverNotify(msg);
}

// Hands one notification to its sender's delegates and to every notifier. A
// listener may close the window and so destroy this manager, or remove other
// listeners: the walk runs on a copy and stops once the manager is gone.
bool CPaintManagerUI::DeliverNotify(TNotifyEvent& msg) {
    const std::weak_ptr<bool> alive = alive_;
    if (msg.sender && msg.sender->OnNotify) {
        msg.sender->OnNotify(&msg);
        if (alive.expired()) return false;
    }
    const DispatchEnd end = notifiers_.Dispatch(alive, [&msg](INotifyUI* notifier) {
        notifier->Notify(msg);
        return false;
    });
    return end != DispatchEnd::kOwnerGone;
}

void CPaintManagerUI::DrainQueue() {
    std::vector<std::unique_ptr<CControlUI>> cleanup;
    cleanup.swap(delayedCleanup_);
    cleanup.clear();
    asyncPosted_ = false;
    while (!asyncNotify_.empty()) {
        TNotifyEvent msg = std::move(asyncNotify_.front());
        asyncNotify_.pop_front();
        if (!DeliverNotify(msg)) return;
    }
}

// ---- timers ----

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT timerId, UINT elapse) {
    if (!control || !window_) return false;
    for (TimerInfo& timer : timers_) {
        if (timer.sender == control && timer.window == window_ && timer.localId == timerId) {
            if (!timer.killed) return false;
            if (!::SetTimer(window_, timer.nativeId, elapse, nullptr)) return false;
            timer.killed = false;
            return true;
        }
    }
    // Native ids cycle through 240 values. Id 0 cannot be told from a failure,
    // and an id still held by another record would merge two timers: skip both.
    UINT nativeId = 0;
    for (int tries = 0; tries < 240; ++tries) {
        timerCounter_ = (timerCounter_ + 1) % 240;
        const UINT candidate = timerCounter_;
        const bool taken = candidate == 0 ||
                           std::any_of(timers_.begin(), timers_.end(), [&](const TimerInfo& t) {
                               return t.window == window_ && t.nativeId == candidate;
                           });
        if (!taken) {
            nativeId = candidate;
            break;
        }
    }
    if (nativeId == 0) return false;
    if (!::SetTimer(window_, nativeId, elapse, nullptr)) return false;
    timers_.push_back(TimerInfo{control, timerId, window_, nativeId, false});
    return true;
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT timerId) {
    for (TimerInfo& timer : timers_) {
        if (timer.sender == control && timer.window == window_ && timer.localId == timerId) {
            if (timer.killed) return false;
            if (::IsWindow(timer.window)) ::KillTimer(timer.window, timer.nativeId);
            timer.killed = true;
            return true;
        }
    }
    return false;
}

void CPaintManagerUI::KillTimer(CControlUI* control) {
    auto it = timers_.begin();
    while (it != timers_.end()) {
        if (it->sender == control && it->window == window_) {
            if (!it->killed && ::IsWindow(it->window)) ::KillTimer(it->window, it->nativeId);
            it = timers_.erase(it);
        } else {
            ++it;
        }
    }
}

void CPaintManagerUI::RemoveAllTimers() {
    for (const TimerInfo& timer : timers_) {
        if (!timer.killed && ::IsWindow(timer.window)) ::KillTimer(timer.window, timer.nativeId);
    }
    timers_.clear();
}

// ---- capture ----

void CPaintManagerUI::SetCapture() {
    if (!window_) return;
    ::SetCapture(window_);
    mouseCapture_ = true;
}

void CPaintManagerUI::ReleaseCapture() {
    ::ReleaseCapture();
    mouseCapture_ = false;
}

// ---- focus ----

void CPaintManagerUI::SetFocus(CControlUI* control) {
    // A "noactivate" window never takes the keyboard focus by itself.
    if (window_ && !noActivate_ && ::GetFocus() != window_ && control != focus_) ::SetFocus(window_);
    if (control == focus_) return;
    const std::weak_ptr<bool> alive = alive_;
    InvalidateFocusMark(focus_);
    InvalidateFocusMark(control);
    if (focus_) {
        CControlUI* previous = focus_;
        focus_ = nullptr;
        TControlEvent event = MakeEvent(UIEVENT_KILLFOCUS, control, lastMouse_);
        previous->DispatchEvent(event);
        if (alive.expired()) return;
        SendNotify(previous, NotifyType::kKillFocus);
        if (alive.expired()) return;
    }
    if (!control || control->GetManager() != this || !control->IsVisible() || !control->IsEnabled()) {
        return;
    }
    focus_ = control;
    TControlEvent event = MakeEvent(UIEVENT_SETFOCUS, control, lastMouse_);
    control->DispatchEvent(event);
    if (alive.expired()) return;
    if (focus_ == control) NotifyAccessible(EVENT_OBJECT_FOCUS, control);
    SendNotify(control, NotifyType::kSetFocus);
}

namespace {
struct TabWalk {
    std::vector<CControlUI*> order;  // visible, enabled controls, each before its children
};
CControlUI* CollectTabOrder(CControlUI* control, void* data) {
    static_cast<TabWalk*>(data)->order.push_back(control);
    return nullptr;
}
bool IsTabStop(CControlUI* control) { return (control->GetControlFlags() & UIFLAG_TABSTOP) != 0; }
}  // namespace

void CPaintManagerUI::ShowFocusMark(bool show) {
    if (focusMarkShown_ == show) return;
    if (!show) InvalidateFocusMark(focus_);
    focusMarkShown_ = show;
    InvalidateFocusMark(focus_);
}

bool CPaintManagerUI::SetNextTabControl(bool forward) {
    if (updateNeeded_ && forward) {
        focusNeeded_ = true;
        Invalidate();
        return true;
    }
    focusNeeded_ = false;
    if (!root_) return false;
    TabWalk walk;
    root_->FindControl(CollectTabOrder, &walk, UIFIND_VISIBLE | UIFIND_ENABLED | UIFIND_ME_FIRST);
    const auto& order = walk.order;
    const auto current = std::find(order.begin(), order.end(), focus_);
    CControlUI* next = nullptr;
    if (forward) {
        auto start = current == order.end() ? order.begin() : current + 1;
        auto it = std::find_if(start, order.end(), IsTabStop);
        if (it == order.end()) it = std::find_if(order.begin(), order.end(), IsTabStop);
        if (it != order.end()) next = *it;
    } else {
        auto end = current == order.end() ? order.end() : current;
        auto it = std::find_if(std::make_reverse_iterator(end), order.rend(), IsTabStop);
        if (it == order.rend()) it = std::find_if(order.rbegin(), order.rend(), IsTabStop);
        if (it != order.rend()) next = *it;
    }
    if (next) SetFocus(next);
    return true;
}

// ---- option groups ----

bool CPaintManagerUI::AddOptionGroup(const wchar_t* group, CControlUI* control) {
    if (!group || !control) return false;
    return AddUnique(optionGroups_[group], control);
}

const std::vector<CControlUI*>* CPaintManagerUI::GetOptionGroup(const wchar_t* group) {
    if (!group) return nullptr;
    const auto it = optionGroups_.find(group);
    return it == optionGroups_.end() ? nullptr : &it->second;
}

void CPaintManagerUI::RemoveOptionGroup(const wchar_t* group, CControlUI* control) {
    if (!group) return;
    const auto it = optionGroups_.find(group);
    if (it == optionGroups_.end()) return;
    RemoveItem(it->second, control);
    if (it->second.empty()) optionGroups_.erase(it);
}

void CPaintManagerUI::RemoveAllOptionGroups() { optionGroups_.clear(); }

// ---- window custom attributes ----

void CPaintManagerUI::AddWindowCustomAttribute(const wchar_t* name, const wchar_t* value) {
    if (!name || !*name || !value) return;
    windowAttributes_.emplace(name, value);
}

const wchar_t* CPaintManagerUI::GetWindowCustomAttribute(const wchar_t* name) const {
    if (!name) return nullptr;
    const auto it = windowAttributes_.find(name);
    return it == windowAttributes_.end() ? nullptr : it->second.c_str();
}

void CPaintManagerUI::RemoveAllWindowCustomAttribute() {
    windowAttributes_.clear();
    windowAttributes_.reserve(83);
}

// ---- finding controls ----

namespace {
CControlUI* HitTestProc(CControlUI* control, void* data) {
    const POINT* pt = static_cast<const POINT*>(data);
    const RECT& rc = control->GetPos();
    return ::PtInRect(&rc, *pt) ? control : nullptr;
}
struct NameQuery {
    const wchar_t* name;
};
CControlUI* NameProc(CControlUI* control, void* data) {
    const auto* query = static_cast<const NameQuery*>(data);
    return control->GetName() == query->name ? control : nullptr;
}
}  // namespace

CControlUI* CPaintManagerUI::FindControl(POINT pt) const {
    if (!root_) return nullptr;
    return root_->FindControl(HitTestProc, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindControl(const wchar_t* name) const {
    if (!name) return nullptr;
    const auto it = nameMap_.find(name);
    return it == nameMap_.end() ? nullptr : it->second;
}

CControlUI* CPaintManagerUI::FindSubControlByPoint(CControlUI* parent, POINT pt) const {
    if (!parent) parent = root_.get();
    if (!parent) return nullptr;
    return parent->FindControl(HitTestProc, &pt, UIFIND_VISIBLE | UIFIND_HITTEST | UIFIND_TOP_FIRST);
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* parent, const wchar_t* name) const {
    if (!parent) parent = root_.get();
    if (!parent || !name) return nullptr;
    NameQuery query{name};
    return parent->FindControl(NameProc, &query, UIFIND_ALL);
}

CControlUI* CPaintManagerUI::ControlAt(POINT pt) const {
    CControlUI* control = FindControl(pt);
    if (control && control->GetManager() != this) return nullptr;
    return control;
}

void CPaintManagerUI::SetShadow(std::unique_ptr<IWindowShadow> shadow) { shadow_ = std::move(shadow); }

// ---- window settings ----

SIZE CPaintManagerUI::GetInitSize() { return initSize_; }

void CPaintManagerUI::SetInitSize(int cx, int cy) {
    initSize_ = SIZE{cx, cy};
    if (!root_ && window_) {
        ::SetWindowPos(window_, nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }
}

RECT CPaintManagerUI::GetSizeBox() { return GetDPIObj()->Scale(sizeBox_); }
void CPaintManagerUI::SetSizeBox(RECT rc) { sizeBox_ = rc; }
RECT CPaintManagerUI::GetCaptionRect() { return GetDPIObj()->Scale(caption_); }
void CPaintManagerUI::SetCaptionRect(RECT rc) { caption_ = rc; }
SIZE CPaintManagerUI::GetRoundCorner() { return GetDPIObj()->Scale(roundCorner_); }
void CPaintManagerUI::SetRoundCorner(int cx, int cy) { roundCorner_ = SIZE{cx, cy}; }
SIZE CPaintManagerUI::GetMinInfo() { return GetDPIObj()->Scale(minWindow_); }
void CPaintManagerUI::SetMinInfo(int cx, int cy) { minWindow_ = SIZE{cx, cy}; }
SIZE CPaintManagerUI::GetMaxInfo() { return GetDPIObj()->Scale(maxWindow_); }
void CPaintManagerUI::SetMaxInfo(int cx, int cy) { maxWindow_ = SIZE{cx, cy}; }

void CPaintManagerUI::SetOpacity(BYTE opacity) {
    opacity_ = opacity;
    ResolveLayered();
    auto setAttributes = Shared().setLayeredWindowAttributes;
    if (!window_ || !setAttributes) return;
    const LONG_PTR exStyle = ::GetWindowLongPtrW(window_, GWL_EXSTYLE);
    if (!(exStyle & WS_EX_LAYERED)) ::SetWindowLongPtrW(window_, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    setAttributes(window_, 0, opacity, LWA_ALPHA);
}

void CPaintManagerUI::SetLayeredOpacity(BYTE opacity) {
    opacity_ = opacity;
    layeredChanged_ = true;
    Invalidate();
}

void CPaintManagerUI::SetLayered(bool layered) {
    if (!window_ || layered_ == layered) return;
    if (::GetWindowLongPtrW(window_, GWL_STYLE) & WS_CHILD) return;
    ResolveLayered();
    if (!Shared().updateLayeredWindow) return;
    layered_ = layered;
    if (!layered) {
        // Back to ordinary painting: a window left layered without
        // UpdateLayeredWindow would show nothing.
        const LONG_PTR exStyle = ::GetWindowLongPtrW(window_, GWL_EXSTYLE);
        ::SetWindowLongPtrW(window_, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
        if (opacity_ != 255) SetOpacity(opacity_);
    }
    if (root_) root_->NeedUpdate();
    Invalidate();
}

void CPaintManagerUI::SetLayeredInset(RECT rc) {
    layeredInset_ = rc;
    layeredChanged_ = true;
    Invalidate();
}

void CPaintManagerUI::SetLayeredImage(const wchar_t* image) {
    layeredImage_ = image;
    if (CImageDrawInfo* info = GetDrawInfo(layeredImage_, nullptr)) {
        GetImageEx(info->sImageName, info->sResType.IsEmpty() ? nullptr : info->sResType.GetData(),
                   info->dwMask, info->bHSL, info->bGdiplus);
    }
    layeredChanged_ = true;
    Invalidate();
}

// ---- DPI ----

CDPI* CPaintManagerUI::GetDPIObj() {
    if (!dpi_) dpi_ = std::make_unique<CDPI>();
    return dpi_.get();
}

int CPaintManagerUI::GetDPIScale() { return GetDPIObj()->GetScale(); }

UINT CPaintManagerUI::WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && window) {
        if (const UINT dpi = getDpiForWindow(window)) return dpi;
    }
    const win::UniqueWindowDc screen = win::GetWindowDc(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen.get().dc, LOGPIXELSY) : 96;
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

void CPaintManagerUI::SetDPI(UINT dpi) {
    if (dpi == 0 || dpi == GetDPIObj()->GetDPI()) return;
    GetDPIObj()->SetScale(dpi);
    auto remake = [this](std::unique_ptr<TFontInfo>& slot, const TFontInfo& old, bool boldAddsWeight) {
        if (auto font = MakeFont(old.faceName, old.size, old.bold, old.underline, old.italic, old.strikeout,
                                 boldAddsWeight)) {
            slot = std::move(font);
        }
    };
    for (auto& entry : own_->fonts) remake(entry.second, *entry.second, false);
    if (own_->defaultFont) remake(own_->defaultFont, *own_->defaultFont, true);
    // Fonts shared with other windows stay at the scale they were made for: this window
    // takes copies at its own.
    const ResourceTable& shared = Shared().resources;
    for (const auto& entry : shared.fonts) {
        std::unique_ptr<TFontInfo>& slot = own_->fonts[entry.first];
        if (!slot) remake(slot, *entry.second, false);
        if (!slot) own_->fonts.erase(entry.first);
    }
    if ((!own_->defaultFont || own_->defaultFont->faceName.IsEmpty()) && shared.defaultFont) {
        remake(own_->defaultFont, *shared.defaultFont, true);
    }
    drawInfos_.clear();
    own_->images.clear();
    if (root_) root_->NeedUpdate();
    Invalidate();
}

}  // namespace Ulmar
