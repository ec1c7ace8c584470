#include "ui/base/resource_location.h"

#include <memory>
#include <mutex>
#include <new>

#include "ui/base/skin_archive.h"
#include "win/unique_handle.h"

namespace Ulmar {
namespace ResourceLocation {
namespace {

constexpr wchar_t kMemoryZipName[] = L"membuffer";

// Process-wide, set at start-up on the UI thread. The archive is guarded
// because a read moves its current entry.
struct State {
    HINSTANCE instance = nullptr;
    HINSTANCE resourceInstance = nullptr;
    std::wstring resourcePath;
    std::wstring zipName;
    std::wstring zipPassword;
    bool cached = true;
    int type = 1;
    std::unique_ptr<CSkinArchive> archive;  // the cached archive, when open
    std::mutex archiveLock;
};

State& Get() {
    static State state;
    return state;
}

void CloseCached(State& s) {
    std::lock_guard<std::mutex> lock(s.archiveLock);
    s.archive.reset();
}

// Reads a whole file: the messages are the ones the markup parser reports.
bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& bytes, const wchar_t*& error,
                   size_t maxSize) {
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        error = L"Error opening file";
        return false;
    }
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) {
        error = L"Could not read file";
        return false;
    }
    if (size.QuadPart == 0) {
        error = L"File is empty";
        return false;
    }
    if ((maxSize && static_cast<uint64_t>(size.QuadPart) > maxSize) || size.QuadPart > 0x7FFFFFFF) {
        error = L"File too large";
        return false;
    }
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(bytes.size() - done);
        if (!::ReadFile(file.get(), bytes.data() + done, want, &got, nullptr) || got == 0) break;
        done += got;
    }
    if (done < bytes.size()) {
        bytes.clear();
        error = L"Could not read file";
        return false;
    }
    return true;
}

bool ExtractFrom(CSkinArchive& archive, const wchar_t* name, std::vector<unsigned char>& bytes,
                 const wchar_t*& error, size_t maxSize) {
    switch (archive.Extract(name, bytes, maxSize)) {
    case CSkinArchive::Result::Ok: return true;
    case CSkinArchive::Result::NotFound: error = L"Could not find ziped file"; break;
    case CSkinArchive::Result::Empty: error = L"File is empty"; break;
    case CSkinArchive::Result::TooLarge: error = L"File too large"; break;
    case CSkinArchive::Result::UnzipFailed: error = L"Could not unzip file"; break;
    }
    return false;
}

}  // namespace

void SetInstance(HINSTANCE instance) { Get().instance = instance; }
HINSTANCE GetInstance() { return Get().instance; }

std::wstring GetInstancePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(Get().instance, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return path;
}

void SetResourceInstance(HINSTANCE instance) { Get().resourceInstance = instance; }

HINSTANCE GetResourceDll() {
    const State& s = Get();
    return s.resourceInstance ? s.resourceInstance : s.instance;
}

void SetResourcePath(const wchar_t* path) {
    std::wstring& p = Get().resourcePath;
    p = path ? path : L"";
    if (!p.empty() && p.back() != L'\\' && p.back() != L'/') p += L'\\';
}

const std::wstring& GetResourcePath() { return Get().resourcePath; }

void SetResourceZip(const wchar_t* name, bool cached, const wchar_t* password) {
    State& s = Get();
    const std::wstring newName = name ? name : L"";
    if (newName == s.zipName && cached == s.cached) return;
    CloseCached(s);
    s.zipName = newName;
    s.cached = cached;
    s.zipPassword = password ? password : L"";
    if (!cached || newName.empty()) return;
    auto archive = std::make_unique<CSkinArchive>();
    if (archive->OpenFile((s.resourcePath + newName).c_str(), s.zipPassword.c_str())) {
        std::lock_guard<std::mutex> lock(s.archiveLock);
        s.archive = std::move(archive);
    }
}

void SetResourceZip(const void* bytes, size_t size, const wchar_t* password) {
    State& s = Get();
    if (s.zipName == kMemoryZipName) return;
    CloseCached(s);
    s.zipName = kMemoryZipName;
    s.cached = true;
    s.zipPassword = password ? password : L"";
    auto archive = std::make_unique<CSkinArchive>();
    if (archive->OpenMemory(bytes, size, s.zipPassword.c_str())) {
        std::lock_guard<std::mutex> lock(s.archiveLock);
        s.archive = std::move(archive);
    }
}

const std::wstring& GetResourceZip() { return Get().zipName; }
const std::wstring& GetResourceZipPassword() { return Get().zipPassword; }
bool IsCachedResourceZip() { return Get().cached; }
CSkinArchive* GetResourceZipHandle() { return Get().archive.get(); }
bool IsArchiveSkin() { return !Get().zipName.empty(); }

void SetResourceType(int type) { Get().type = type; }
int GetResourceType() { return Get().type; }

bool ReadSkinFile(const wchar_t* name, std::vector<unsigned char>& bytes, const wchar_t*& error, size_t maxSize) {
    bytes.clear();
    error = nullptr;
    State& s = Get();
    try {
        if (!name || !*name) {
            error = L"Error opening file";
            return false;
        }
        if (s.zipName.empty()) return ReadWholeFile(s.resourcePath + name, bytes, error, maxSize);
        if (s.cached) {
            std::lock_guard<std::mutex> lock(s.archiveLock);
            if (!s.archive) {
                error = L"Error opening zip file";
                return false;
            }
            return ExtractFrom(*s.archive, name, bytes, error, maxSize);
        }
        CSkinArchive archive;
        if (!archive.OpenFile((s.resourcePath + s.zipName).c_str(), s.zipPassword.c_str())) {
            error = L"Error opening zip file";
            return false;
        }
        return ExtractFrom(archive, name, bytes, error, maxSize);
    } catch (const std::bad_alloc&) {
        bytes.clear();
        error = L"File too large";
        return false;
    }
}

void Release() {
    State& s = Get();
    CloseCached(s);
    s.zipName.clear();
    s.zipPassword.clear();
    s.cached = true;
}

}  // namespace ResourceLocation
}  // namespace Ulmar
