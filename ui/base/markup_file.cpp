// CXmlMarkup::LoadFromFile: the one part of the markup reader that touches the
// skin's storage, kept apart so the parse core builds without it.
#include "ui/base/markup.h"

#include "ui/base/resource_location.h"

namespace Ulmar {

bool CXmlMarkup::LoadFromFile(const wchar_t* name, XMLFILE_ENCODING encoding) {
    Release();
    ClearError();
    std::vector<unsigned char> bytes;
    const wchar_t* error = nullptr;
    if (!ResourceLocation::ReadSkinFile(name, bytes, error, kMaxFileSize))
        return Fail(error ? error : L"Error opening file", nullptr);
    return LoadFromMem(bytes.data(), bytes.size(), encoding);
}

}  // namespace Ulmar
