// COptionUI and CCheckBoxUI.
#include "ui/controls/option.h"

#include <vector>

#include "ui/base/paint_manager.h"
#include "ui/base/render.h"
#include "win/text.h"

namespace Ulmar {

// ---- COptionUI ----

COptionUI::COptionUI() = default;

COptionUI::~COptionUI() {
    if (manager_ && !group_.IsEmpty()) manager_->RemoveOptionGroup(group_, this);
}

const wchar_t* COptionUI::GetClassName() const { return L"OptionUI"; }

void* COptionUI::GetInterface(const wchar_t* name) {
    if (name && win::EqualsNoCase(name, L"Option")) return this;
    return CButtonUI::GetInterface(name);
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent, bool init) {
    CButtonUI::SetManager(manager, parent, init);
    if (init && manager && !group_.IsEmpty()) manager->AddOptionGroup(group_, this);
}

void COptionUI::SetGroup(const wchar_t* name) {
    const CUiString next = name;
    if (next == group_) return;
    if (manager_ && !group_.IsEmpty()) manager_->RemoveOptionGroup(group_, this);
    group_ = next;
    if (manager_ && !group_.IsEmpty()) manager_->AddOptionGroup(group_, this);
    Selected(selected_, true);
}

void COptionUI::SetGroupType(const wchar_t* type) { groupType_ = type; }

void COptionUI::StoreSelected(bool selected) {
    selected_ = selected;
    if (selected) {
        buttonState_ |= UISTATE_SELECTED;
    } else {
        buttonState_ &= ~UISTATE_SELECTED;
    }
    NotifyAccessible(EVENT_OBJECT_STATECHANGE);
}

long COptionUI::DefaultAccessibleRole() const {
    return group_.IsEmpty() ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_RADIOBUTTON;
}

void COptionUI::DescribeAccessible(TAccessibleInfo& info) const {
    CButtonUI::DescribeAccessible(info);
    if (selected_) info.state |= STATE_SYSTEM_CHECKED;
}

void COptionUI::Selected(bool selected, bool notify) {
    if (selected_ == selected) return;
    StoreSelected(selected);
    if (manager_) {
        if (!group_.IsEmpty() && selected_) {
            // A copy: a sibling's listener may change the group while we walk it.
            std::vector<CControlUI*> members;
            if (const auto* list = manager_->GetOptionGroup(group_)) members = *list;
            for (CControlUI* member : members) {
                auto* option = static_cast<COptionUI*>(member->GetInterface(L"Option"));
                if (!option || option == this) continue;
                if (!groupType_.IsEmpty() && option->GetGroupType() != groupType_) continue;
                option->Selected(false, notify);
            }
        }
        if (notify) manager_->SendNotify(this, NotifyType::kSelectChanged);
    }
    Invalidate();
}

bool COptionUI::Activate() {
    if (!CButtonUI::Activate()) return false;
    Selected(group_.IsEmpty() ? !selected_ : true, true);
    Invalidate();
    return true;
}

const CUiString& COptionUI::GetSelectedStateImage() const { return selectedStateImage_; }

void COptionUI::SetSelectedStateImage(const wchar_t* image) {
    selectedImage_.Empty();
    selectedStateImage_ = image;
    Invalidate();
}

const AttributeRow<COptionUI> COptionUI::kAttributes[] = {
    {L"group", [](COptionUI& c, const wchar_t* v) { c.SetGroup(v); }},
    {L"grouptype", [](COptionUI& c, const wchar_t* v) { c.SetGroupType(v); }},
    {L"selected", [](COptionUI& c, const wchar_t* v) { c.Selected(ParseBool(v), true); }},
    {L"selectedimage", [](COptionUI& c, const wchar_t* v) { c.SetSelectedImage(v); }},
    {L"selectedhotimage", [](COptionUI& c, const wchar_t* v) { c.selectedHotImage_ = v; }},
    {L"selectedpushedimage", [](COptionUI& c, const wchar_t* v) { c.selectedPushedImage_ = v; }},
    {L"selectedforeimage", [](COptionUI& c, const wchar_t* v) { c.selectedForeImage_ = v; }},
    {L"selectedstateimage", [](COptionUI& c, const wchar_t* v) { c.SetSelectedStateImage(v); }},
    {L"selectedstatecount", [](COptionUI& c, const wchar_t* v) { c.selectedStateCount_ = ParseInt(v); }},
    {L"selectedbkcolor", [](COptionUI& c, const wchar_t* v) { c.SetSelectedBkColor(ParseColor(v)); }},
    {L"selectedtextcolor", [](COptionUI& c, const wchar_t* v) { c.SetSelectedTextColor(ParseColor(v)); }},
    {L"selectedfont", [](COptionUI& c, const wchar_t* v) { c.selectedFont_ = ParseInt(v); }},
};

void COptionUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!ApplyAttributeRow(kAttributes, *this, name, value)) CButtonUI::SetAttribute(name, value);
}

