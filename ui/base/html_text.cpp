// CRenderer::DrawHtmlText: text with inline tags.
//
// A tag is written "<x>" or "{x}" (braces fit inside XML attributes); a closing
// tag starts with "/". "<<" and "{{" draw a single "<" or "{". Tags:
//   <b>...</b>        bold
//   <i>...</i>        italic
//   <i name>          the image `name` (or <i file='name'>, <i res='id' restype='type'>)
//                     drawn inline at its own size, its bottom on the baseline
//   <u>...</u>        underline
//   <s>...</s>        strikeout
//   <c #AARRGGBB>...</c>  text colour, "#" optional; six digits mean opaque
//   <f id>...</f>     the manager's font `id`; <f face size [bold] [italic]
//                     [underline] [strikeout]> a font made for this call
//   <a target>...</a> a link, drawn in the manager's link colour; every line
//                     piece of it gives one link rectangle, with `target` (or,
//                     without one, the link's text) as its link text
//   <n>               line break (so is a "\n" in the text)
//   <p gap>           new paragraph: line break plus `gap` pixels (default half
//                     a line) before the next line
//   <x n>             move the pen n pixels to the right
//   <y n>...</y>      lines are at least n pixels tall
//   <r>...</r>        raw: tags inside are drawn as text
// Unknown tags are skipped. Without DT_SINGLELINE, lines wrap at spaces and
// between CJK characters; a word wider than a line is broken where it must.
// DT_CENTER / DT_RIGHT align each line, DT_VCENTER / DT_BOTTOM the whole block.
// DT_CALCRECT only measures: `rc` gets the block's size and no link is written.
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ui/base/paint_manager.h"
#include "ui/base/render.h"
#include "ui/base/render_internal.h"

namespace Ulmar {
namespace {

enum FontFlags { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeout = 8 };

struct Piece {
    std::wstring text;        // empty for an image
    const CImageData* image = nullptr;
    HFONT font = nullptr;
    DWORD color = 0;
    int link = -1;
    int x = 0;
    int width = 0;
    int ascent = 0;
    int height = 0;
};

struct Line {
    std::vector<Piece> pieces;
    int width = 0;
    int height = 0;
    int ascent = 0;
    int gapAfter = 0;
};

bool IsCjk(wchar_t ch) { return ch >= 0x2E80; }

// Fonts derived from a base font with extra flags, and fonts made from <f face size>.
class FontCache {
public:
    explicit FontCache(CPaintManagerUI* manager) : manager_(manager) {}

    HFONT Derive(HFONT base, int flags) {
        if (flags == 0 || !base) return base;
        const auto key = std::make_pair(base, flags);
        auto found = derived_.find(key);
        if (found != derived_.end()) return found->second.get();
        LOGFONTW lf = {};
        if (!::GetObjectW(base, sizeof(lf), &lf)) return base;
        if (flags & kBold) lf.lfWeight = FW_BOLD;
        if (flags & kItalic) lf.lfItalic = TRUE;
        if (flags & kUnderline) lf.lfUnderline = TRUE;
        if (flags & kStrikeout) lf.lfStrikeOut = TRUE;
        win::UniqueFont font(::CreateFontIndirectW(&lf));
        if (!font) return base;
        HFONT handle = font.get();
        derived_.emplace(key, std::move(font));
        return handle;
    }

    // "face words... size [bold] [italic] [underline] [strikeout]"
    HFONT Make(const std::wstring& description) {
        LOGFONTW lf = {};
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
        lf.lfCharSet = DEFAULT_CHARSET;
        std::wstring face;
        size_t pos = 0;
        while (pos < description.size()) {
            while (pos < description.size() && description[pos] == L' ') ++pos;
            size_t end = description.find(L' ', pos);
            if (end == std::wstring::npos) end = description.size();
            const std::wstring word = description.substr(pos, end - pos);
            pos = end;
            if (word.empty()) continue;
            if (word == L"bold") lf.lfWeight = FW_BOLD;
            else if (word == L"italic") lf.lfItalic = TRUE;
            else if (word == L"underline") lf.lfUnderline = TRUE;
            else if (word == L"strikeout") lf.lfStrikeOut = TRUE;
            else if (word[0] >= L'0' && word[0] <= L'9') lf.lfHeight = -manager_->ScaleValue(_wtoi(word.c_str()));
            else face += (face.empty() ? L"" : L" ") + word;
        }
        if (!face.empty()) wcsncpy_s(lf.lfFaceName, face.c_str(), _TRUNCATE);
        win::UniqueFont font(::CreateFontIndirectW(&lf));
        if (!font) return nullptr;
        made_.push_back(std::move(font));
        return made_.back().get();
    }

private:
    CPaintManagerUI* manager_;
    std::map<std::pair<HFONT, int>, win::UniqueFont> derived_;
    std::vector<win::UniqueFont> made_;
};

// The value of name='value' inside a tag's argument, or empty.
std::wstring QuotedValue(const std::wstring& arg, const wchar_t* name) {
    const std::wstring key = std::wstring(name) + L"='";
    const size_t start = arg.find(key);
    if (start == std::wstring::npos) return std::wstring();
    const size_t end = arg.find(L'\'', start + key.size());
    if (end == std::wstring::npos) return std::wstring();
    return arg.substr(start + key.size(), end - start - key.size());
}

class HtmlLayout {
public:
    HtmlLayout(HDC dc, CPaintManagerUI* manager, int maxWidth, bool singleLine, DWORD color, int font)
        : dc_(dc), manager_(manager), maxWidth_(maxWidth), singleLine_(singleLine), fonts_(manager) {
        colors_.push_back(color);
        HFONT base = manager->GetFont(font);
        if (!base) base = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
        baseFonts_.push_back(base);
        lines_.emplace_back();
    }

