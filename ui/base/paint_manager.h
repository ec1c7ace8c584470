#pragma once
// CPaintManagerUI: the bridge between one native top-level window and the tree
// of drawn controls inside it. It turns the window's messages into control
// events, lays out and paints the tree (double buffered, or into a layered
// window), keeps the window's fonts, images, default attribute lists and styles
// beside the process-wide shared ones, delivers notifications synchronously or
// through a posted queue, and runs the process's message loop.
#include <windows.h>
#include <commctrl.h>

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/base/dpi.h"
#include "ui/base/events.h"
#include "ui/base/listener_list.h"
#include "ui/base/owners.h"
#include "ui/base/ui_string.h"
#include "win/com.h"
#include "win/gdi.h"

namespace Ulmar {

class CAccessibleWindow;
class CControlUI;
class CImageData;
class CImageDrawInfo;
class CSkinArchive;

// One font of a manager's table (or the default font).
struct TFontInfo {
    win::UniqueFont font;
    CUiString faceName;
    int size = 0;
    bool bold = false;
    bool underline = false;
    bool italic = false;
    bool strikeout = false;
    TEXTMETRICW metrics = {};
    bool measured = false;  // metrics taken on a DC
};

// Hook for the window shadow: the manager creates it in AttachDialog and moves
// it after each layout. The shadow control implements it.
class IWindowShadow {
public:
    virtual ~IWindowShadow() = default;
    virtual void Create(CPaintManagerUI* manager) = 0;
    virtual void Update(HWND window) = 0;
};

// Posted to drain the asynchronous notification queue and the delayed cleanup.
constexpr UINT WM_UI_DRAIN = WM_APP + 1;
// Posted by an accessible client's default action: the control acts once the call has returned.
constexpr UINT WM_UI_ACCESSIBLE_ACTION = WM_APP + 2;
// Native timer ids are taken from this counter, modulo 240.
constexpr UINT kFirstTimerCounter = 4096;

class CPaintManagerUI {
public:
    CPaintManagerUI();
    ~CPaintManagerUI();
    CPaintManagerUI(const CPaintManagerUI&) = delete;
    CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

    // ---- process-wide resource location (forwards to ResourceLocation) ----
    static void SetInstance(HINSTANCE instance);
    static HINSTANCE GetInstance();
    static std::wstring GetInstancePath();
    static void SetResourceInstance(HINSTANCE instance);
    static HINSTANCE GetResourceDll();
    static void SetResourcePath(const wchar_t* path);
    static const std::wstring& GetResourcePath();
    static void SetResourceZip(const wchar_t* name, bool cached = true, const wchar_t* password = nullptr);
    static void SetResourceZip(const void* bytes, size_t size, const wchar_t* password = nullptr);
    static const std::wstring& GetResourceZip();
    static bool IsCachedResourceZip();
    static CSkinArchive* GetResourceZipHandle();
    static void SetResourceType(int type);
    static int GetResourceType();

    // Global colour adjustment of images with HSL use on.
    static void SetHSL(bool use, short hue = 180, short saturation = 100, short lightness = 100);
    static bool IsUseHSL();
    static void GetHSL(short* hue, short* saturation, short* lightness);

    // Runs GetMessageW until WM_QUIT; each message goes to TranslateMessage first.
    static void MessageLoop();
    // Offers a message to the paint managers of its window (and parents); true = consumed.
    static bool TranslateMessage(const MSG* msg);
    // Frees the shared tables (fonts, images, default lists, styles) and the resource location.
    static void Term();

    // ---- binding ----
    void Init(HWND window, const wchar_t* name = nullptr);
    bool AttachDialog(CControlUI* root);          // takes ownership of the tree
    bool InitControls(CControlUI* control, CControlUI* parent = nullptr);
    void ReapObjects(CControlUI* control);
    void AddDelayedCleanup(CControlUI* control);  // takes ownership; deleted on the next drain

    const CUiString& GetName() const { return name_; }
    HWND GetPaintWindow() const { return window_; }
    HDC GetPaintDC() const;
    HWND GetTooltipWindow() const { return tooltip_.get(); }
    CControlUI* GetRoot() const { return root_.get(); }
    POINT GetMousePos() const { return lastMouse_; }
    SIZE GetClientSize() const;
    bool IsPainting() const { return painting_; }

