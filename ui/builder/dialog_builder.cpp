#include "ui/builder/dialog_builder.h"

#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include "ui/base/attribute_table.h"
#include "ui/base/attribute_values.h"
#include "ui/base/container.h"
#include "ui/base/control.h"
#include "ui/base/paint_manager.h"
#include "ui/base/resource_location.h"
#include "ui/builder/control_factory.h"
#include "ui/controls/shadow.h"
#include "win/text.h"

namespace Ulmar {

namespace {

bool IsResourceElement(const wchar_t* name) {
    for (const wchar_t* element : {L"Image", L"Font", L"Default", L"Style", L"Import"}) {
        if (win::EqualsNoCase(name, element)) return true;
    }
    return false;
}

const wchar_t* Attr(const CXmlMarkupNode& node, const wchar_t* name, const wchar_t* fallback = nullptr) {
    const wchar_t* value = node.GetAttributeValue(name);
    return value ? value : fallback;
}

bool BoolAttr(const CXmlMarkupNode& node, const wchar_t* name) {
    const wchar_t* value = node.GetAttributeValue(name);
    return value && CControlUI::ParseBool(value);
}

// One spelling per skin file: separators and letter case do not make another.
std::wstring SourceKey(const std::wstring& name) {
    std::wstring key = win::FoldCase(name.c_str());
    for (wchar_t& c : key)
        if (c == L'/') c = L'\\';
    return key;
}

std::wstring ResourceKey(UINT id) { return L"#" + win::DecimalText(id); }

}  // namespace

CControlUI* CDialogBuilder::Create(STRINGorID skin, const wchar_t* type, IDialogBuilderCallback* callback,
                                   CPaintManagerUI* manager, CControlUI* parent) {
    if (skin.IsId()) {
        source_ = ResourceKey(skin.GetId());
        if (!LoadMarkupResource(markup_, instance_, skin.get(), type)) return nullptr;
        callback_ = callback;
        type_ = type;
        return Create(callback, manager, parent);
    }
    const wchar_t* text = skin.get();
    if (!text) return nullptr;
    if (text[0] != L'<') {
        if (const wchar_t* mapped = CResourceManager::GetInstance().GetXmlPath(text)) text = mapped;
    }
    source_ = text[0] == L'<' ? std::wstring() : SourceKey(text);
    const bool loaded = text[0] == L'<' ? markup_.Load(text) : markup_.LoadFromFile(text);
    if (!loaded) return nullptr;
    return Create(callback, manager, parent);
}

CControlUI* CDialogBuilder::Create(IDialogBuilderCallback* callback, CPaintManagerUI* manager,
                                   CControlUI* parent) {
    callback_ = callback;
    const CXmlMarkupNode root = markup_.GetRoot();
    if (!root.IsValid()) return nullptr;
    if (manager) {
        ApplyResources(root, manager);
        if (win::EqualsNoCase(root.GetName(), L"Window") && manager->GetPaintWindow()) {
            ApplyWindowAttributes(root, manager);
        }
    }
    CControlUI* built = Parse(root, parent, manager);
    if (error_.empty()) return built;
    // Refused include: the skin is not built (what went into `parent` is the
    // parent's to delete).
    if (!parent) delete built;
    return nullptr;
}

const wchar_t* CDialogBuilder::GetLastErrorMessage() const {
    return error_.empty() ? markup_.GetLastErrorMessage() : error_.c_str();
}

const wchar_t* CDialogBuilder::GetLastErrorLocation() const {
    return error_.empty() ? markup_.GetLastErrorLocation() : errorLocation_.c_str();
}

void CDialogBuilder::SetError(const wchar_t* message, const std::wstring& source) {
    error_ = std::wstring(message) + L": " + source;
    errorLocation_ = source;
}

bool CDialogBuilder::MayInclude(const std::wstring& key, const wchar_t* source) {
    const std::wstring shown = source[0] == L'<' ? std::wstring(L"markup text") : std::wstring(source);
    if (depth_ >= kMaxIncludeDepth) {
        SetError(L"Include nested too deeply", shown);
        return false;
    }
    for (const CDialogBuilder* builder = this; builder; builder = builder->includer_) {
        if (!key.empty() && builder->source_ == key) {
            SetError(L"Include cycle", shown);
            return false;
        }
    }
    return true;
}

void CDialogBuilder::ApplyResources(const CXmlMarkupNode& root, CPaintManagerUI* manager) {
    for (CXmlMarkupNode node = root.GetChild(); node.IsValid(); node = node.GetSibling()) {
        const wchar_t* element = node.GetName();
        if (win::EqualsNoCase(element, L"Image")) {
            const wchar_t* name = Attr(node, L"name");
            if (!name) continue;
            const wchar_t* mask = Attr(node, L"mask");
            manager->AddImage(name, Attr(node, L"restype"), mask ? CControlUI::ParseColor(mask) : 0, false,
                              false, BoolAttr(node, L"shared"));
        } else if (win::EqualsNoCase(element, L"Font")) {
            const wchar_t* idText = Attr(node, L"id");
            const int id = idText ? CControlUI::ParseInt(idText) : -1;
            if (id < 0) continue;
            const wchar_t* face = Attr(node, L"name", L"");
            const wchar_t* sizeText = Attr(node, L"size");
            const int size = sizeText ? CControlUI::ParseInt(sizeText) : 12;
            const bool bold = BoolAttr(node, L"bold");
            const bool underline = BoolAttr(node, L"underline");
            const bool italic = BoolAttr(node, L"italic");
            const bool strikeout = BoolAttr(node, L"strikeout");
            const bool shared = BoolAttr(node, L"shared");
            manager->AddFont(id, face, size, bold, underline, italic, strikeout, shared);
            if (BoolAttr(node, L"default")) {
                manager->SetDefaultFont(face, size, bold, underline, italic, strikeout, shared);
            }
        } else if (win::EqualsNoCase(element, L"Default")) {
            const wchar_t* name = Attr(node, L"name");
            if (!name) continue;
            manager->AddDefaultAttributeList(name, Attr(node, L"value", L""), BoolAttr(node, L"shared"));
        } else if (win::EqualsNoCase(element, L"Style")) {
            const wchar_t* name = Attr(node, L"name");
            if (!name) continue;
            manager->AddStyle(name, Attr(node, L"value", L""), BoolAttr(node, L"shared"));
        } else if (win::EqualsNoCase(element, L"Import")) {
            const wchar_t* file = Attr(node, L"fontfile");
            if (!file) continue;
            std::vector<unsigned char> bytes;
            const wchar_t* error = nullptr;
            if (ResourceLocation::ReadSkinFile(file, bytes, error) && !bytes.empty()) {
                manager->AddFontMemory(bytes.data(), static_cast<DWORD>(bytes.size()));
            }
        }
    }
}

namespace {

// What the window element's attributes set: the manager, and whether the skin
// asked for a shadow.
struct WindowTarget {
    CPaintManagerUI& manager;
    bool shadow = false;

