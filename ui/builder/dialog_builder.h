#pragma once
// CDialogBuilder: turns a skin file into live objects. The root's leading
// Image, Font, Default, Style and Import children go into the paint manager's
// tables, the root's attributes become window settings, and every other element
// becomes a control (from the factory, else from the host's callback) attached
// to its parent container.
#include <windows.h>

#include <string>

#include "ui/base/events.h"
#include "ui/base/markup.h"
#include "ui/base/resource_manager.h"

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
    // The message of the last failure ("" when none): the parser's, or the
    // builder's own when it refused an <Include> that leads back to a skin being
    // built or nests deeper than kMaxIncludeDepth (then Create returns null).
    const wchar_t* GetLastErrorMessage() const;
    const wchar_t* GetLastErrorLocation() const;
    // Module searched for resource ids; null = the paint manager's resource instance.
    void SetInstance(HINSTANCE instance) { instance_ = instance; }

    static constexpr int kMaxIncludeDepth = 16;

private:
    void ApplyResources(const CXmlMarkupNode& root, CPaintManagerUI* manager);
    void ApplyWindowAttributes(const CXmlMarkupNode& root, CPaintManagerUI* manager);
    CControlUI* Parse(const CXmlMarkupNode& node, CControlUI* parent, CPaintManagerUI* manager);
    void Include(const CXmlMarkupNode& node, CControlUI* parent, CPaintManagerUI* manager);
    CControlUI* MakeControl(const wchar_t* elementName);
    // Sets the builder's own error unless the skin `key` (named `source` in the
    // markup) may be included here.
    bool MayInclude(const std::wstring& key, const wchar_t* source);
    void SetError(const wchar_t* message, const std::wstring& source);

    CXmlMarkup markup_;
    IDialogBuilderCallback* callback_ = nullptr;  // borrowed
    const wchar_t* type_ = nullptr;               // set when the skin came from a module resource
    HINSTANCE instance_ = nullptr;
    // The skin this builder reads ("#id" for a resource, "" for markup text) and
    // the builder whose <Include> started it: the chain an include is checked
    // against.
    std::wstring source_;
    const CDialogBuilder* includer_ = nullptr;
    int depth_ = 0;
    std::wstring error_;
    std::wstring errorLocation_;
};

}  // namespace Ulmar
