#include "ui/base/markup.h"

#include <cwchar>
#include <cwctype>
#include <new>

#include "ui/base/markup_text.h"

namespace Ulmar {
namespace {

const wchar_t kExpectedStartTag[] = L"Expected start tag";
const wchar_t kElementName[] = L"Error parsing element name";
const wchar_t kStartTagClosing[] = L"Expected start-tag closing";
const wchar_t kEndTagStart[] = L"Expected end-tag start";
const wchar_t kUnmatchedClosing[] = L"Unmatched closing tag";
const wchar_t kAttributes[] = L"Error while parsing attributes";
const wchar_t kAttributeValue[] = L"Expected attribute value";
const wchar_t kAttributeString[] = L"Error while parsing attribute string";
const wchar_t kTooLarge[] = L"File too large";
const wchar_t kNoMemory[] = L"Out of memory";
const wchar_t kUnreadable[] = L"Could not read file";

bool IsSpace(wchar_t c) { return c >= 1 && c <= 32; }
bool IsNameChar(wchar_t c) { return c == L'_' || c == L':' || std::iswalnum(static_cast<wint_t>(c)); }

wchar_t* SkipSpace(wchar_t* p) {
    while (IsSpace(*p)) ++p;
    return p;
}
const wchar_t* SkipSpace(const wchar_t* p, const wchar_t* end) {
    while (p < end && IsSpace(*p)) ++p;
    return p;
}
wchar_t* SkipName(wchar_t* p) {
    while (*p && IsNameChar(*p)) ++p;
    return p;
}

// Case-insensitive equality of two NUL-terminated names.
bool SameName(const wchar_t* a, const wchar_t* b) {
    for (;; ++a, ++b) {
        if (std::towlower(static_cast<wint_t>(*a)) != std::towlower(static_cast<wint_t>(*b))) return false;
        if (!*a) return true;
    }
}

struct Entity {
    const wchar_t* text;
    size_t length;
    wchar_t ch;
};
const Entity kEntities[] = {
    {L"&amp;", 5, L'&'}, {L"&lt;", 4, L'<'}, {L"&gt;", 4, L'>'}, {L"&quot;", 6, L'"'}, {L"&apos;", 6, L'\''},
};

}  // namespace

// One pass over the text, in place. Open elements are kept on an explicit stack
// rather than by recursion, so hostile nesting cannot exhaust the thread stack.
class CXmlMarkup::Parser {
public:
    explicit Parser(CXmlMarkup& doc) : doc_(doc), base_(doc.text_.data()) {}

    bool Run() {
        NewElement();  // the sentinel
        wchar_t* p = SkipSpace(base_);
        uint32_t topPrevious = 0;
        for (;;) {
            const uint32_t parent = open_.empty() ? 0 : open_.back().element;
            uint32_t& previous = open_.empty() ? topPrevious : open_.back().lastChild;
            if (!*p && parent <= 1) return true;  // an unclosed root is accepted
            p = SkipSpace(p);
            if (*p != L'<') return doc_.Fail(kExpectedStartTag, p);
            if (p[1] == L'/') {
                if (open_.empty()) return doc_.Fail(kUnmatchedClosing, p);  // nothing to close
                if (!CloseElement(p)) return false;
                p = SkipSpace(p);
                continue;
            }
            *p++ = L'\0';
            p = SkipSpace(p);
            if (*p == L'!' || *p == L'?') {
                p = SkipDeclaration(p);
                continue;
            }

            const uint32_t element = NewElement();
            Element& e = doc_.elements_[element];
            e.nameStart = Index(p);
            e.parent = parent;
            if (previous)
                doc_.elements_[previous].nextSibling = element;
            else if (parent)
                doc_.elements_[parent].firstChild = element;
            previous = element;

            wchar_t* const name = p;
            p = SkipName(p);
            if (!*p) return doc_.Fail(kElementName, name);
            wchar_t* const nameEnd = p;
            if (!ParseAttributes(p)) return false;
            p = SkipSpace(p);
            if (p[0] == L'/' && p[1] == L'>') {
                doc_.elements_[element].dataStart = Index(p);
                *p = L'\0';
                *nameEnd = L'\0';
                p = SkipSpace(p + 2);
                continue;
            }
            if (*p != L'>') return doc_.Fail(kStartTagClosing, p);
            doc_.elements_[element].dataStart = Index(++p);
            *nameEnd = L'\0';  // behind the '>' now, so it may go
            wchar_t* const contentEnd = Decode(p, L'<');
            if (!*p && parent <= 1) {
                *contentEnd = L'\0';
                return true;
            }
            if (*p != L'<') return doc_.Fail(kEndTagStart, p);
            open_.push_back(Open{element, name, static_cast<size_t>(nameEnd - name), contentEnd, 0});
        }
    }

private:
    struct Open {
        uint32_t element;
        const wchar_t* name;
        size_t nameLength;
        wchar_t* contentEnd;  // end of the decoded text in front of the first child
        uint32_t lastChild;
    };