    void Invalidate();
    void Invalidate(RECT rc);
    void NeedUpdate() { updateNeeded_ = true; }
    bool IsUpdateNeeded() const { return updateNeeded_; }

    // ---- window settings (the skin builder's) ----
    SIZE GetInitSize();
    void SetInitSize(int cx, int cy);
    RECT GetSizeBox();
    void SetSizeBox(RECT rc);
    RECT GetCaptionRect();
    void SetCaptionRect(RECT rc);
    SIZE GetRoundCorner();
    void SetRoundCorner(int cx, int cy);
    SIZE GetMinInfo();
    void SetMinInfo(int cx, int cy);
    SIZE GetMaxInfo();
    void SetMaxInfo(int cx, int cy);
    bool IsShowUpdateRect() const { return showUpdateRect_; }
    void SetShowUpdateRect(bool show) { showUpdateRect_ = show; }
    bool IsNoActivate() const { return noActivate_; }
    void SetNoActivate(bool noActivate) { noActivate_ = noActivate; }
    BYTE GetOpacity() const { return opacity_; }
    void SetOpacity(BYTE opacity);
    void SetLayeredOpacity(BYTE opacity);
    bool IsLayered() const { return layered_; }
    void SetLayered(bool layered);
    RECT GetLayeredInset() const { return layeredInset_; }
    void SetLayeredInset(RECT rc);
    const CUiString& GetLayeredImage() const { return layeredImage_; }
    void SetLayeredImage(const wchar_t* image);
    DWORD GetHoverTime() const { return hoverTime_; }
    void SetHoverTime(DWORD ms) { hoverTime_ = ms; }
    bool IsUseGdiplusText() const { return useGdiplusText_; }
    void SetUseGdiplusText(bool use) { useGdiplusText_ = use; }
    int GetGdiplusTextRenderingHint() const { return textRenderingHint_; }
    void SetGdiplusTextRenderingHint(int hint) { textRenderingHint_ = hint; }
    bool IsForceUseSharedRes() const { return forceShared_; }
    void SetForceUseSharedRes(bool force) { forceShared_ = force; }
    void UsedVirtualWnd(bool used) { useVirtualWnd_ = used; }
    bool IsUsedVirtualWnd() const { return useVirtualWnd_; }
    bool IsOffscreenPaint() const { return offscreenPaint_; }

    // ---- DPI ----
    CDPI* GetDPIObj();
    int GetDPIScale();  // percent
    // Scales everything from now on by `dpi` (96 = 100 %): fonts are made anew, pictures
    // loaded again (a variant for the new scale may exist), the tree laid out again.
    void SetDPI(UINT dpi);
    // The DPI Windows gives the window (the system DPI before Windows 10).
    static UINT WindowDpi(HWND window);
    int ScaleValue(int value) { return GetDPIObj()->Scale(value); }

    // ---- default colours ----
    DWORD GetDefaultDisabledColor() const;
    void SetDefaultDisabledColor(DWORD color, bool shared = false);
    DWORD GetDefaultFontColor() const;
    void SetDefaultFontColor(DWORD color, bool shared = false);
    DWORD GetDefaultLinkFontColor() const;
    void SetDefaultLinkFontColor(DWORD color, bool shared = false);
    DWORD GetDefaultLinkHoverFontColor() const;
    void SetDefaultLinkHoverFontColor(DWORD color, bool shared = false);
    DWORD GetDefaultSelectedBkColor() const;
    void SetDefaultSelectedBkColor(DWORD color, bool shared = false);

    // ---- fonts ----
    HFONT GetDefaultFontInfoFont();
    const TFontInfo* GetDefaultFontInfo();
    void SetDefaultFont(const wchar_t* face, int size, bool bold, bool underline, bool italic,
                        bool strikeout, bool shared = false);
    HFONT AddFont(int id, const wchar_t* face, int size, bool bold, bool underline, bool italic,
                  bool strikeout, bool shared = false);
    HFONT GetFont(int id);
    const TFontInfo* GetFontInfo(int id);
    void RemoveAllFonts(bool shared = false);
    // Registers font bytes for the life of this manager (AddFontMemResourceEx).
    bool AddFontMemory(const void* bytes, DWORD size);

