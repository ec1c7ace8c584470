#include "tools/skinview/markup_mode.h"

#include <string>

#include "tools/skinview/output.h"
#include "ui/base/markup.h"
#include "ui/base/resource_location.h"
#include "win/text.h"

namespace skinview {
namespace {

// One line per element in document order: two spaces per level, the name,
// then ` name="value"` per attribute as the node exposes it.
std::string Describe(const Ulmar::CXmlMarkup& doc) {
    std::string out;
    int depth = 0;
    Ulmar::CXmlMarkupNode n = doc.GetRoot();
    while (n.IsValid()) {
        out.append(static_cast<size_t>(depth) * 2, ' ');
        out += win::WideToUtf8(n.GetName());
        for (int i = 0; i < n.GetAttributeCount(); ++i) {
            out += ' ';
            out += win::WideToUtf8(n.GetAttributeName(i));
            out += '=';
            AppendJsonString(out, n.GetAttributeValue(i));
        }
        out += '\n';
        // Iterative walk: a deeply nested document must not exhaust the stack.
        if (n.HasChildren()) {
            n = n.GetChild();
            ++depth;
            continue;
        }
        while (n.IsValid() && !n.HasSiblings()) {
            n = n.GetParent();
            --depth;
        }
        if (n.IsValid()) n = n.GetSibling();
    }
    return out;
}

int Usage() {
    WriteErr("usage: skinview markup FILE\n       skinview markup --zip ZIP ENTRY\n");
    return 2;
}

}  // namespace

int RunMarkup(int argc, wchar_t** args) {
    namespace RL = Ulmar::ResourceLocation;
    Ulmar::CXmlMarkup doc;
    bool loaded;
    // Paths are taken as given: relative to the current folder or absolute.
    RL::SetResourcePath(L"");
    if (argc == 1 && std::wstring(args[0]) != L"--zip") {
        loaded = doc.LoadFromFile(args[0]);
    } else if (argc == 3 && std::wstring(args[0]) == L"--zip") {
        RL::SetResourceZip(args[1], true);
        loaded = doc.LoadFromFile(args[2]);
    } else {
        return Usage();
    }
    RL::Release();
    if (!loaded) {
        std::string out = "error: " + win::WideToUtf8(doc.GetLastErrorMessage()) + "\nat: ";
        AppendJsonString(out, doc.GetLastErrorLocation());
        out += '\n';
        WriteOut(out);
        return 1;
    }
    return WriteOut(Describe(doc)) ? 0 : 1;
}

}  // namespace skinview
