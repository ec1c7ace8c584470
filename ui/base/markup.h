#pragma once
// CXmlMarkup: the skin files' small XML reader. A document is converted to one
// UTF-16 buffer and parsed in place, in one pass, into an array of element
// records; CXmlMarkupNode values walk that tree and read attributes. It knows
// elements, double-quoted attributes, five named entities, comments and
// processing instructions, nothing more.
//
// The parse core (everything but LoadFromFile) makes no system calls apart from
// text conversion, so it also builds natively for fuzzing.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Ulmar {

enum XMLFILE_ENCODING {
    XMLFILE_ENCODING_UTF8 = 0,   // an EF BB BF mark is dropped
    XMLFILE_ENCODING_UTF16 = 1,  // FF FE little-endian or FE FF big-endian mark
    XMLFILE_ENCODING_ANSI = 2,   // the system's ANSI code page
};

class CXmlMarkup;

// A view of one element. Copied freely; valid only while its document stays
// loaded. Attributes are mapped on first use, at most 64, in document order.
class CXmlMarkupNode {
public:
    static constexpr int kMaxAttributes = 64;

    CXmlMarkupNode() = default;

    bool IsValid() const;
    const wchar_t* GetName() const;   // null for an invalid node
    const wchar_t* GetValue() const;  // text in front of the first child or the closing tag

    CXmlMarkupNode GetParent() const;
    CXmlMarkupNode GetChild() const;
    CXmlMarkupNode GetSibling() const;
    bool HasChildren() const;
    bool HasSiblings() const;

    bool HasAttributes() const;
    int GetAttributeCount() const;
    // By position: "" outside the range, null for an invalid node.
    const wchar_t* GetAttributeName(int index) const;
    const wchar_t* GetAttributeValue(int index) const;
    // By name, ignoring case; the first match wins. Null when absent.
    const wchar_t* GetAttributeValue(const wchar_t* name) const;
    bool HasAttribute(const wchar_t* name) const { return GetAttributeValue(name) != nullptr; }
    // Copies the value into the caller's buffer of `capacity` characters: at most
    // capacity - 1 of them, the rest NUL, so the result is always terminated.
    // False when not found, for an invalid node or without room.
    bool GetAttributeValue(const wchar_t* name, wchar_t* value, size_t capacity) const;

private:
    friend class CXmlMarkup;
    struct Attribute {
        uint32_t name;   // character index of the name
        uint32_t value;  // character index of the value
    };

    CXmlMarkupNode(const CXmlMarkup* owner, uint32_t element) : owner_(owner), element_(element) {}
    bool MapAttributes() const;  // false for an invalid node
    const wchar_t* At(uint32_t index) const;

    const CXmlMarkup* owner_ = nullptr;
    uint32_t element_ = 0;
    mutable int attributeCount_ = 0;  // 0 = not mapped yet (or none)
    mutable Attribute attributes_[kMaxAttributes] = {};
};

class CXmlMarkup {
public:
    explicit CXmlMarkup(const wchar_t* xml = nullptr);
    ~CXmlMarkup() = default;
    CXmlMarkup(const CXmlMarkup&) = delete;
    CXmlMarkup& operator=(const CXmlMarkup&) = delete;

    // Each load replaces the document. False on failure, with the message and
    // location readable afterwards and no document left.
    bool Load(const wchar_t* xml);
    bool LoadFromMem(const unsigned char* bytes, size_t size, XMLFILE_ENCODING encoding = XMLFILE_ENCODING_UTF8);
    // Reads the named file from the resource folder or the skin archive (4 MiB at most).
    bool LoadFromFile(const wchar_t* name, XMLFILE_ENCODING encoding = XMLFILE_ENCODING_UTF8);
    void Release();

    bool IsValid() const { return !elements_.empty(); }
    CXmlMarkupNode GetRoot() const;

    void SetPreserveWhitespace(bool preserve) { preserveWhitespace_ = preserve; }
    const wchar_t* GetLastErrorMessage() const { return errorMessage_; }
    const wchar_t* GetLastErrorLocation() const { return errorLocation_; }

    static constexpr size_t kMaxFileSize = 4 * 1024 * 1024;

private:
    friend class CXmlMarkupNode;
    struct Element {
        uint32_t nameStart;
        uint32_t firstChild;   // 0 = none
        uint32_t nextSibling;  // 0 = none
        uint32_t parent;       // 0 = top level
        uint32_t dataStart;    // content, or the "/>" of an empty-element tag
    };
    class Parser;

    bool ParseText();  // parses text_, releasing it on failure
    bool Fail(const wchar_t* message, const wchar_t* where);
    void ClearError();

    std::vector<wchar_t> text_;      // NUL-terminated, rewritten by the parse
    std::vector<Element> elements_;  // [0] is a sentinel
    wchar_t errorMessage_[100] = {};
    wchar_t errorLocation_[50] = {};
    bool preserveWhitespace_ = true;
};

}  // namespace Ulmar