    uint32_t Index(const wchar_t* p) const { return static_cast<uint32_t>(p - base_); }

    uint32_t NewElement() {
        auto& v = doc_.elements_;
        if (v.size() == v.capacity()) v.reserve(v.capacity() + v.capacity() / 2 + 500);
        v.push_back(Element{0, 0, 0, 0, 0});
        return static_cast<uint32_t>(v.size() - 1);
    }

    // At "</": checks the name against the innermost open element and closes it.
    bool CloseElement(wchar_t*& p) {
        const Open open = open_.back();
        open_.pop_back();
        *open.contentEnd = L'\0';
        *p = L'\0';
        p = SkipSpace(p + 2);
        if (std::wcsncmp(p, open.name, open.nameLength) != 0) return doc_.Fail(kUnmatchedClosing, p);
        p = SkipSpace(p + open.nameLength);
        if (*p != L'>') return doc_.Fail(kUnmatchedClosing, p);
        ++p;
        return true;
    }

    // Comments end at the first "->", processing instructions at "?>"; without
    // one the rest of the text is skipped.
    static wchar_t* SkipDeclaration(wchar_t* p) {
        const wchar_t mark = *p == L'!' ? L'-' : L'?';
        while (*p && !(p[0] == mark && p[1] == L'>')) ++p;
        if (*p) p += 2;
        return SkipSpace(p);
    }

    // Behind an element's name: reads name="value" pairs up to ">" or "/", and
    // leaves them NUL-terminated for the attribute mapper.
    bool ParseAttributes(wchar_t*& p) {
        if (*p == L'>' || (p[0] == L'/' && p[1] == L'>')) return true;
        *p++ = L'\0';
        p = SkipSpace(p);
        while (*p && *p != L'>' && *p != L'/') {
            wchar_t* const nameEnd = SkipName(p);
            p = SkipSpace(nameEnd);
            if (*p != L'=') return doc_.Fail(kAttributes, p);
            *p++ = L' ';
            *nameEnd = L'\0';
            p = SkipSpace(p);
            if (*p != L'"') return doc_.Fail(kAttributeValue, p);
            wchar_t* const value = ++p;
            wchar_t* const valueEnd = Decode(p, L'"');
            if (!*p) return doc_.Fail(kAttributeString, value);
            *valueEnd = L'\0';
            if (valueEnd != p) *p = L' ';
            p = SkipSpace(p + 1);
        }
        return true;
    }

    // Decodes entities in place up to `end` (or the text's end), where p stops.
    // The characters freed by decoding become spaces. Returns the decoded end.
    wchar_t* Decode(wchar_t*& p, wchar_t end) {
        wchar_t* out = p;
        while (*p && *p != end) {
            if (*p == L'&') {
                const Entity* hit = nullptr;
                for (const Entity& e : kEntities)
                    if (std::wcsncmp(p, e.text, e.length) == 0) {
                        hit = &e;
                        break;
                    }
                if (hit) {
                    *out++ = hit->ch;
                    p += hit->length;
                    continue;
                }
            }
            if (*p == L' ') {
                *out++ = *p++;
                if (!doc_.preserveWhitespace_) p = SkipSpace(p);
                continue;
            }
            *out++ = *p++;
        }
        for (wchar_t* q = out; q < p; ++q) *q = L' ';
        return out;
    }

