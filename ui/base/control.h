#pragma once
// CControlUI: the root of every drawn element. It owns a rectangle in the
// window, colours, images, border settings, text and flags, and the fixed,
// minimum and maximum sizes layouts use; it takes its settings from skin
// attributes, receives TControlEvents from the paint manager, sends
// notifications through it, and paints itself in a fixed order of layers.
#include <windows.h>

#include <cstdint>
#include <string>
#include <unordered_map>

#include "ui/base/accessible_info.h"
#include "ui/base/attribute_table.h"
#include "ui/base/events.h"
#include "ui/base/ui_string.h"

namespace Ulmar {

class CPaintManagerUI;
class CControlUI;

// Search callback of FindControl: returns the control that matches, or null.
using FindControlProc = CControlUI* (*)(CControlUI* control, void* data);

// FindControl flags.
enum : UINT {
    UIFIND_ALL = 0x00000000,
    UIFIND_VISIBLE = 0x00000001,
    UIFIND_ENABLED = 0x00000002,
    UIFIND_HITTEST = 0x00000004,      // data is a POINT*
    UIFIND_UPDATETEST = 0x00000008,
    UIFIND_TOP_FIRST = 0x00000010,
    UIFIND_ME_FIRST = 0x80000000,
};

// GetControlFlags bits.
enum : UINT {
    UIFLAG_TABSTOP = 0x00000001,
    UIFLAG_SETCURSOR = 0x00000002,
};

// Float alignment bits (the DT_ values).
enum : UINT {
    UIFLOAT_HCENTER = DT_CENTER,   // 1
    UIFLOAT_RIGHT = DT_RIGHT,      // 2
    UIFLOAT_VCENTER = DT_VCENTER,  // 4
    UIFLOAT_BOTTOM = DT_BOTTOM,    // 8
};

// Relative float position: fractions of the parent's size.
struct TPercentInfo {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// A fresh accessible child id: 1, 2, ... for the process's life (0 is the window itself).
long NextAccessibleId();

class CControlUI {
public:
    CControlUI();
    virtual ~CControlUI();
    CControlUI(const CControlUI&) = delete;
    CControlUI& operator=(const CControlUI&) = delete;

    // Delegate lists. OnInit, OnDestroy, OnSize get the control; OnEvent the
    // TControlEvent*; OnNotify the TNotifyEvent*; OnPaint the control before
    // its layers are painted (returning false skips the layers).
    CEventSource OnInit;
    CEventSource OnDestroy;
    CEventSource OnSize;
    CEventSource OnEvent;
    CEventSource OnNotify;
    CEventSource OnPaint;

    // ---- virtual operations, in table order ----
    virtual CUiString GetName() const;
    virtual void SetName(const wchar_t* name);
    virtual const wchar_t* GetClassName() const;
    virtual void* GetInterface(const wchar_t* name);
    virtual UINT GetControlFlags() const;
    virtual bool Activate();
    virtual CPaintManagerUI* GetManager() const;
    virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true);
    virtual CControlUI* GetParent() const;

    virtual CUiString GetText() const;
    virtual void SetText(const wchar_t* text);
    virtual bool IsResourceText() const;
    virtual void SetResourceText(bool resource);
    virtual bool IsDragEnabled() const;
    virtual void SetDragEnable(bool enable);
    virtual bool IsDropEnabled() const;
    virtual void SetDropEnable(bool enable);
    virtual bool IsRichEvent() const;
    virtual void SetRichEvent(bool enable);

    virtual RECT GetRelativePos() const;
    virtual RECT GetClientPos() const;
    virtual const RECT& GetPos() const;
    virtual void SetPos(RECT rc, bool needInvalidate = true);
    virtual void Move(SIZE offset, bool needInvalidate = true);
    virtual int GetWidth() const;
    virtual int GetHeight() const;
    virtual int GetX() const;
    virtual int GetY() const;
    virtual RECT GetPadding() const;
    virtual void SetPadding(RECT padding);
    virtual SIZE GetFixedXY() const;
    virtual void SetFixedXY(SIZE xy);
    virtual SIZE GetFixedSize() const;
    virtual int GetFixedWidth() const;
    virtual void SetFixedWidth(int cx);
    virtual int GetFixedHeight() const;
    virtual void SetFixedHeight(int cy);
    virtual int GetMinWidth() const;
    virtual void SetMinWidth(int cx);
    virtual int GetMaxWidth() const;
    virtual void SetMaxWidth(int cx);
    virtual int GetMinHeight() const;
    virtual void SetMinHeight(int cy);
    virtual int GetMaxHeight() const;
    virtual void SetMaxHeight(int cy);
    virtual TPercentInfo GetFloatPercent() const;
    virtual void SetFloatPercent(TPercentInfo percent);
    virtual void SetFloatAlign(UINT align);
    virtual UINT GetFloatAlign() const;

