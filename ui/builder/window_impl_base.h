#pragma once
// WindowImplBase: a borderless skinned window. It owns the window's paint
// manager, builds the control tree from the skin file on WM_CREATE, answers
// hit tests for the caption, the resize borders and the maximise button, keeps
// the rounded region, and turns notifications into handler calls through a
// message map (CNotifyPump).
#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "ui/base/events.h"
#include "ui/base/paint_manager.h"
#include "ui/base/window_wnd.h"

namespace Ulmar {

class CNotifyPump;
class CControlUI;

// Handler kinds of a message map entry.
enum : UINT {
    DuiSig_end = 0,     // ends a table
    DuiSig_lwl = 1,     // LRESULT (WPARAM, LPARAM)
    DuiSig_vn = 2,      // void (TNotifyEvent&)
};

using DUI_PMSG_NOTIFY = void (CNotifyPump::*)(TNotifyEvent&);
using DUI_PMSG_PARAMS = LRESULT (CNotifyPump::*)(WPARAM, LPARAM);

struct DUI_MSGMAP_ENTRY {
    const wchar_t* type;      // notification type
    const wchar_t* ctrlName;  // null or "" = any sender
    UINT sig;
    DUI_PMSG_NOTIFY notify;   // for DuiSig_vn
    DUI_PMSG_PARAMS params;   // for DuiSig_lwl
};

struct DUI_MSGMAP {
    const DUI_MSGMAP* (*getBase)();  // null for the last table of the chain
    const DUI_MSGMAP_ENTRY* entries;
};

// In the class: DUI_DECLARE_MESSAGE_MAP(). In the source file:
//   DUI_BEGIN_MESSAGE_MAP(CMyWindow, WindowImplBase)
//     DUI_ON_MSGTYPE(L"click", &CMyWindow::OnClickAny)
//     DUI_ON_MSGTYPE_CTRNAME(L"click", L"btn_ok", &CMyWindow::OnOk)
//   DUI_END_MESSAGE_MAP()
#define DUI_DECLARE_MESSAGE_MAP()                                      \
private:                                                               \
    static const ::Ulmar::DUI_MSGMAP_ENTRY messageEntries_[];          \
                                                                       \
protected:                                                             \
    static const ::Ulmar::DUI_MSGMAP messageMap_;                      \
    static const ::Ulmar::DUI_MSGMAP* GetBaseMessageMap();             \
    const ::Ulmar::DUI_MSGMAP* GetMessageMap() const override;         \
                                                                       \
private:

#define DUI_BEGIN_MESSAGE_MAP(theClass, baseClass)                                                     \
    const ::Ulmar::DUI_MSGMAP* theClass::GetBaseMessageMap() { return &baseClass::messageMap_; }       \
    const ::Ulmar::DUI_MSGMAP* theClass::GetMessageMap() const { return &theClass::messageMap_; }      \
    const ::Ulmar::DUI_MSGMAP theClass::messageMap_ = {&theClass::GetBaseMessageMap,                   \
                                                       &theClass::messageEntries_[0]};                 \
    const ::Ulmar::DUI_MSGMAP_ENTRY theClass::messageEntries_[] = {
#define DUI_ON_MSGTYPE(type, memberFn) \
    {type, nullptr, ::Ulmar::DuiSig_vn, static_cast<::Ulmar::DUI_PMSG_NOTIFY>(memberFn), nullptr},
#define DUI_ON_MSGTYPE_CTRNAME(type, ctrlName, memberFn) \
    {type, ctrlName, ::Ulmar::DuiSig_vn, static_cast<::Ulmar::DUI_PMSG_NOTIFY>(memberFn), nullptr},
#define DUI_ON_MSGTYPE_PARAMS(type, ctrlName, memberFn) \
    {type, ctrlName, ::Ulmar::DuiSig_lwl, nullptr, static_cast<::Ulmar::DUI_PMSG_PARAMS>(memberFn)},
#define DUI_END_MESSAGE_MAP()                                \
    { nullptr, nullptr, ::Ulmar::DuiSig_end, nullptr, nullptr } \
    }                                                        \
    ;

class CNotifyPump {
public:
    virtual ~CNotifyPump() = default;
    // Notifications with this virtual window name go to `pump` first (borrowed).
    bool AddVirtualWnd(const wchar_t* name, CNotifyPump* pump);
    bool RemoveVirtualWnd(const wchar_t* name);
    void NotifyPump(TNotifyEvent& msg);
    // Runs this object's message map chain; true when an entry took the notification.
    bool LoopDispatch(TNotifyEvent& msg);

protected:
    static const DUI_MSGMAP messageMap_;
    static const DUI_MSGMAP_ENTRY messageEntries_[];
    virtual const DUI_MSGMAP* GetMessageMap() const;

private:
    std::map<std::wstring, CNotifyPump*> virtualWnds_;  // keys lower-cased
};

class WindowImplBase : public CWindowWnd,
                       public CNotifyPump,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback,
                       public IQueryControlText {
public:
    WindowImplBase();
    ~WindowImplBase() override;

    CPaintManagerUI& GetPaintManager() { return pm_; }

    virtual void InitResource();
    virtual void InitWindow();
    virtual void OnClick(TNotifyEvent& msg);
    virtual bool IsInStaticControl(CControlUI* control);

    // ---- interfaces ----
    void Notify(TNotifyEvent& msg) override;
    LRESULT MessageHandler(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    CControlUI* CreateControl(const wchar_t* className) override;
    const wchar_t* QueryControlText(const wchar_t* key, const wchar_t* type) override;

protected:
    const wchar_t* GetSuperClassName() const override;
    UINT GetClassStyle() const override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage(HWND window) override;

    virtual CUiString GetSkinType();
    virtual CUiString GetSkinFile() = 0;
    virtual const wchar_t* GetManagerName();
    virtual LRESULT ResponseDefaultKeyEvent(WPARAM key);
    // The control Esc clicks (the close button of what the window shows now); null for none.
    virtual CControlUI* GetEscapeControl();

    virtual LRESULT OnClose(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcActivate(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcCalcSize(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcPaint(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnNcHitTest(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnGetMinMaxInfo(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnMouseWheel(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnMouseHover(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnSize(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnChar(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnKeyDown(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnKillFocus(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnSetFocus(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LRESULT HandleCustomMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    virtual LONG GetStyle();
    // A skin that cannot be built: shows "加载资源文件失败：" + the file and ends
    // the process with exit code 1. Tools that must not show a box override it.
    virtual void OnSkinLoadFailed(const CUiString& skinFile, const wchar_t* parserMessage);

    CPaintManagerUI pm_;

    DUI_DECLARE_MESSAGE_MAP()

private:
    void ShowMaxRestore(bool maximised);
    void ClickEscapeControl();
    // Expires when the object is destroyed, so dispatch can tell that a
    // handler deleted its own window.
    std::shared_ptr<bool> alive_;
};

}  // namespace Ulmar