    CXmlMarkup& doc_;
    wchar_t* const base_;
    std::vector<Open> open_;
};

CXmlMarkup::CXmlMarkup(const wchar_t* xml) {
    if (xml) Load(xml);
}

void CXmlMarkup::Release() {
    std::vector<wchar_t>().swap(text_);
    std::vector<Element>().swap(elements_);
}

void CXmlMarkup::ClearError() {
    errorMessage_[0] = L'\0';
    errorLocation_[0] = L'\0';
}

bool CXmlMarkup::Fail(const wchar_t* message, const wchar_t* where) {
    const size_t messageRoom = sizeof errorMessage_ / sizeof errorMessage_[0] - 1;
    const size_t locationRoom = sizeof errorLocation_ / sizeof errorLocation_[0] - 1;
    size_t i = 0;
    for (; message && message[i] && i < messageRoom; ++i) errorMessage_[i] = message[i];
    errorMessage_[i] = L'\0';
    i = 0;
    for (; where && where[i] && i < locationRoom; ++i) errorLocation_[i] = where[i];
    errorLocation_[i] = L'\0';
    Release();
    return false;
}

bool CXmlMarkup::Load(const wchar_t* xml) {
    Release();
    ClearError();
    if (!xml) xml = L"";
    try {
        const size_t length = std::wcslen(xml);
        if (length >= UINT32_MAX) return Fail(kTooLarge, nullptr);
        text_.assign(xml, xml + length + 1);
    } catch (const std::bad_alloc&) {
        return Fail(kNoMemory, nullptr);
    }
    return ParseText();
}

bool CXmlMarkup::LoadFromMem(const unsigned char* bytes, size_t size, XMLFILE_ENCODING encoding) {
    Release();
    ClearError();
    if (!bytes) size = 0;
    try {
        bool converted = true;
        switch (encoding) {
        case XMLFILE_ENCODING_UTF16: {
            // Little-endian unless the mark says otherwise; a mark is dropped.
            bool bigEndian = false;
            if (size >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
                bigEndian = bytes[0] == 0xFE;
                bytes += 2;
                size -= 2;
            }
            const size_t count = size / 2;
            if (count >= UINT32_MAX) return Fail(kTooLarge, nullptr);
            text_.resize(count);
            for (size_t i = 0; i < count; ++i) {
                const unsigned hi = bytes[2 * i + (bigEndian ? 0 : 1)];
                const unsigned lo = bytes[2 * i + (bigEndian ? 1 : 0)];
                text_[i] = static_cast<wchar_t>(hi << 8 | lo);
            }
            break;
        }
        case XMLFILE_ENCODING_ANSI:
            converted = markup_text::ToUtf16(bytes, size, markup_text::CodePage::Ansi, text_);
            break;
        case XMLFILE_ENCODING_UTF8:
        default:
            if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
                bytes += 3;
                size -= 3;
            }
            converted = markup_text::ToUtf16(bytes, size, markup_text::CodePage::Utf8, text_);
            break;
        }
        if (!converted) return Fail(size > INT32_MAX ? kTooLarge : kUnreadable, nullptr);
        if (text_.size() >= UINT32_MAX) return Fail(kTooLarge, nullptr);
        text_.push_back(L'\0');
    } catch (const std::bad_alloc&) {
        return Fail(kNoMemory, nullptr);
    }
    return ParseText();
}

bool CXmlMarkup::ParseText() {
    try {
        return Parser(*this).Run();
    } catch (const std::bad_alloc&) {
        return Fail(kNoMemory, nullptr);
    }
}

CXmlMarkupNode CXmlMarkup::GetRoot() const {
    return elements_.size() > 1 ? CXmlMarkupNode(this, 1) : CXmlMarkupNode();
}

// ---- CXmlMarkupNode ----

bool CXmlMarkupNode::IsValid() const {
    return owner_ && element_ > 0 && element_ < owner_->elements_.size();
}