    // ---- images ----
    const CImageData* GetImage(const wchar_t* name);
    const CImageData* GetImageEx(const wchar_t* name, const wchar_t* type = nullptr, DWORD mask = 0,
                                 bool useHSL = false, bool gdiplus = false, HINSTANCE instance = nullptr);
    const CImageData* AddImage(const wchar_t* name, const wchar_t* type = nullptr, DWORD mask = 0,
                               bool useHSL = false, bool gdiplus = false, bool shared = false,
                               HINSTANCE instance = nullptr);
    void RemoveImage(const wchar_t* name, bool shared = false);
    void RemoveAllImages(bool shared = false);
    // Parsed draw descriptions, keyed by image + modify, parsed once per manager.
    CImageDrawInfo* GetDrawInfo(const wchar_t* image, const wchar_t* modify);

    // ---- default attribute lists and styles ----
    void AddDefaultAttributeList(const wchar_t* className, const wchar_t* list, bool shared = false);
    const wchar_t* GetDefaultAttributeList(const wchar_t* className) const;  // null when absent
    void RemoveAllDefaultAttributeList(bool shared = false);
    void AddStyle(const wchar_t* name, const wchar_t* value, bool shared = false);
    const wchar_t* GetStyle(const wchar_t* name) const;  // own first, then shared; null when absent
    void RemoveAllStyle(bool shared = false);

    // ---- window custom attributes ----
    void AddWindowCustomAttribute(const wchar_t* name, const wchar_t* value);
    const wchar_t* GetWindowCustomAttribute(const wchar_t* name) const;
    void RemoveAllWindowCustomAttribute();

    // ---- option groups ----
    bool AddOptionGroup(const wchar_t* group, CControlUI* control);
    const std::vector<CControlUI*>* GetOptionGroup(const wchar_t* group);
    void RemoveOptionGroup(const wchar_t* group, CControlUI* control);
    void RemoveAllOptionGroups();

    // ---- focus ----
    CControlUI* GetFocus() const { return focus_; }
    void SetFocus(CControlUI* control);
    bool SetNextTabControl(bool forward = true);
    // The focus mark: a dotted frame around the focused control, shown once the
    // keyboard has moved the focus (as Windows shows its focus cues).
    bool IsFocusMarkShown() const { return focusMarkShown_; }
    void ShowFocusMark(bool show);

    // ---- timers ----
    bool SetTimer(CControlUI* control, UINT timerId, UINT elapse);
    bool KillTimer(CControlUI* control, UINT timerId);
    void KillTimer(CControlUI* control);
    void RemoveAllTimers();

    // ---- capture ----
    void SetCapture();
    void ReleaseCapture();
    bool IsCaptured() const { return mouseCapture_; }

    // ---- listeners (borrowed; the caller removes them before it goes) ----
    bool AddNotifier(INotifyUI* notifier);
    bool RemoveNotifier(INotifyUI* notifier);
    void SendNotify(TNotifyEvent& msg, bool async = false);
    void SendNotify(CControlUI* control, const wchar_t* type, WPARAM wParam = 0, LPARAM lParam = 0,
                    bool async = false);
    bool AddPreMessageFilter(IMessageFilterUI* filter);
    bool RemovePreMessageFilter(IMessageFilterUI* filter);
    bool AddMessageFilter(IMessageFilterUI* filter);
    bool RemoveMessageFilter(IMessageFilterUI* filter);
    bool AddTranslateAccelerator(ITranslateAccelerator* accelerator);
    bool RemoveTranslateAccelerator(ITranslateAccelerator* accelerator);
    bool TranslateAccelerator(MSG* msg);  // true when one consumed it

    // Controls painted again after the whole window (PaintAfter).
    bool AddPostPaint(CControlUI* control);
    bool RemovePostPaint(CControlUI* control);
    // Native child windows hosted by controls; printed into a layered window.
    bool AddNativeWindow(CControlUI* control, HWND window);
    bool RemoveNativeWindow(HWND window);
    // Controls that get a mouse leave whenever the hovered control changes.
    bool AddMouseLeaveNeeded(CControlUI* control);
    bool RemoveMouseLeaveNeeded(CControlUI* control);

    // ---- finding controls ----
    CControlUI* FindControl(POINT pt) const;
    CControlUI* FindControl(const wchar_t* name) const;
    CControlUI* FindSubControlByPoint(CControlUI* parent, POINT pt) const;
    CControlUI* FindSubControlByName(CControlUI* parent, const wchar_t* name) const;

    // ---- shadow hook ----
    void SetShadow(std::unique_ptr<IWindowShadow> shadow);
    IWindowShadow* GetShadow() const { return shadow_.get(); }