    void Run(const wchar_t* text);
    std::vector<Line>& Lines() { return lines_; }
    const std::vector<std::wstring>& LinkTargets() const { return linkTargets_; }

private:
    void Tag(bool closing, wchar_t letter, const std::wstring& arg);
    void Text(const std::wstring& text);
    void Word(const std::wstring& word, bool spaces);
    void AddImage(const std::wstring& arg);
    void Place(Piece piece, bool mergeable);
    void NewLine(int gap = 0);
    HFONT CurrentFont() { return fonts_.Derive(baseFonts_.back(), flags()); }
    int flags() const {
        return (bold_ > 0 ? kBold : 0) | (italic_ > 0 ? kItalic : 0) |
               (underline_ > 0 ? kUnderline : 0) | (strike_ > 0 ? kStrikeout : 0);
    }

    HDC dc_;
    CPaintManagerUI* manager_;
    int maxWidth_;
    bool singleLine_;
    FontCache fonts_;
    std::vector<DWORD> colors_;
    std::vector<HFONT> baseFonts_;
    std::vector<int> minHeights_{0};
    int bold_ = 0, italic_ = 0, underline_ = 0, strike_ = 0;
    int link_ = -1;
    std::vector<std::wstring> linkTargets_;
    std::vector<bool> linkNamed_;
    std::vector<Line> lines_;
    int x_ = 0;
};

void HtmlLayout::Run(const wchar_t* text) {
    std::wstring pending;
    bool raw = false;
    for (const wchar_t* p = text; *p != L'\0';) {
        const wchar_t open = *p;
        if (open != L'<' && open != L'{') {
            pending += *p++;
            continue;
        }
        if (!raw && p[1] == open) {  // "<<" or "{{"
            pending += open;
            p += 2;
            continue;
        }
        const wchar_t close = open == L'<' ? L'>' : L'}';
        const wchar_t* end = std::wcschr(p + 1, close);
        if (!end) {
            pending += p;
            break;
        }
        std::wstring body(p + 1, end);
        const bool closing = !body.empty() && body[0] == L'/';
        if (closing) body.erase(0, 1);
        const wchar_t letter = body.empty() ? L'\0' : body[0];
        const bool isTag = letter != L'\0' && (body.size() == 1 || body[1] == L' ');
        if (raw && !(closing && body == L"r")) {
            pending += open;
            ++p;
            continue;
        }
        if (!isTag) {  // not a tag: dropped like an unknown one
            p = end + 1;
            continue;
        }
        Text(pending);
        pending.clear();
        if (letter == L'r') raw = !closing;
        else Tag(closing, letter, body.size() > 2 ? body.substr(2) : std::wstring());
        p = end + 1;
    }
    Text(pending);
}

void HtmlLayout::Tag(bool closing, wchar_t letter, const std::wstring& arg) {
    const int delta = closing ? -1 : 1;
    switch (letter) {
    case L'b': bold_ = std::max(0, bold_ + delta); break;
    case L'u': underline_ = std::max(0, underline_ + delta); break;
    case L's': strike_ = std::max(0, strike_ + delta); break;
    case L'i':
        if (!closing && !arg.empty()) AddImage(arg);
        else italic_ = std::max(0, italic_ + delta);
        break;
    case L'c':
        if (closing) {
            if (colors_.size() > 1) colors_.pop_back();
        } else {
            const wchar_t* hex = arg.c_str();
            if (*hex == L'#') ++hex;
            DWORD color = std::wcstoul(hex, nullptr, 16);
            if (std::wcslen(hex) <= 6) color |= 0xFF000000;
            colors_.push_back(color);
        }
        break;
    case L'f':
        if (closing) {
            if (baseFonts_.size() > 1) baseFonts_.pop_back();
        } else {
            const bool byId = !arg.empty() && arg.find_first_not_of(L"0123456789") == std::wstring::npos;
            HFONT font = byId ? manager_->GetFont(_wtoi(arg.c_str())) : fonts_.Make(arg);
            baseFonts_.push_back(font ? font : baseFonts_.back());
        }
        break;
    case L'a':
        if (closing) {
            link_ = -1;
        } else {
            link_ = static_cast<int>(linkTargets_.size());
            linkTargets_.push_back(arg);
            linkNamed_.push_back(!arg.empty());
        }
        break;
    case L'n':
        if (!closing) NewLine();
        break;
    case L'p':
        if (!closing) {
            const int gap = arg.empty() ? -1 : _wtoi(arg.c_str());
            NewLine(gap);
        }
        break;
    case L'x':
        if (!closing) x_ += manager_->ScaleValue(_wtoi(arg.c_str()));
        break;
    case L'y':
        if (closing) {
            if (minHeights_.size() > 1) minHeights_.pop_back();
        } else {
            minHeights_.push_back(manager_->ScaleValue(_wtoi(arg.c_str())));
        }
        break;
    default:
        break;
    }
}

void HtmlLayout::Text(const std::wstring& text) {
    std::wstring word;
    bool spaces = false;
    auto flush = [&]() {
        if (!word.empty()) Word(word, spaces);
        word.clear();
    };
    for (wchar_t ch : text) {
        if (ch == L'\r') continue;
        if (ch == L'\n') {
            flush();
            NewLine();
            continue;
        }
        const bool space = ch == L' ' || ch == L'\t';
        if (space != spaces || IsCjk(ch)) flush();
        spaces = space;
        word += space ? L' ' : ch;
        if (IsCjk(ch)) flush();
    }
    flush();
}

void HtmlLayout::Word(const std::wstring& word, bool spaces) {
    if (link_ >= 0 && !linkNamed_[link_]) linkTargets_[link_] += word;
    HFONT font = CurrentFont();
    win::ScopedSelectObject select(dc_, font);
    TEXTMETRICW tm = {};
    ::GetTextMetricsW(dc_, &tm);
    std::wstring rest = word;
    while (!rest.empty()) {
        SIZE size = {};
        ::GetTextExtentPoint32W(dc_, rest.c_str(), static_cast<int>(rest.size()), &size);
        const bool wraps = !singleLine_ && maxWidth_ > 0 && x_ + size.cx > maxWidth_;
        if (wraps && spaces) {  // spaces at a line's end are dropped
            NewLine();
            return;
        }
        if (wraps && !lines_.back().pieces.empty()) {
            NewLine();
            continue;
        }
        std::wstring part = rest;
        if (wraps) {  // a word wider than a whole line: as much as fits, at least one character
            int fit = 0;
            ::GetTextExtentExPointW(dc_, rest.c_str(), static_cast<int>(rest.size()), maxWidth_ - x_,
                                    &fit, nullptr, &size);
            fit = std::max(1, fit);
            part = rest.substr(0, fit);
            ::GetTextExtentPoint32W(dc_, part.c_str(), fit, &size);
        }
        rest.erase(0, part.size());
        Piece piece;
        piece.text = part;
        piece.font = font;
        piece.color = link_ >= 0 ? manager_->GetDefaultLinkFontColor() : colors_.back();
        piece.link = link_;
        piece.width = size.cx;
        piece.ascent = tm.tmAscent;
        piece.height = tm.tmHeight;
        Place(std::move(piece), true);
        if (!rest.empty()) NewLine();
    }
}

void HtmlLayout::AddImage(const std::wstring& arg) {
    std::wstring name = QuotedValue(arg, L"file");
    if (name.empty()) name = QuotedValue(arg, L"res");
    if (name.empty()) name = arg;
    const std::wstring type = QuotedValue(arg, L"restype");
    const CImageData* image = manager_->GetImageEx(name.c_str(), type.empty() ? nullptr : type.c_str());
    if (!image) return;
    if (!singleLine_ && maxWidth_ > 0 && x_ + image->width > maxWidth_ && !lines_.back().pieces.empty()) {
        NewLine();
    }
    Piece piece;
    piece.image = image;
    piece.link = link_;
    piece.width = image->width;
    piece.ascent = image->height;
    piece.height = image->height;
    Place(std::move(piece), false);
}

void HtmlLayout::Place(Piece piece, bool mergeable) {
    Line& line = lines_.back();
    piece.x = x_;
    x_ += piece.width;
    line.width = x_;
    line.ascent = std::max(line.ascent, piece.ascent);
    line.height = std::max({line.height, piece.height, line.ascent + (piece.height - piece.ascent),
                            minHeights_.back()});
    if (mergeable && !line.pieces.empty()) {
        Piece& last = line.pieces.back();
        if (!last.image && last.font == piece.font && last.color == piece.color &&
            last.link == piece.link && last.x + last.width == piece.x) {
            last.text += piece.text;
            last.width += piece.width;
            return;
        }
    }
    line.pieces.push_back(std::move(piece));
}

void HtmlLayout::NewLine(int gap) {
    Line& line = lines_.back();
    if (line.height == 0) {  // an empty line is as tall as the current font
        win::ScopedSelectObject select(dc_, CurrentFont());
        TEXTMETRICW tm = {};
        ::GetTextMetricsW(dc_, &tm);
        line.height = std::max<int>(tm.tmHeight, minHeights_.back());
        line.ascent = tm.tmAscent;
    }
    line.gapAfter = gap < 0 ? line.height / 2 : gap;
    if (singleLine_) {  // one line only: a break becomes a space of no width
        line.gapAfter = 0;
        return;
    }
    lines_.emplace_back();
    x_ = 0;
}

void DrawPiece(HDC dc, CPaintManagerUI* manager, const Piece& piece, int x, int baseline,
               const RECT& clip, bool gdiplus) {
    const int top = baseline - piece.ascent;
    if (piece.image) {
        const RECT dest = {x, top, x + piece.width, top + piece.height};
        const RECT source = {0, 0, piece.image->width, piece.image->height};
        CRenderer::DrawImage(dc, piece.image->GetBitmap(), dest, clip, source, RECT{0, 0, 0, 0}, true);
        return;
    }
    if (gdiplus) {
        RECT rc = {x, top, x + piece.width + piece.height, top + piece.height};
        DrawTextGdiplus(dc, piece.font, rc, piece.text.c_str(), static_cast<int>(piece.text.size()),
                        piece.color, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP,
                        manager->GetGdiplusTextRenderingHint());
        return;
    }
    win::ScopedSelectObject select(dc, piece.font);
    ::SetTextColor(dc, ToColorRef(piece.color));
    ::TextOutW(dc, x, top, piece.text.c_str(), static_cast<int>(piece.text.size()));
}

}  // namespace

void CRenderer::DrawHtmlText(HDC dc, CPaintManagerUI* manager, RECT& rc, const wchar_t* text,
                             DWORD color, RECT* links, CUiString* linkTexts, int& linkCount,
                             int font, UINT format) {
    const int capacity = links ? linkCount : 0;
    linkCount = 0;
    if (!dc || !manager || !text) return;

    const bool singleLine = (format & DT_SINGLELINE) != 0;
    HtmlLayout layout(dc, manager, rc.right - rc.left, singleLine, color, font);
    layout.Run(text);
    std::vector<Line>& lines = layout.Lines();
    if (!lines.empty() && lines.back().pieces.empty() && lines.size() > 1) lines.pop_back();

    int total = 0, widest = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        total += lines[i].height + (i + 1 < lines.size() ? lines[i].gapAfter : 0);
        widest = std::max(widest, lines[i].width);
    }
    if (format & DT_CALCRECT) {
        rc.right = rc.left + widest;
        rc.bottom = rc.top + total;
        return;
    }

