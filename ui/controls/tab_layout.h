#pragma once
// CTabLayoutUI: a container that shows one of its children (a page) at a time.
#include "ui/base/container.h"

namespace Ulmar {

class CTabLayoutUI : public CContainerUI {
public:
    const wchar_t* GetClassName() const override;
    void* GetInterface(const wchar_t* name) override;
    void SetPos(RECT rc, bool needInvalidate = true) override;
    void SetAttribute(const wchar_t* name, const wchar_t* value) override;

    bool Add(CControlUI* control) override;
    bool AddAt(CControlUI* control, int index) override;
    bool Remove(CControlUI* control) override;
    void RemoveAll() override;

    int GetCurSel() const { return selected_; }
    virtual bool SelectItem(CControlUI* control);
    virtual bool SelectItem(int index);

private:
    int selected_ = -1;

private:
    static const AttributeRow<CTabLayoutUI> kAttributes[];  // its own rows; the rest go to the base
};

}  // namespace Ulmar