    // ---- assistive technology ----
    // The controls shown to assistive technology: visible, with a role, in tab order.
    std::vector<CControlUI*> GetAccessibleChildren() const;
    // A control's child id (its GetAccessibleId) when it is one of them; 0 otherwise.
    long GetAccessibleChildId(const CControlUI* control) const;
    // The control with a role that has this id, shown or not; null for none.
    CControlUI* FindAccessibleControl(long id) const;
    // Raises an EVENT_OBJECT_* WinEvent for a control shown to assistive technology.
    void NotifyAccessible(DWORD event, const CControlUI* control) const;
    // The same for each of them inside `subtree` (the subtree's root included).
    void NotifyAccessibleSubtree(DWORD event, const CControlUI* subtree) const;
    // Runs a control's default action from the message loop (see WM_UI_ACCESSIBLE_ACTION).
    void PostAccessibleAction(CControlUI* control);

    // ---- messages ----
    bool MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool PreMessageHandler(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // Paint-pass figures, for benchmarks and tests.
    struct PaintStats {
        unsigned paints = 0;       // WM_PAINT passes that painted
        unsigned layouts = 0;      // passes that laid out
        unsigned layeredUpdates = 0;  // successful UpdateLayeredWindow calls
        RECT lastPaintRect = {0, 0, 0, 0};
    };
    const PaintStats& GetPaintStats() const { return stats_; }
    // The offscreen bitmap's pixels (BGRA, top-down) and size; null before the first paint.
    const DWORD* GetOffscreenBits() const;
    SIZE GetOffscreenSize() const;

private:
    struct TimerInfo {
        CControlUI* sender;
        UINT localId;
        HWND window;
        UINT nativeId;
        bool killed;
    };
    struct NativeWindow {
        CControlUI* control;
        HWND window;
    };
    struct Surfaces;       // offscreen and background DCs and bitmaps
    struct ResourceTable;  // fonts, images, lists, styles, colours: a window's own or the shared one
    struct SharedTables;   // the shared resource table and the rest of the process-wide state

    static SharedTables& Shared();
    // The shared table, or this window's own.
    ResourceTable& Table(bool shared);
    // Where an added resource goes: the shared table when asked or when the window forces it.
    ResourceTable& TableForAdding(bool shared) { return Table(shared || forceShared_); }
    static void FreeShared();
    static void ResolveLayered();
    bool DeliverNotify(TNotifyEvent& msg);  // false when the manager died meanwhile
    TFontInfo* DefaultFont();
    void MeasureFont(TFontInfo& info);
    std::unique_ptr<TFontInfo> MakeFont(const wchar_t* face, int size, bool bold, bool underline,
                                        bool italic, bool strikeout, bool boldAddsWeight);
    const CImageData* FindImage(const wchar_t* name) const;

    // message handling pieces
    DispatchEnd OfferToFilters(const ListenerList<IMessageFilterUI>& filters, UINT message, WPARAM wParam,
                               LPARAM lParam, LRESULT& answer);
    bool RunMessageFilters(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    bool HandleLayeredFrame(UINT message, WPARAM wParam, LRESULT& result);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void OnSize(WPARAM wParam, LPARAM lParam);
    void OnDpiChanged(WPARAM wParam, LPARAM lParam);
    void OnTimer(WPARAM wParam, LPARAM lParam);
    void OnContextMenu(WPARAM wParam, LPARAM lParam);
    bool OnMouseWheel(WPARAM wParam, LPARAM lParam);  // true when the window went meanwhile
    void OnKey(UINT message, WPARAM wParam, LPARAM lParam);
    bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void DrainQueue();
    void OnPaint();
    void LayoutTree(bool& laidOut);
    void PaintOffscreen(HDC paintDc, RECT paintRect, const RECT& client);
    void PrepareLayered(RECT& paintRect, const RECT& client);
    void EnsureOffscreen(const RECT& client);
    void PaintAfterAll(HDC dc, const RECT& paintRect);  // the controls that paint after the tree
    void PaintFocusMark(HDC dc, const RECT& paintRect);
    RECT FocusMarkRect(const CControlUI* control) const;
    void InvalidateFocusMark(const CControlUI* control);
    void ApplyLayeredAlpha(const RECT& paintRect, const RECT& client);
    void PrintClient(HDC dc, LPARAM flags);
    void OnMouseMove(WPARAM wParam, LPARAM lParam);
    void OnMouseHover(LPARAM lParam);
    void OnMouseLeave();
    void OnButton(UINT message, WPARAM wParam, LPARAM lParam);
    void OnClose();
    bool OnSetCursor(WPARAM wParam, LPARAM lParam);
    void TakeFocusForPress();
    bool HandleShortcut(wchar_t ch);
    TControlEvent MakeEvent(int type, CControlUI* sender, POINT pt, WPARAM wParam = 0,
                            LPARAM lParam = 0) const;
    CControlUI* ControlAt(POINT pt) const;  // only controls of this manager
    bool Reflect(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    void RemoveFromPaintManagers();
    LRESULT OnGetObject(WPARAM wParam, LPARAM lParam);
    void RunAccessibleAction(long id);

    // Declared first so that GDI+ outlives every image this manager holds.
    std::unique_ptr<win::ScopedGdiplus> gdiplus_;
    std::shared_ptr<bool> alive_;  // expires when the manager is destroyed

    CUiString name_;
    HWND window_ = nullptr;
    win::UniqueWindowDc paintDc_;
    std::unique_ptr<Surfaces> surfaces_;
    UniqueWindow tooltip_;  // a popup this manager creates and destroys
    TOOLINFOW toolInfo_ = {};
    std::wstring toolTipText_;  // the text toolInfo_ points at
    DWORD hoverTime_ = 400;
    bool showUpdateRect_ = false;
    bool noActivate_ = false;

    std::unique_ptr<CControlUI> root_;  // the whole tree
    CControlUI* focus_ = nullptr;
    CControlUI* hover_ = nullptr;
    CControlUI* clicked_ = nullptr;
    CControlUI* rclicked_ = nullptr;
    CControlUI* keyDown_ = nullptr;
    POINT lastMouse_ = {-1, -1};

    SIZE minWindow_ = {0, 0};
    SIZE maxWindow_ = {0, 0};
    SIZE initSize_ = {0, 0};
    RECT sizeBox_ = {0, 0, 0, 0};
    RECT caption_ = {0, 0, 0, 0};
    SIZE roundCorner_ = {0, 0};

    UINT timerCounter_ = kFirstTimerCounter;
    bool firstLayout_ = true;
    bool updateNeeded_ = false;
    bool focusNeeded_ = false;
    bool focusMarkShown_ = false;
    bool offscreenPaint_ = true;
    bool layered_ = false;
    bool layeredChanged_ = false;
    BYTE opacity_ = 255;
    RECT layeredInset_ = {0, 0, 0, 0};
    RECT layeredUpdate_ = {0, 0, 0, 0};
    CUiString layeredImage_;
    bool mouseTracking_ = false;
    bool mouseCapture_ = false;
    bool painting_ = false;
    bool asyncPosted_ = false;
    bool useVirtualWnd_ = false;
    bool forceShared_ = false;
    bool useGdiplusText_ = false;
    int textRenderingHint_ = 0;

    ListenerList<INotifyUI> notifiers_;
    std::vector<TimerInfo> timers_;
    ListenerList<ITranslateAccelerator> accelerators_;
    ListenerList<IMessageFilterUI> preFilters_;
    ListenerList<IMessageFilterUI> filters_;
    ListenerList<CControlUI> postPaint_;
    std::vector<NativeWindow> nativeWindows_;
    ListenerList<CControlUI> mouseLeaveNeeded_;
    std::vector<std::unique_ptr<CControlUI>> delayedCleanup_;  // deleted on the next drain
    std::deque<TNotifyEvent> asyncNotify_;

    std::unordered_map<std::wstring, CControlUI*> nameMap_;
    std::unordered_map<std::wstring, std::wstring> windowAttributes_;
    std::map<std::wstring, std::vector<CControlUI*>> optionGroups_;

    std::unique_ptr<ResourceTable> own_;  // the window's own resources
    std::unordered_map<std::wstring, std::unique_ptr<CImageDrawInfo>> drawInfos_;
    std::vector<UniqueMemoryFont> memoryFonts_;

    std::unique_ptr<IWindowShadow> shadow_;
    win::ComPtr<CAccessibleWindow> accessible_;  // made on the first WM_GETOBJECT
    std::unique_ptr<CDPI> dpi_;
    PaintStats stats_;
};

}  // namespace Ulmar