void COptionUI::PaintBackColor(HDC dc) {
    if (!selected_) {
        CButtonUI::PaintBackColor(dc);
        return;
    }
    if (selectedBkColor_ != 0) CRenderer::DrawColor(dc, paintRect_, GetAdjustColor(selectedBkColor_));
}

void COptionUI::PaintStateImage(HDC dc) {
    if (!selected_) {
        CButtonUI::PaintStateImage(dc);
        return;
    }
    RefreshStateBits();
    if (!selectedStateImage_.IsEmpty() && selectedStateCount_ > 0 && selectedImage_.IsEmpty()) {
        CUiString* const images[4] = {&selectedImage_, &selectedHotImage_, &selectedPushedImage_, nullptr};
        const int strips[4] = {0, selectedStateCount_ >= 2 ? 1 : -1,
                               selectedStateCount_ >= 3 ? 2 : (selectedStateCount_ == 2 ? 1 : -1), -1};
        // Keep the strip's corner as the selected state image gives it.
        CUiString corner;
        if (manager_) {
            const CImageDrawInfo* info = manager_->GetDrawInfo(selectedStateImage_, L"");
            if (info) {
                const RECT& c = info->rcCorner;
                corner.Format(L" corner='%d,%d,%d,%d'", c.left, c.top, c.right, c.bottom);
            }
        }
        CutStrips(selectedStateImage_, selectedStateCount_, images, strips, corner);
    }
    if ((buttonState_ & UISTATE_PUSHED) && !selectedPushedImage_.IsEmpty() &&
        DrawImage(dc, selectedPushedImage_)) {
        return;
    }
    if ((buttonState_ & UISTATE_HOT) && !selectedHotImage_.IsEmpty() &&
        DrawImage(dc, selectedHotImage_)) {
        return;
    }
    if (!selectedImage_.IsEmpty()) DrawImage(dc, selectedImage_);
}

void COptionUI::PaintForeImage(HDC dc) {
    if (selected_ && !selectedForeImage_.IsEmpty() && DrawImage(dc, selectedForeImage_)) return;
    CButtonUI::PaintForeImage(dc);
}

void COptionUI::PaintText(HDC dc) {
    if (!selected_) {
        CButtonUI::PaintText(dc);
        return;
    }
    ResolveDefaultColors();
    if (text_.IsEmpty()) return;
    DWORD color = IsEnabled() ? textColor_ : disabledTextColor_;
    if (IsEnabled() && selectedTextColor_ != 0) color = selectedTextColor_;
    const int font = selectedFont_ != -1 ? selectedFont_ : font_;
    RECT rc = TextRect();
    if (showHtml_) {
        int links = 0;
        CRenderer::DrawHtmlText(dc, manager_, rc, text_, color, nullptr, nullptr, links, font,
                                textStyle_);
    } else {
        CRenderer::DrawText(dc, manager_, rc, text_, color, font, textStyle_);
    }
}

// ---- CCheckBoxUI ----

const wchar_t* CCheckBoxUI::GetClassName() const { return L"CheckBoxUI"; }

void* CCheckBoxUI::GetInterface(const wchar_t* name) {
    if (name && win::EqualsNoCase(name, L"CheckBox")) return this;
    return COptionUI::GetInterface(name);
}

void CCheckBoxUI::HandleEvent(TControlEvent& event) {
    if (autoCheck_ && IsEnabled() && IsMouseEnabled() &&
        (event.type == UIEVENT_BUTTONDOWN || event.type == UIEVENT_DBLCLICK) &&
        ::PtInRect(&itemRect_, event.mouse)) {
        CPaintManagerUI* manager = manager_;
        Selected(!selected_, true);
        if (manager) manager->SendNotify(this, L"checkclick");
        Invalidate();
        return;
    }
    COptionUI::HandleEvent(event);
}

const AttributeRow<CCheckBoxUI> CCheckBoxUI::kAttributes[] = {
    {L"EnableAutoCheck", [](CCheckBoxUI& c, const wchar_t* v) { c.SetAutoCheck(ParseBool(v)); }, false, true},
};

void CCheckBoxUI::SetAttribute(const wchar_t* name, const wchar_t* value) {
    if (!ApplyAttributeRow(kAttributes, *this, name, value)) COptionUI::SetAttribute(name, value);
}

void CCheckBoxUI::Selected(bool selected, bool notify) {
    if (selected_ == selected) return;
    StoreSelected(selected);
    if (manager_) {
        if (group_.IsEmpty()) {
            if (notify) manager_->SendNotify(this, NotifyType::kSelectChanged, selected_ ? 1 : 0);
        } else if (selected_) {
            std::vector<CControlUI*> members;
            if (const auto* list = manager_->GetOptionGroup(group_)) members = *list;
            for (CControlUI* member : members) {
                auto* option = static_cast<COptionUI*>(member->GetInterface(L"Option"));
                if (option && option != this) option->Selected(false, notify);
            }
            if (notify) manager_->SendNotify(this, NotifyType::kSelectChanged, 1);
        }
    }
    Invalidate();
}

}  // namespace Ulmar