    virtual CUiString GetToolTip() const;
    virtual void SetToolTip(const wchar_t* text);
    virtual void SetToolTipWidth(int width);
    virtual int GetToolTipWidth() const;
    virtual WORD GetCursor() const;
    virtual void SetCursor(WORD cursor);
    virtual wchar_t GetShortcut() const;
    virtual void SetShortcut(wchar_t ch);
    virtual bool IsContextMenuUsed() const;
    virtual void SetContextMenuUsed(bool used);
    virtual const CUiString& GetUserData() const;
    virtual void SetUserData(const wchar_t* text);
    virtual UINT_PTR GetTag() const;
    virtual void SetTag(UINT_PTR tag);

    virtual bool IsVisible() const;
    virtual void SetVisible(bool visible = true);
    virtual void SetInheritedVisible(bool visible = true);
    virtual bool IsEnabled() const;
    virtual void SetEnabled(bool enable = true);
    virtual bool IsMouseEnabled() const;
    virtual void SetMouseEnabled(bool enable = true);
    virtual bool IsKeyboardEnabled() const;
    virtual void SetKeyboardEnabled(bool enable = true);
    virtual bool IsFocused() const;
    virtual void SetFocus();
    virtual bool IsFloat() const;
    virtual void SetFloat(bool isFloat = true);

    virtual CControlUI* FindControl(FindControlProc proc, void* data, UINT flags);
    // Keyboard roles the paint manager asks about instead of knowing control types:
    // a label hands its shortcut on to the next control; a rich editor keeps Tab.
    virtual bool PassesShortcutOn() const;
    virtual bool WantsTabKey();

    // ---- assistive technology ----
    // Role, name, state, value and default action, as a screen reader gets them.
    TAccessibleInfo GetAccessibleInfo() const;
    // The control's child id for assistive technology: unique in the process and kept for
    // the control's life, so an event read late still names the control it was raised for.
    long GetAccessibleId() const { return accessibleId_; }
    // The default action (a click); false when the control has none or cannot take it now.
    virtual bool DoAccessibleDefaultAction();

    virtual void Init();
    virtual void OnInitialize();
    virtual void DispatchEvent(TControlEvent& event);
    virtual void HandleEvent(TControlEvent& event);
    virtual void SetAttribute(const wchar_t* name, const wchar_t* value);
    virtual SIZE EstimateSize(SIZE available);

    // Returns false when `stopControl` is this control (the caller stops painting).
    virtual bool Paint(HDC dc, const RECT& paintRect, CControlUI* stopControl = nullptr);
    virtual bool PaintLayers(HDC dc, const RECT& paintRect, CControlUI* stopControl);
    virtual void PaintBackColor(HDC dc);
    virtual void PaintBackImage(HDC dc);
    virtual void PaintStateImage(HDC dc);
    virtual void PaintForeColor(HDC dc);
    virtual void PaintForeImage(HDC dc);
    virtual void PaintText(HDC dc);
    virtual void PaintBorder(HDC dc);
    virtual void PaintAfter(HDC dc, const RECT& paintRect);

    // ---- non-virtual operations ----
    void ApplyAttributeList(const wchar_t* list);
    void AddCustomAttribute(const wchar_t* name, const wchar_t* value);
    const wchar_t* GetCustomAttribute(const wchar_t* name) const;  // null when absent
    void RemoveAllCustomAttribute();

    void Invalidate();
    void NeedUpdate();
    void NeedParentUpdate();
    bool IsUpdateNeeded() const { return updateNeeded_; }

    DWORD GetAdjustColor(DWORD color) const;
    // Draws an image attribute string over the item rectangle, clipped to the paint rectangle.
    bool DrawImage(HDC dc, const wchar_t* image, const wchar_t* modify = nullptr);

    const CUiString& GetVirtualWnd() const { return virtualWnd_; }
    void SetVirtualWnd(const wchar_t* name);

