// The payload resource ("7Z" 101) of an installer: its size beside the other
// large resources', and a copy of the installer with another archive in its place.
#include "tests/bench/probe.h"

#include "win/module_resource.h"

#include <cstdio>

namespace bench {
namespace {

constexpr int kPayloadId = 101;
constexpr wchar_t kPayloadType[] = L"7Z";
constexpr int kSkinId = 102;
constexpr wchar_t kSkinType[] = L"ZIPRES";
constexpr int kStringsId = 104;
constexpr wchar_t kStringsType[] = L"LANG";

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::FreeLibrary(h); }
};
// An open resource update that was not committed is discarded.
struct ResourceUpdateTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::EndUpdateResourceW(h, TRUE); }
};

bool ReadWholeFile(const std::wstring& path, std::vector<char>* bytes) {
    const win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x40000000) return false;
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return bytes->empty() ||
           (::ReadFile(file.get(), bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) &&
            read == bytes->size());
}

// 0 when the module has no such resource.
DWORD ResourceSize(HMODULE module, const wchar_t* type, int id) {
    return win::ReadModuleResource(module, type, static_cast<WORD>(id)).size;
}

}  // namespace

int PayloadSize(const std::wstring& exe) {
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!::GetFileAttributesExW(exe.c_str(), GetFileExInfoStandard, &attributes)) return 1;
    const unsigned long long fileSize =
        (static_cast<unsigned long long>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
    const win::UniqueHandle<ModuleTraits> module(
        ::LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    const DWORD payloadSize = module ? ResourceSize(module.get(), kPayloadType, kPayloadId) : 0;
    if (!payloadSize) {
        std::fprintf(stderr, "%ls holds no payload resource\n", exe.c_str());
        return 1;
    }
    std::printf("exe %llu bytes, payload %lu bytes, stub %llu bytes (of it skin archive %lu, string bundle %lu)\n",
                fileSize, payloadSize, fileSize - payloadSize, ResourceSize(module.get(), kSkinType, kSkinId),
                ResourceSize(module.get(), kStringsType, kStringsId));
    return 0;
}

int ReplacePayload(const std::wstring& source, const std::wstring& archive, const std::wstring& target) {
    std::vector<char> bytes;
    if (!ReadWholeFile(archive, &bytes) || bytes.empty()) {
        std::fprintf(stderr, "cannot read %ls\n", archive.c_str());
        return 1;
    }
    if (!::CopyFileW(source.c_str(), target.c_str(), FALSE)) {
        std::fprintf(stderr, "cannot copy %ls to %ls (%lu)\n", source.c_str(), target.c_str(), ::GetLastError());
        return 1;
    }
    win::UniqueHandle<ResourceUpdateTraits> update(::BeginUpdateResourceW(target.c_str(), FALSE));
    if (!update ||
        !::UpdateResourceW(update.get(), kPayloadType, MAKEINTRESOURCEW(kPayloadId),
                           MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), bytes.data(), static_cast<DWORD>(bytes.size()))) {
        std::fprintf(stderr, "cannot update the payload of %ls (%lu)\n", target.c_str(), ::GetLastError());
        return 1;
    }
    if (!::EndUpdateResourceW(update.release(), FALSE)) {
        std::fprintf(stderr, "cannot write %ls (%lu)\n", target.c_str(), ::GetLastError());
        return 1;
    }
    return 0;
}

}  // namespace bench
