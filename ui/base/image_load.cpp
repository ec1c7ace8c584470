// Where an image's bytes come from: the skin (archive or folder), a plain file,
// or a module resource.
#include <windows.h>

#include <string>
#include <vector>

#include "ui/base/image.h"
#include "ui/base/resource_location.h"

namespace Ulmar {
namespace {

bool ReadWholeFile(const wchar_t* path, std::vector<unsigned char>& bytes) {
    win::UniqueFile file(::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size = {};
    // Skin images are small; anything past 256 MiB is not one.
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 || size.QuadPart > (256 << 20)) {
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return ::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
           read == bytes.size();
}

// The skin first (archive entries use "/"). A skin read from a folder may also
// name a file by its own path; an archive skin reads only the archive, so a name
// it does not hold is a missing image and never a file in the current folder.
bool ReadImageFile(const wchar_t* name, std::vector<unsigned char>& bytes) {
    std::wstring entry(name);
    for (wchar_t& ch : entry) {
        if (ch == L'\\') ch = L'/';
    }
    const wchar_t* error = nullptr;
    if (ResourceLocation::ReadSkinFile(entry.c_str(), bytes, error)) return true;
    bytes.clear();
    if (ResourceLocation::IsArchiveSkin()) return false;
    return ReadWholeFile(name, bytes);
}

bool ReadImageResource(const wchar_t* name, const wchar_t* type, HINSTANCE instance,
                       std::vector<unsigned char>& bytes) {
    HMODULE module = instance ? instance : ResourceLocation::GetResourceDll();
    const wchar_t* id = name;
    if (name[0] >= L'0' && name[0] <= L'9') id = MAKEINTRESOURCEW(_wtoi(name));
    HRSRC resource = ::FindResourceW(module, id, type);
    if (!resource) return false;
    HGLOBAL loaded = ::LoadResource(module, resource);  // not freed: resources live with the module
    const DWORD size = ::SizeofResource(module, resource);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data || size == 0) return false;
    const auto* begin = static_cast<const unsigned char*>(data);
    bytes.assign(begin, begin + size);
    return true;
}

}  // namespace

std::unique_ptr<CImageData> LoadImageData(const wchar_t* name, const wchar_t* type, DWORD mask,
                                          HINSTANCE instance, bool gdiplus) {
    if (!name || !*name) return nullptr;
    std::vector<unsigned char> bytes;
    bool found = false;
    if (type && *type) found = ReadImageResource(name, type, instance, bytes);
    if (!found) found = ReadImageFile(name, bytes);
    if (!found) return nullptr;
    return DecodeImageData(bytes.data(), bytes.size(), mask, gdiplus);
}

}  // namespace Ulmar
