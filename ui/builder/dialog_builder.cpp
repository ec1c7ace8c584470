#include "ui/builder/dialog_builder.h"

#include <cwchar>
#include <new>
#include <string>
#include <vector>

#include "ui/base/container.h"
#include "ui/base/control.h"
#include "ui/base/paint_manager.h"
#include "ui/base/resource_location.h"
#include "ui/builder/control_factory.h"
#include "ui/controls/shadow.h"

namespace Ulmar {

namespace {

bool Is(const wchar_t* name, const wchar_t* expected) { return ::lstrcmpiW(name, expected) == 0; }

bool IsResourceElement(const wchar_t* name) {
    return Is(name, L"Image") || Is(name, L"Font") || Is(name, L"Default") || Is(name, L"Style") ||
           Is(name, L"Import");
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
    std::wstring key = name;
    for (wchar_t& c : key)
        if (c == L'/') c = L'\\';
    if (!key.empty()) ::CharLowerBuffW(&key[0], static_cast<DWORD>(key.size()));
    return key;
}

std::wstring ResourceKey(UINT id) { return L"#" + std::to_wstring(id); }

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
        if (Is(root.GetName(), L"Window") && manager->GetPaintWindow()) ApplyWindowAttributes(root, manager);
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
        if (Is(element, L"Image")) {
            const wchar_t* name = Attr(node, L"name");
            if (!name) continue;
            const wchar_t* mask = Attr(node, L"mask");
            manager->AddImage(name, Attr(node, L"restype"), mask ? CControlUI::ParseColor(mask) : 0, false,
                              false, BoolAttr(node, L"shared"));
        } else if (Is(element, L"Font")) {
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
        } else if (Is(element, L"Default")) {
            const wchar_t* name = Attr(node, L"name");
            if (!name) continue;
            manager->AddDefaultAttributeList(name, Attr(node, L"value", L""), BoolAttr(node, L"shared"));
        } else if (Is(element, L"Style")) {
            const wchar_t* name = Attr(node, L"name");
            if (!name) continue;
            manager->AddStyle(name, Attr(node, L"value", L""), BoolAttr(node, L"shared"));
        } else if (Is(element, L"Import")) {
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

void CDialogBuilder::ApplyWindowAttributes(const CXmlMarkupNode& root, CPaintManagerUI* manager) {
    bool shadow = false;
    const int count = root.GetAttributeCount();
    for (int i = 0; i < count; ++i) {
        const wchar_t* name = root.GetAttributeName(i);
        const wchar_t* value = root.GetAttributeValue(i);
        // These five are matched exactly; the rest ignore case.
        if (::lstrcmpW(name, L"layeredopacity") == 0) {
            manager->SetLayeredOpacity(static_cast<BYTE>(CControlUI::ParseInt(value)));
        } else if (::lstrcmpW(name, L"layered") == 0 || ::lstrcmpW(name, L"bktrans") == 0) {
            manager->SetLayered(CControlUI::ParseBool(value));
        } else if (::lstrcmpW(name, L"layeredimage") == 0) {
            manager->SetLayered(true);
            manager->SetLayeredImage(value);
        } else if (::lstrcmpW(name, L"noactivate") == 0) {
            manager->SetNoActivate(CControlUI::ParseBool(value));
        } else if (Is(name, L"size")) {
            const SIZE size = CControlUI::ParseSize(value);
            manager->SetInitSize(manager->ScaleValue(size.cx), manager->ScaleValue(size.cy));
        } else if (Is(name, L"sizebox")) {
            manager->SetSizeBox(CControlUI::ParseRect(value));
        } else if (Is(name, L"caption")) {
            manager->SetCaptionRect(CControlUI::ParseRect(value));
        } else if (Is(name, L"roundcorner")) {
            const SIZE size = CControlUI::ParseSize(value);
            manager->SetRoundCorner(size.cx, size.cy);
        } else if (Is(name, L"mininfo")) {
            const SIZE size = CControlUI::ParseSize(value);
            manager->SetMinInfo(size.cx, size.cy);
        } else if (Is(name, L"maxinfo")) {
            const SIZE size = CControlUI::ParseSize(value);
            manager->SetMaxInfo(size.cx, size.cy);
        } else if (Is(name, L"showdirty")) {
            manager->SetShowUpdateRect(CControlUI::ParseBool(value));
        } else if (Is(name, L"opacity") || Is(name, L"alpha")) {
            manager->SetOpacity(static_cast<BYTE>(CControlUI::ParseInt(value)));
        } else if (Is(name, L"disabledfontcolor")) {
            manager->SetDefaultDisabledColor(CControlUI::ParseColor(value));
        } else if (Is(name, L"defaultfontcolor")) {
            manager->SetDefaultFontColor(CControlUI::ParseColor(value));
        } else if (Is(name, L"linkfontcolor")) {
            manager->SetDefaultLinkFontColor(CControlUI::ParseColor(value));
        } else if (Is(name, L"linkhoverfontcolor")) {
            manager->SetDefaultLinkHoverFontColor(CControlUI::ParseColor(value));
        } else if (Is(name, L"selectedcolor")) {
            manager->SetDefaultSelectedBkColor(CControlUI::ParseColor(value));
        } else if (Is(name, L"shadowsize") || Is(name, L"shadowsharpness") || Is(name, L"shadowdarkness") ||
                   Is(name, L"shadowposition") || Is(name, L"shadowcolor") || Is(name, L"shadowcorner") ||
                   Is(name, L"shadowimage") || Is(name, L"showshadow")) {
            // The window shadow reads its settings from the window's custom attributes.
            std::wstring key(name);
            ::CharLowerBuffW(&key[0], static_cast<DWORD>(key.size()));
            manager->AddWindowCustomAttribute(key.c_str(), value);
            shadow = true;
        } else if (Is(name, L"gdiplustext")) {
            manager->SetUseGdiplusText(CControlUI::ParseBool(value));
        } else if (Is(name, L"textrenderinghint")) {
            manager->SetGdiplusTextRenderingHint(CControlUI::ParseInt(value));
        } else if (Is(name, L"tooltiphovertime")) {
            manager->SetHoverTime(static_cast<DWORD>(CControlUI::ParseInt(value)));
        }
    }
    // A skin with shadow settings gets the window's shadow; attaching the tree creates it.
    if (shadow) CShadowUI::Of(*manager);
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
        if (Is(element, L"Include")) {
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