    // The window shadow reads its settings from the window's custom attributes.
    void ShadowSetting(const wchar_t* key, const wchar_t* value) {
        manager.AddWindowCustomAttribute(key, value);
        shadow = true;
    }
};

using attribute_value::ParseBool;
using attribute_value::ParseColor;
using attribute_value::ParseInt;
using attribute_value::ParseRect;
using attribute_value::ParseSize;

const AttributeRow<WindowTarget> kWindowAttributes[] = {
    // These five are matched exactly; the rest ignore case.
    {L"layeredopacity",
     [](WindowTarget& w, const wchar_t* v) { w.manager.SetLayeredOpacity(static_cast<BYTE>(ParseInt(v))); }, true},
    {L"layered", [](WindowTarget& w, const wchar_t* v) { w.manager.SetLayered(ParseBool(v)); }, true},
    {L"bktrans", [](WindowTarget& w, const wchar_t* v) { w.manager.SetLayered(ParseBool(v)); }, true},
    {L"layeredimage",
     [](WindowTarget& w, const wchar_t* v) {
         w.manager.SetLayered(true);
         w.manager.SetLayeredImage(v);
     },
     true},
    {L"noactivate", [](WindowTarget& w, const wchar_t* v) { w.manager.SetNoActivate(ParseBool(v)); }, true},
    {L"size",
     [](WindowTarget& w, const wchar_t* v) {
         const SIZE size = ParseSize(v);
         w.manager.SetInitSize(w.manager.ScaleValue(size.cx), w.manager.ScaleValue(size.cy));
     }},
    {L"sizebox", [](WindowTarget& w, const wchar_t* v) { w.manager.SetSizeBox(ParseRect(v)); }},
    {L"caption", [](WindowTarget& w, const wchar_t* v) { w.manager.SetCaptionRect(ParseRect(v)); }},
    {L"roundcorner",
     [](WindowTarget& w, const wchar_t* v) {
         const SIZE size = ParseSize(v);
         w.manager.SetRoundCorner(size.cx, size.cy);
     }},
    {L"mininfo",
     [](WindowTarget& w, const wchar_t* v) {
         const SIZE size = ParseSize(v);
         w.manager.SetMinInfo(size.cx, size.cy);
     }},
    {L"maxinfo",
     [](WindowTarget& w, const wchar_t* v) {
         const SIZE size = ParseSize(v);
         w.manager.SetMaxInfo(size.cx, size.cy);
     }},
    {L"showdirty", [](WindowTarget& w, const wchar_t* v) { w.manager.SetShowUpdateRect(ParseBool(v)); }},
    {L"opacity", [](WindowTarget& w, const wchar_t* v) { w.manager.SetOpacity(static_cast<BYTE>(ParseInt(v))); }},
    {L"alpha", [](WindowTarget& w, const wchar_t* v) { w.manager.SetOpacity(static_cast<BYTE>(ParseInt(v))); }},
    {L"disabledfontcolor", [](WindowTarget& w, const wchar_t* v) { w.manager.SetDefaultDisabledColor(ParseColor(v)); }},
    {L"defaultfontcolor", [](WindowTarget& w, const wchar_t* v) { w.manager.SetDefaultFontColor(ParseColor(v)); }},
    {L"linkfontcolor", [](WindowTarget& w, const wchar_t* v) { w.manager.SetDefaultLinkFontColor(ParseColor(v)); }},
    {L"linkhoverfontcolor",
     [](WindowTarget& w, const wchar_t* v) { w.manager.SetDefaultLinkHoverFontColor(ParseColor(v)); }},
    {L"selectedcolor", [](WindowTarget& w, const wchar_t* v) { w.manager.SetDefaultSelectedBkColor(ParseColor(v)); }},
    {L"shadowsize", [](WindowTarget& w, const wchar_t* v) { w.ShadowSetting(L"shadowsize", v); }},
    {L"shadowsharpness", [](WindowTarget& w, const wchar_t* v) { w.ShadowSetting(L"shadowsharpness", v); }},
    {L"shadowdarkness", [](WindowTarget& w, const wchar_t* v) { w.ShadowSetting(L"shadowdarkness", v); }},
    {L"shadowposition", [](WindowTarget& w, const wchar_t* v) { w.ShadowSetting(L"shadowposition", v); }},
    {L"shadowcolor", [](WindowTarget& w, const wchar_t* v) { w.ShadowSetting(L"shadowcolor", v); }},
    {L"shadowcorner", [](WindowTarget& w, const wchar_t* v) { w.ShadowSetting(L"shadowcorner", v); }},
    {L"shadowimage", [](WindowTarget& w, const wchar_t* v) { w.ShadowSetting(L"shadowimage", v); }},
    {L"showshadow", [](WindowTarget& w, const wchar_t* v) { w.ShadowSetting(L"showshadow", v); }},
    {L"gdiplustext", [](WindowTarget& w, const wchar_t* v) { w.manager.SetUseGdiplusText(ParseBool(v)); }},
    {L"textrenderinghint",
     [](WindowTarget& w, const wchar_t* v) { w.manager.SetGdiplusTextRenderingHint(ParseInt(v)); }},
    {L"tooltiphovertime",
     [](WindowTarget& w, const wchar_t* v) { w.manager.SetHoverTime(static_cast<DWORD>(ParseInt(v))); }},
};

}  // namespace

void CDialogBuilder::ApplyWindowAttributes(const CXmlMarkupNode& root, CPaintManagerUI* manager) {
    WindowTarget target{*manager};
    const int count = root.GetAttributeCount();
    for (int i = 0; i < count; ++i) {
        ApplyAttributeRow(kWindowAttributes, target, root.GetAttributeName(i), root.GetAttributeValue(i));
    }
    // A skin with shadow settings gets the window's shadow; attaching the tree creates it.
    if (target.shadow) CShadowUI::Of(*manager);
}

CControlUI* CDialogBuilder::MakeControl(const wchar_t* elementName) {
    const std::wstring className = std::wstring(L"C") + elementName + L"UI";
    CControlUI* control = CControlFactory::GetInstance()->CreateControl(className.c_str());
    if (!control && callback_) control = callback_->CreateControl(elementName);
    return control;
}

void CDialogBuilder::Include(const CXmlMarkupNode& node, CControlUI* parent, CPaintManagerUI* manager) {
    if (!node.HasAttributes()) return;
    const wchar_t* countText = node.GetAttributeValue(L"count");
    const int count = countText ? CControlUI::ParseInt(countText) : 1;
    wchar_t source[500] = {};
    if (!node.GetAttributeValue(L"source", source, 500)) return;
    const UINT id = type_ ? static_cast<UINT>(std::wcstoul(source, nullptr, 10)) : 0;
    // Markup text has no name to come back to (only the depth bound holds it);
    // a resource id or a file, as the index maps it, does.
    std::wstring key;
    if (type_) {
        key = ResourceKey(id);
    } else if (source[0] != L'<') {
        const wchar_t* mapped = CResourceManager::GetInstance().GetXmlPath(source);
        key = SourceKey(mapped ? mapped : source);
    }
    if (!MayInclude(key, source)) return;
    for (int i = 0; i < count; ++i) {
        CDialogBuilder builder;
        builder.SetInstance(instance_);
        builder.includer_ = this;
        builder.depth_ = depth_ + 1;
        CControlUI* built;
        if (type_) {
            built = builder.Create(STRINGorID(id), type_, callback_, manager, parent);
        } else {
            built = builder.Create(STRINGorID(source), nullptr, callback_, manager, parent);
        }
        // Without a parent nothing would own what the include built.
        if (!parent) delete built;
        if (!builder.error_.empty()) {
            // A refusal further down refuses this skin too.
            error_ = builder.error_;
            errorLocation_ = builder.errorLocation_;
            return;
        }
    }
}

CControlUI* CDialogBuilder::Parse(const CXmlMarkupNode& root, CControlUI* parent, CPaintManagerUI* manager) {
    IContainerUI* container = nullptr;
    bool containerAsked = false;
    CControlUI* first = nullptr;
    for (CXmlMarkupNode node = root.GetChild(); node.IsValid(); node = node.GetSibling()) {
        const wchar_t* element = node.GetName();
        if (IsResourceElement(element)) continue;
        if (win::EqualsNoCase(element, L"Include")) {
            Include(node, parent, manager);
            if (!error_.empty()) return first;
            continue;
        }
        CControlUI* control = MakeControl(element);
        if (!control) continue;  // unknown class: the whole subtree goes

        if (node.HasChildren()) Parse(node, control, manager);

        if (parent) {
            if (!containerAsked) {
                container = static_cast<IContainerUI*>(parent->GetInterface(L"IContainer"));
                containerAsked = true;
            }
            if (!container) {
                delete control;
                return nullptr;
            }
            if (!container->Add(control)) {
                delete control;
                continue;
            }
        }

        if (manager) {
            control->SetManager(manager, nullptr, false);
            if (const wchar_t* defaults = manager->GetDefaultAttributeList(element)) {
                control->ApplyAttributeList(defaults);
            }
        }
        const int count = node.GetAttributeCount();
        for (int i = 0; i < count; ++i) control->SetAttribute(node.GetAttributeName(i), node.GetAttributeValue(i));
        if (manager) control->SetManager(nullptr, nullptr, false);

        // A parent that is already part of a live window takes the finished
        // control in again, so it keeps its parent and its name is known.
        if (parent && parent->GetManager()) parent->GetManager()->InitControls(control, parent);

        if (!first) {
            first = control;
        } else if (!parent) {
            // Only the first top-level control is handed back; nobody would own the rest.
            delete control;
        }
    }
    return first;
}

}  // namespace Ulmar