const wchar_t* CXmlMarkupNode::At(uint32_t index) const { return owner_->text_.data() + index; }

const wchar_t* CXmlMarkupNode::GetName() const {
    return IsValid() ? At(owner_->elements_[element_].nameStart) : nullptr;
}

const wchar_t* CXmlMarkupNode::GetValue() const {
    return IsValid() ? At(owner_->elements_[element_].dataStart) : nullptr;
}

CXmlMarkupNode CXmlMarkupNode::GetParent() const {
    if (!IsValid()) return {};
    const uint32_t parent = owner_->elements_[element_].parent;
    return parent ? CXmlMarkupNode(owner_, parent) : CXmlMarkupNode();
}

CXmlMarkupNode CXmlMarkupNode::GetChild() const {
    if (!IsValid()) return {};
    const uint32_t child = owner_->elements_[element_].firstChild;
    return child ? CXmlMarkupNode(owner_, child) : CXmlMarkupNode();
}

CXmlMarkupNode CXmlMarkupNode::GetSibling() const {
    if (!IsValid()) return {};
    const uint32_t next = owner_->elements_[element_].nextSibling;
    return next ? CXmlMarkupNode(owner_, next) : CXmlMarkupNode();
}

bool CXmlMarkupNode::HasChildren() const { return IsValid() && owner_->elements_[element_].firstChild != 0; }
bool CXmlMarkupNode::HasSiblings() const { return IsValid() && owner_->elements_[element_].nextSibling != 0; }

// Walks the start tag from behind the element name to the data start: names
// and values lie there NUL-terminated, with only whitespace between them.
bool CXmlMarkupNode::MapAttributes() const {
    if (!IsValid()) return false;
    if (attributeCount_ > 0) return true;
    const CXmlMarkup::Element& e = owner_->elements_[element_];
    const wchar_t* const end = At(e.dataStart);
    const wchar_t* p = At(e.nameStart);
    auto behindNul = [end](const wchar_t* q) -> const wchar_t* {
        while (q < end && *q) ++q;
        return q < end ? q + 1 : end;
    };
    p = behindNul(p);
    while (p < end && attributeCount_ < kMaxAttributes) {
        p = SkipSpace(p, end);
        if (p >= end) break;
        const wchar_t* const name = p;
        p = SkipSpace(behindNul(p), end);
        if (p >= end || *p != L'"') break;
        const wchar_t* const value = ++p;
        attributes_[attributeCount_++] = Attribute{static_cast<uint32_t>(name - At(0)),
                                                   static_cast<uint32_t>(value - At(0))};
        p = behindNul(p);
    }
    return true;
}

bool CXmlMarkupNode::HasAttributes() const { return GetAttributeCount() > 0; }

int CXmlMarkupNode::GetAttributeCount() const { return MapAttributes() ? attributeCount_ : 0; }

const wchar_t* CXmlMarkupNode::GetAttributeName(int index) const {
    if (!MapAttributes()) return nullptr;
    return index >= 0 && index < attributeCount_ ? At(attributes_[index].name) : L"";
}

const wchar_t* CXmlMarkupNode::GetAttributeValue(int index) const {
    if (!MapAttributes()) return nullptr;
    return index >= 0 && index < attributeCount_ ? At(attributes_[index].value) : L"";
}

const wchar_t* CXmlMarkupNode::GetAttributeValue(const wchar_t* name) const {
    if (!name || !MapAttributes()) return nullptr;
    for (int i = 0; i < attributeCount_; ++i)
        if (SameName(At(attributes_[i].name), name)) return At(attributes_[i].value);
    return nullptr;
}

bool CXmlMarkupNode::GetAttributeValue(const wchar_t* name, wchar_t* value, size_t capacity) const {
    if (!value || capacity == 0) return false;
    const wchar_t* found = GetAttributeValue(name);
    if (!found) return false;
    size_t i = 0;
    for (; i + 1 < capacity && found[i]; ++i) value[i] = found[i];
    for (; i < capacity; ++i) value[i] = L'\0';
    return true;
}

}  // namespace Ulmar
