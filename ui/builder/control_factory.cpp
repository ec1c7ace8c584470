#include "ui/builder/control_factory.h"

#include <windows.h>

#include <new>

#include "ui/base/container.h"
#include "ui/base/control.h"
#include "ui/controls/button.h"
#include "ui/controls/edit.h"
#include "ui/controls/label.h"
#include "ui/controls/layouts.h"
#include "ui/controls/option.h"
#include "ui/controls/progress.h"
#include "ui/controls/tab_layout.h"
#include "win/text.h"

namespace Ulmar {

namespace {

template <typename T>
CControlUI* Make() {
    return new (std::nothrow) T();
}

}  // namespace

#define ULMAR_REGISTER(name) RegistControl(L"C" #name L"UI", &Make<C##name##UI>)

CControlFactory::CControlFactory() {
    // Only classes that exist are registered; any other skin element is skipped.
    ULMAR_REGISTER(Control);
    ULMAR_REGISTER(Container);
    ULMAR_REGISTER(HorizontalLayout);
    ULMAR_REGISTER(TabLayout);
    ULMAR_REGISTER(VerticalLayout);

    // Labels, buttons, options, progress, edit
    ULMAR_REGISTER(Button);
    ULMAR_REGISTER(Edit);
    ULMAR_REGISTER(Label);
    ULMAR_REGISTER(Option);
    ULMAR_REGISTER(CheckBox);
    ULMAR_REGISTER(Progress);
    ULMAR_REGISTER(Text);

    // Short element names.
    RegistControl(L"CBoxUI", &Make<CContainerUI>);
    RegistControl(L"CHBoxUI", &Make<CHorizontalLayoutUI>);
    RegistControl(L"CVBoxUI", &Make<CVerticalLayoutUI>);
    RegistControl(L"CTabBoxUI", &Make<CTabLayoutUI>);
}

#undef ULMAR_REGISTER

CControlFactory* CControlFactory::GetInstance() {
    // Deliberately never destroyed: controls may be made during static teardown.
    static CControlFactory* factory = new CControlFactory();
    return factory;
}

CControlUI* CControlFactory::CreateControl(const wchar_t* className) const {
    if (!className || !*className) return nullptr;
    const auto it = creators_.find(win::FoldCase(className));
    return it == creators_.end() ? nullptr : it->second();
}

void CControlFactory::RegistControl(const wchar_t* className, CreateClass creator) {
    if (!className || !*className || !creator) return;
    creators_.emplace(win::FoldCase(className), creator);
}

bool CControlFactory::IsRegistered(const wchar_t* className) const {
    return className && creators_.count(win::FoldCase(className)) != 0;
}

}  // namespace Ulmar
