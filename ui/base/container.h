#pragma once
// CContainerUI: a control that owns an ordered list of children. It stacks them
// all over its client area (layouts override that), clips and paints them,
// routes searches and events through them, and owns optional scroll bars.
#include <vector>

#include "ui/base/control.h"

namespace Ulmar {

class CScrollBarUI;

// Item access of every container.
class IContainerUI {
public:
    virtual CControlUI* GetItemAt(int index) const = 0;
    virtual int GetItemIndex(CControlUI* control) const = 0;
    virtual bool SetItemIndex(CControlUI* control, int index) = 0;
    virtual int GetCount() const = 0;
    virtual bool Add(CControlUI* control) = 0;
    virtual bool AddAt(CControlUI* control, int index) = 0;
    virtual bool Remove(CControlUI* control) = 0;
    virtual bool RemoveAt(int index) = 0;
    virtual void RemoveAll() = 0;

protected:
    ~IContainerUI() = default;
};

class CContainerUI : public CControlUI, public IContainerUI {
public:
    CContainerUI();
    ~CContainerUI() override;

    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;

    // ---- IContainerUI ----
    CControlUI* GetItemAt(int index) const override;
    int GetItemIndex(CControlUI* control) const override;
    bool SetItemIndex(CControlUI* control, int index) override;
    int GetCount() const override;
    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    bool RemoveAt(int index) override;
    void RemoveAll() override;

    // ---- CControlUI overrides ----
    void SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init = true) override;
    RECT GetClientPos() const override;
    void SetPos(RECT rc, bool needInvalidate = true) override;
    void Move(SIZE offset, bool needInvalidate = true) override;
    void SetVisible(bool visible = true) override;
    void SetInheritedVisible(bool visible = true) override;
    void SetEnabled(bool enable = true) override;
    void SetMouseEnabled(bool enable = true) override;
    CControlUI* FindControl(FindControlProc proc, void* data, UINT flags) override;
    void HandleEvent(TControlEvent& event) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;
    bool PaintLayers(HDC dc, const RECT& paintRect, CControlUI* stopControl) override;

    // ---- container operations ----
    virtual RECT GetInset() const;  // scaled
    virtual void SetInset(RECT inset);
    virtual int GetChildPadding() const;  // scaled
    virtual void SetChildPadding(int padding);
    virtual UINT GetChildAlign() const;
    virtual void SetChildAlign(UINT align);
    virtual UINT GetChildVAlign() const;
    virtual void SetChildVAlign(UINT align);
    virtual bool IsAutoDestroy() const;
    virtual void SetAutoDestroy(bool autoDestroy);
    virtual bool IsDelayedDestroy() const;
    virtual void SetDelayedDestroy(bool delayed);
    virtual bool IsMouseChildEnabled() const;
    virtual void SetMouseChildEnabled(bool enable = true);
    virtual int FindSelectable(int index, bool forward = true) const;

    virtual SIZE GetScrollPos() const;    // cx horizontal, cy vertical
    virtual SIZE GetScrollRange() const;
    virtual void SetScrollPos(SIZE pos, bool notify = true);
    virtual void SetScrollStepSize(int size);
    virtual int GetScrollStepSize() const;  // scaled
    virtual void LineUp();
    virtual void LineDown();
    virtual void PageUp();
    virtual void PageDown();
    virtual void HomeUp();
    virtual void EndDown();
    virtual void LineLeft();
    virtual void LineRight();
    virtual void PageLeft();
    virtual void PageRight();
    virtual void HomeLeft();
    virtual void EndRight();
    virtual void EnableScrollBar(bool enableVertical = true, bool enableHorizontal = false);
    virtual CScrollBarUI* GetVerticalScrollBar() const;
    virtual CScrollBarUI* GetHorizontalScrollBar() const;
    virtual void SetFloatPos(int index);
    virtual void ProcessScrollBar(RECT rc, int cxRequired, int cyRequired);

protected:
    // Item rectangle minus inset, without taking the scroll bars off.
    RECT InsetRect() const;
    // Hands each visible child to place(child), in order; a floating child
    // goes to its float position instead.
    template <class Place>
    void PlaceChildren(Place place) {
        for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
            CControlUI* child = items_[static_cast<size_t>(i)];
            if (!child->IsVisible()) continue;
            if (child->IsFloat()) {
                SetFloatPos(i);
                continue;
            }
            place(*child);
        }
    }
    bool IsBarVisible(const CScrollBarUI* bar) const;
    int LineStep() const;
    void DestroyChild(CControlUI* child);

    std::vector<CControlUI*> items_;  // owned when auto destroy is on
    RECT inset_ = {0, 0, 0, 0};
    int childPadding_ = 0;
    UINT childAlign_ = 0;
    UINT childVAlign_ = 0;
    bool autoDestroy_ = true;
    bool delayedDestroy_ = true;
    bool mouseChild_ = true;
    int scrollStepSize_ = 0;
    bool fixedScrollBar_ = false;
    bool showScrollBar_ = true;
    CScrollBarUI* verticalBar_ = nullptr;    // owned
    CScrollBarUI* horizontalBar_ = nullptr;  // owned
    CUiString verticalBarStyle_;
    CUiString horizontalBarStyle_;

private:
    // "vscrollbarstyle"/"hscrollbarstyle": turns the bar on and styles it (a style name or a list).
    void SetScrollBarStyle(bool vertical, const wchar_t* value);
    void SetShowScrollBarButtons(bool show);

    static const AttributeRow<CContainerUI> kAttributes[];  // its own rows; the rest go to the base
};

}  // namespace Ulmar