    const CUiString& GetGradient() const { return gradient_; }
    void SetGradient(const wchar_t* gradient);
    DWORD GetBkColor() const { return bkColor_; }
    void SetBkColor(DWORD color);
    DWORD GetBkColor2() const { return bkColor2_; }
    void SetBkColor2(DWORD color);
    DWORD GetBkColor3() const { return bkColor3_; }
    void SetBkColor3(DWORD color);
    DWORD GetForeColor() const { return foreColor_; }
    void SetForeColor(DWORD color);
    const CUiString& GetBkImage() const { return bkImage_; }
    void SetBkImage(const wchar_t* image);
    const CUiString& GetForeImage() const { return foreImage_; }
    void SetForeImage(const wchar_t* image);
    DWORD GetBorderColor() const { return borderColor_; }
    void SetBorderColor(DWORD color);
    DWORD GetFocusBorderColor() const { return focusBorderColor_; }
    void SetFocusBorderColor(DWORD color);
    bool IsColorHSL() const { return colorHSL_; }
    void SetColorHSL(bool hsl);
    int GetBorderSize() const;            // scaled
    void SetBorderSize(int size);
    void SetBorderSize(RECT sizes);
    RECT GetBorderSizes() const;          // scaled (left, top, right, bottom)
    void SetLeftBorderSize(int size);
    void SetTopBorderSize(int size);
    void SetRightBorderSize(int size);
    void SetBottomBorderSize(int size);
    int GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(int style);
    SIZE GetBorderRound() const;          // scaled
    void SetBorderRound(SIZE round);

    const RECT& GetPaintRect() const { return paintRect_; }
    HINSTANCE GetResourceInstance() const { return instance_; }
    void SetResourceInstance(HINSTANCE instance) { instance_ = instance; }

    // Attribute value readers (see attribute_values.h), in reach of every control's table.
    static bool ParseBool(const wchar_t* value);
    static int ParseInt(const wchar_t* value);
    // Skips characters up to 0x20 (unless skipSpace is false) and one "#",
    // then reads hexadecimal as 0xAARRGGBB.
    static DWORD ParseColor(const wchar_t* value, bool skipSpace = true);
    // Successive integers, each after skipping exactly one separator; missing ones read as 0.
    static RECT ParseRect(const wchar_t* value);
    static SIZE ParseSize(const wchar_t* value);

protected:
    // The role when the skin names none; 0 keeps the control from assistive technology.
    virtual long DefaultAccessibleRole() const;
    // Adds what only the control knows (checked, value); the rest is filled in before.
    virtual void DescribeAccessible(TAccessibleInfo& info) const;
    // Raises an EVENT_OBJECT_* WinEvent for this control.
    void NotifyAccessible(DWORD event) const;

    // Scales a metric by the manager's DPI (raw without a manager).
    int ScaleMetric(int value) const;
    RECT ScaleMetric(RECT rc) const;
    SIZE ScaleMetric(SIZE size) const;

    CPaintManagerUI* manager_ = nullptr;   // borrowed
    CControlUI* parent_ = nullptr;         // borrowed; the parent owns this control
    CUiString virtualWnd_;
    CUiString name_;
    bool updateNeeded_ = true;
    bool menuUsed_ = false;
    RECT itemRect_ = {0, 0, 0, 0};
    RECT padding_ = {0, 0, 0, 0};
    SIZE fixedXY_ = {0, 0};
    SIZE fixedSize_ = {0, 0};
    SIZE minSize_ = {0, 0};
    SIZE maxSize_ = {9999, 9999};
    bool visible_ = true;
    bool inheritedVisible_ = true;
    bool enabled_ = true;
    bool mouseEnabled_ = true;
    bool keyboardEnabled_ = true;
    bool focused_ = false;
    bool float_ = false;
    TPercentInfo floatPercent_;
    UINT floatAlign_ = 0;
    bool inSetPos_ = false;
    bool richEvent_ = false;
    bool dragEnabled_ = false;
    bool dropEnabled_ = false;
    bool resourceText_ = false;
    CUiString text_;
    CUiString toolTip_;
    CUiString accName_;   // "accname": a name where neither the text nor the tooltip says it
    long accRole_ = 0;    // "accrole": a role the control's class does not imply
    const long accessibleId_;
    wchar_t shortcut_ = 0;
    CUiString userData_;
    UINT_PTR tag_ = 0;
    CUiString gradient_;
    DWORD bkColor_ = 0;
    DWORD bkColor2_ = 0;
    DWORD bkColor3_ = 0;
    DWORD foreColor_ = 0;
    CUiString bkImage_;
    CUiString foreImage_;
    DWORD borderColor_ = 0;
    DWORD focusBorderColor_ = 0;
    bool colorHSL_ = false;
    int borderSize_ = 0;
    int borderStyle_ = 0;
    int toolTipWidth_ = 300;
    WORD cursor_ = 0;
    SIZE borderRound_ = {0, 0};
    RECT paintRect_ = {0, 0, 0, 0};
    RECT borderSizes_ = {0, 0, 0, 0};
    HINSTANCE instance_ = nullptr;
    std::unordered_map<std::wstring, std::wstring> customAttributes_;

private:
    void SetPosAttribute(const wchar_t* value);
    void SetFloatAttribute(const wchar_t* value);
    void SetBorderSizeAttribute(const wchar_t* value);
    static const AttributeRow<CControlUI> kAttributes[];  // its own rows; the rest are custom attributes
};

}  // namespace Ulmar
