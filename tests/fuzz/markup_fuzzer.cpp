// libFuzzer target for the markup reader's parse core. The first byte picks the
// encoding and the whitespace mode; the rest is the document. Every parsed tree
// is walked completely, attributes and lookups included, so the mapper and the
// accessors see whatever the parser left behind.
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <vector>

#include "ui/base/markup.h"

using Ulmar::CXmlMarkup;
using Ulmar::CXmlMarkupNode;

namespace {

size_t Touch(const wchar_t* s) { return s ? std::wcslen(s) : 0; }

size_t Walk(const CXmlMarkup& doc) {
    size_t sum = 0;
    CXmlMarkupNode n = doc.GetRoot();
    while (n.IsValid()) {
        sum += Touch(n.GetName()) + Touch(n.GetValue());
        const int count = n.GetAttributeCount();
        for (int i = -1; i <= count; ++i) {
            const wchar_t* name = n.GetAttributeName(i);
            sum += Touch(name) + Touch(n.GetAttributeValue(i));
            if (i >= 0 && i < count) {
                wchar_t buf[8];
                if (n.GetAttributeValue(name, buf, 8)) sum += Touch(buf);
            }
        }
        sum += Touch(n.GetAttributeValue(L"name"));
        // Depth first, in document order, without recursion.
        if (n.HasChildren()) {
            n = n.GetChild();
            continue;
        }
        while (n.IsValid() && !n.HasSiblings()) n = n.GetParent();
        if (n.IsValid()) n = n.GetSibling();
    }
    return sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const auto encoding = static_cast<Ulmar::XMLFILE_ENCODING>(data[0] % 3);
    CXmlMarkup doc;
    doc.SetPreserveWhitespace((data[0] & 0x80) == 0);
    if (doc.LoadFromMem(data + 1, size - 1, encoding)) {
        volatile size_t sink = Walk(doc);
        (void)sink;
    } else {
        volatile size_t sink = Touch(doc.GetLastErrorMessage()) + Touch(doc.GetLastErrorLocation());
        (void)sink;
    }
    return 0;
}
