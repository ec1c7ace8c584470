// CPaintManagerUI: fonts, images, draw descriptions, default attribute lists,
// styles and default colours, each in the window's table or the shared one.
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>

#include "ui/base/image.h"
#include "ui/base/paint_manager.h"
#include "ui/base/paint_manager_shared.h"
#include "ui/base/render.h"
#include "win/text.h"

namespace Ulmar {

namespace {

// A window looks a resource up in its own table first, then in the shared one.
template <class Map, class Key>
const typename Map::mapped_type* FindOwnThenShared(const Map& own, const Map& shared, const Key& key) {
    for (const Map* map : {&own, &shared}) {
        const auto it = map->find(key);
        if (it != map->end()) return &it->second;
    }
    return nullptr;
}

int CALLBACK StopAtFirstFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceInstalled(const std::wstring& face) {
    if (face.empty() || face.size() >= LF_FACESIZE) return false;
    const win::UniqueWindowDc screen = win::GetWindowDc(nullptr);
    if (!screen) return false;
    LOGFONTW wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    std::wcscpy(wanted.lfFaceName, face.c_str());
    bool found = false;
    ::EnumFontFamiliesExW(screen.get().dc, &wanted, StopAtFirstFace, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// A font's name may list faces to try in turn ("Segoe UI,Tahoma"): the first
// one installed, else the last, which the font mapper then stands in for.
std::wstring ChooseFace(const std::wstring& faces) {
    for (size_t start = 0;;) {
        const size_t comma = faces.find(L',', start);
        std::wstring face = faces.substr(start, comma == std::wstring::npos ? comma : comma - start);
        face.erase(0, face.find_first_not_of(L' '));
        face.erase(face.find_last_not_of(L' ') + 1);
        if (comma == std::wstring::npos || FaceInstalled(face)) return face;
        start = comma + 1;
    }
}

}  // namespace

CPaintManagerUI::ResourceTable& CPaintManagerUI::Table(bool shared) { return shared ? Shared().resources : *own_; }

// ---- fonts ----

std::unique_ptr<TFontInfo> CPaintManagerUI::MakeFont(const wchar_t* face, int size, bool bold,
                                                     bool underline, bool italic, bool strikeout,
                                                     bool boldAddsWeight) {
    LOGFONTW lf = {};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    const std::wstring chosen = ChooseFace(face ? face : L"");
    if (!chosen.empty()) {
        // lfFaceName holds 31 characters and the terminator.
        std::wcsncpy(lf.lfFaceName, chosen.c_str(), LF_FACESIZE - 1);
        lf.lfFaceName[LF_FACESIZE - 1] = 0;
    }
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfHeight = -GetDPIObj()->Scale(size);
    if (bold) lf.lfWeight = boldAddsWeight ? lf.lfWeight + FW_BOLD : FW_BOLD;
    lf.lfUnderline = underline ? TRUE : FALSE;
    lf.lfItalic = italic ? TRUE : FALSE;
    lf.lfStrikeOut = strikeout ? TRUE : FALSE;
    win::UniqueFont font(::CreateFontIndirectW(&lf));
    if (!font) return nullptr;
    auto info = std::make_unique<TFontInfo>();
    info->font = std::move(font);
    info->faceName = lf.lfFaceName;
    info->size = size;
    info->bold = bold;
    info->underline = underline;
    info->italic = italic;
    info->strikeout = strikeout;
    if (GetPaintDC()) MeasureFont(*info);
    return info;
}

void CPaintManagerUI::MeasureFont(TFontInfo& info) {
    HDC dc = GetPaintDC();
    win::UniqueWindowDc screen;
    if (!dc) {
        screen = win::GetWindowDc(nullptr);
        dc = screen.get().dc;
    }
    if (!dc || !info.font) return;
    win::ScopedSelectObject select(dc, info.font.get());
    info.measured = ::GetTextMetricsW(dc, &info.metrics) != FALSE;
}

TFontInfo* CPaintManagerUI::DefaultFont() {
    const auto& own = own_->defaultFont;
    TFontInfo* info = own && !own->faceName.IsEmpty() ? own.get() : Shared().resources.defaultFont.get();
    if (info && !info->measured) MeasureFont(*info);
    return info;
}

HFONT CPaintManagerUI::GetDefaultFontInfoFont() {
    TFontInfo* info = DefaultFont();
    return info ? info->font.get() : nullptr;
}

const TFontInfo* CPaintManagerUI::GetDefaultFontInfo() { return DefaultFont(); }

void CPaintManagerUI::SetDefaultFont(const wchar_t* face, int size, bool bold, bool underline,
                                     bool italic, bool strikeout, bool shared) {
    auto info = MakeFont(face, size, bold, underline, italic, strikeout, true);
    if (!info) return;
    TableForAdding(shared).defaultFont = std::move(info);
}

HFONT CPaintManagerUI::AddFont(int id, const wchar_t* face, int size, bool bold, bool underline,
                               bool italic, bool strikeout, bool shared) {
    auto info = MakeFont(face, size, bold, underline, italic, strikeout, false);
    if (!info) return nullptr;
    HFONT font = info->font.get();
    TableForAdding(shared).fonts[id] = std::move(info);  // an older font under the id is deleted
    return font;
}

const TFontInfo* CPaintManagerUI::GetFontInfo(int id) {
    const auto* found = id >= 0 ? FindOwnThenShared(own_->fonts, Shared().resources.fonts, id) : nullptr;
    if (!found) return DefaultFont();
    TFontInfo& info = **found;
    if (!info.measured) MeasureFont(info);
    return &info;
}

HFONT CPaintManagerUI::GetFont(int id) {
    const TFontInfo* info = GetFontInfo(id);
    return info ? info->font.get() : nullptr;
}

void CPaintManagerUI::RemoveAllFonts(bool shared) { Table(shared).fonts.clear(); }

bool CPaintManagerUI::AddFontMemory(const void* bytes, DWORD size) {
    if (!bytes || size == 0) return false;
    DWORD count = 0;
    UniqueMemoryFont font(::AddFontMemResourceEx(const_cast<void*>(bytes), size, nullptr, &count));
    if (!font) return false;
    memoryFonts_.push_back(std::move(font));
    return true;
}

// ---- images ----

const CImageData* CPaintManagerUI::FindImage(const wchar_t* name) const {
    if (!name || !*name) return nullptr;
    const auto* found = FindOwnThenShared(own_->images, Shared().resources.images, std::wstring(name));
    return found ? found->get() : nullptr;
}

const CImageData* CPaintManagerUI::GetImage(const wchar_t* name) { return FindImage(name); }

const CImageData* CPaintManagerUI::GetImageEx(const wchar_t* name, const wchar_t* type, DWORD mask,
                                              bool useHSL, bool gdiplus, HINSTANCE instance) {
    if (const CImageData* image = FindImage(name)) return image;
    AddImage(name, type, mask, useHSL, gdiplus, false, instance);
    return FindImage(name);
}

namespace {

// The plain name to try when a scaled name is missing. A name scaled for this
// window ("@150." before each dot) loses exactly what scaling inserted, so a
// dotted folder or a second dot survives; any other name, such as "a@2x.png",
// loses the part from the first "@" up to the last ".".
bool PlainImageName(const std::wstring& name, int scale, std::wstring& plain) {
    if (scale != 100) {
        const std::wstring inserted = L"@" + win::DecimalText(scale) + L".";
        if (name.find(inserted) != std::wstring::npos) {
            plain = name;
            for (size_t pos = 0; (pos = plain.find(inserted, pos)) != std::wstring::npos; ++pos) {
                plain.replace(pos, inserted.size(), L".");
            }
            return true;
        }
    }
    const size_t at = name.find(L'@');
    const size_t dot = name.rfind(L'.');
    if (at == std::wstring::npos || dot == std::wstring::npos || dot < at) return false;
    plain = name.substr(0, at) + name.substr(dot);
    return true;
}

void AdjustPixels(CImageData& image, short h, short s, short l) {
    BYTE* bits = image.GetBits();
    if (!bits || image.hslPixels.empty()) return;
    const size_t count = static_cast<size_t>(image.width) * image.height;
    const BYTE* source = image.hslPixels.data();
    for (size_t i = 0; i < count; ++i) {
        DWORD pixel;
        std::memcpy(&pixel, source + i * 4, 4);
        const DWORD adjusted = CRenderer::AdjustColor(pixel, h, s, l);
        // keep the pixel's own alpha
        const DWORD out = (pixel & 0xFF000000) | (adjusted & 0x00FFFFFF);
        std::memcpy(bits + i * 4, &out, 4);
    }
}

}  // namespace

const CImageData* CPaintManagerUI::AddImage(const wchar_t* name, const wchar_t* type, DWORD mask,
                                            bool useHSL, bool gdiplus, bool shared,
                                            HINSTANCE instance) {
    if (!name || !*name) return nullptr;
    std::unique_ptr<CImageData> data;
    if (!type || !*type) {
        data = CRenderer::LoadImage(name, nullptr, mask, instance, gdiplus);
        std::wstring plain;
        if (!data && PlainImageName(name, GetDPIScale(), plain)) {
            data = CRenderer::LoadImage(plain.c_str(), nullptr, mask, instance, gdiplus);
        }
    } else {
        if (!std::iswdigit(name[0])) return nullptr;
        data = CRenderer::LoadImage(name, type, mask, instance, gdiplus);
    }
    if (!data) return nullptr;

    data->useHSL = useHSL;
    data->resType = type;
    data->mask = mask;
    if (useHSL && data->GetBits()) {
        const size_t bytes = static_cast<size_t>(data->width) * data->height * 4;
        data->hslPixels.assign(data->GetBits(), data->GetBits() + bytes);
        SharedTables& tables = Shared();
        if (tables.useHSL) AdjustPixels(*data, tables.hue, tables.saturation, tables.lightness);
    }
    const CImageData* result = data.get();
    TableForAdding(shared).images[name] = std::move(data);
    return result;
}

void CPaintManagerUI::RemoveImage(const wchar_t* name, bool shared) {
    if (!name) return;
    Table(shared).images.erase(name);
}

void CPaintManagerUI::RemoveAllImages(bool shared) { Table(shared).images.clear(); }

CImageDrawInfo* CPaintManagerUI::GetDrawInfo(const wchar_t* image, const wchar_t* modify) {
    std::wstring key = image ? image : L"";
    if (modify) key += modify;
    if (key.empty()) return nullptr;
    auto& slot = drawInfos_[key];
    if (!slot) {
        slot = std::make_unique<CImageDrawInfo>();
        slot->Parse(image, modify, this);
    }
    return slot.get();
}

// ---- HSL ----

void CPaintManagerUI::SetHSL(bool use, short hue, short saturation, short lightness) {
    SharedTables& tables = Shared();
    tables.useHSL = use;
    tables.hue = hue;
    tables.saturation = saturation;
    tables.lightness = lightness;
}

bool CPaintManagerUI::IsUseHSL() { return Shared().useHSL; }

void CPaintManagerUI::GetHSL(short* hue, short* saturation, short* lightness) {
    const SharedTables& tables = Shared();
    if (hue) *hue = tables.hue;
    if (saturation) *saturation = tables.saturation;
    if (lightness) *lightness = tables.lightness;
}

// ---- default attribute lists and styles ----

void CPaintManagerUI::AddDefaultAttributeList(const wchar_t* className, const wchar_t* list,
                                              bool shared) {
    if (!className || !*className || !list) return;
    TableForAdding(shared).defaultLists[className] = list;
}

const wchar_t* CPaintManagerUI::GetDefaultAttributeList(const wchar_t* className) const {
    if (!className) return nullptr;
    const auto* found =
        FindOwnThenShared(own_->defaultLists, Shared().resources.defaultLists, std::wstring(className));
    return found ? found->c_str() : nullptr;
}

void CPaintManagerUI::RemoveAllDefaultAttributeList(bool shared) { Table(shared).defaultLists.clear(); }

void CPaintManagerUI::AddStyle(const wchar_t* name, const wchar_t* value, bool shared) {
    if (!name || !*name || !value) return;
    TableForAdding(shared).styles.emplace(name, value);  // an existing style keeps its value
}

const wchar_t* CPaintManagerUI::GetStyle(const wchar_t* name) const {
    if (!name || !*name) return nullptr;
    const auto* found = FindOwnThenShared(own_->styles, Shared().resources.styles, std::wstring(name));
    return found ? found->c_str() : nullptr;
}

void CPaintManagerUI::RemoveAllStyle(bool shared) { Table(shared).styles.clear(); }

// ---- default colours ----

// A window reads its own colours, taken from the shared ones when it was made.
DWORD CPaintManagerUI::GetDefaultDisabledColor() const { return own_->colors.disabled; }
DWORD CPaintManagerUI::GetDefaultFontColor() const { return own_->colors.font; }
DWORD CPaintManagerUI::GetDefaultLinkFontColor() const { return own_->colors.link; }
DWORD CPaintManagerUI::GetDefaultLinkHoverFontColor() const { return own_->colors.linkHover; }
DWORD CPaintManagerUI::GetDefaultSelectedBkColor() const { return own_->colors.selected; }

void CPaintManagerUI::SetDefaultDisabledColor(DWORD color, bool shared) { Table(shared).colors.disabled = color; }
void CPaintManagerUI::SetDefaultFontColor(DWORD color, bool shared) { Table(shared).colors.font = color; }
void CPaintManagerUI::SetDefaultLinkFontColor(DWORD color, bool shared) { Table(shared).colors.link = color; }
void CPaintManagerUI::SetDefaultLinkHoverFontColor(DWORD color, bool shared) {
    Table(shared).colors.linkHover = color;
}
void CPaintManagerUI::SetDefaultSelectedBkColor(DWORD color, bool shared) { Table(shared).colors.selected = color; }

// Frees the shared tables at process end. Images may hold GDI+ objects, whose
// release needs GDI+ running even after the last manager shut its own down.
void CPaintManagerUI::FreeShared() {
    SharedTables& tables = Shared();
    win::ScopedGdiplus gdiplus;
    tables.resources.ClearLoaded();
}

}  // namespace Ulmar