    int top = rc.top;
    if (format & DT_VCENTER) top = rc.top + (rc.bottom - rc.top - total) / 2;
    else if (format & DT_BOTTOM) top = rc.bottom - total;

    win::ScopedClip clip(dc);
    if (!(format & DT_NOCLIP)) ::IntersectClipRect(dc, rc.left, rc.top, rc.right, rc.bottom);
    ScopedTextStyle style(dc, ToColorRef(color));
    const bool gdiplus = manager->IsLayered() || manager->IsUseGdiplusText();
    const auto& targets = layout.LinkTargets();

    for (const Line& line : lines) {
        int left = rc.left;
        if (format & DT_CENTER) left += (rc.right - rc.left - line.width) / 2;
        else if (format & DT_RIGHT) left = rc.right - line.width;
        for (const Piece& piece : line.pieces) {
            DrawPiece(dc, manager, piece, left + piece.x, top + line.ascent, rc, gdiplus);
            if (piece.link >= 0 && linkCount < capacity) {
                links[linkCount] = RECT{left + piece.x, top, left + piece.x + piece.width, top + line.height};
                if (linkTexts) linkTexts[linkCount] = targets[piece.link].c_str();
                ++linkCount;
            }
        }
        top += line.height + line.gapAfter;
    }
}

}  // namespace Ulmar
