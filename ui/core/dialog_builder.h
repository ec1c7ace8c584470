#pragma once
// CDialogBuilder: turns a skin file into live objects. The root's leading
// Image, Font, Default, Style and Import children go into the paint manager's
// tables, the root's attributes become window settings, and every other element
// becomes a control (from the factory, else from the host's callback) attached
// to its parent container.
#include <windows.h>

#include "ui/core/events.h"
#include "ui/core/markup.h"
#include "ui/core/resource_manager.h"

namespace Ulmar {

class CControlUI;
class CPaintManagerUI;

class CDialogBuilder {
public:
    CDialogBuilder() = default;
    CDialogBuilder(const CDialogBuilder&) = delete;
    CDialogBuilder& operator=(const CDialogBuilder&) = delete;

    // `skin`: a file name, markup text (starts with "<") or a resource id of
    // `type`. Returns the first top-level control built, or null.
    CControlUI* Create(STRINGorID skin, const wchar_t* type = nullptr,
                       IDialogBuilderCallback* callback = nullptr, CPaintManagerUI* manager = nullptr,
                       CControlUI* parent = nullptr);
    // Builds from the document loaded already.
    CControlUI* Create(IDialogBuilderCallback* callback = nullptr, CPaintManagerUI* manager = nullptr,
                       CControlUI* parent = nullptr);

    CXmlMarkup* GetMarkup() { return &markup_; }
    // The parser's message of the last failed load ("" when none).
    const wchar_t* GetLastErrorMessage() const { return markup_.GetLastErrorMessage(); }
    const wchar_t* GetLastErrorLocation() const { return markup_.GetLastErrorLocation(); }
    // Module searched for resource ids; null = the paint manager's resource instance.
    void SetInstance(HINSTANCE instance) { instance_ = instance; }

private:
    void ApplyResources(const CXmlMarkupNode& root, CPaintManagerUI* manager);
    void ApplyWindowAttributes(const CXmlMarkupNode& root, CPaintManagerUI* manager);
    CControlUI* Parse(const CXmlMarkupNode& node, CControlUI* parent, CPaintManagerUI* manager);
    void Include(const CXmlMarkupNode& node, CControlUI* parent, CPaintManagerUI* manager);
    CControlUI* MakeControl(const wchar_t* elementName);

    CXmlMarkup markup_;
    IDialogBuilderCallback* callback_ = nullptr;  // borrowed
    const wchar_t* type_ = nullptr;               // set when the skin came from a module resource
    HINSTANCE instance_ = nullptr;
};

}  // namespace Ulmar
