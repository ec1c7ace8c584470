// Test builds only, until the skin reader's resource location is merged: files
// are read from the resource path (or as given when absolute). No archives.
#include <string>
#include <vector>

#include "ui/core/resource_location.h"
#include "win/unique_handle.h"

namespace Ulmar {
namespace ResourceLocation {

namespace {
HINSTANCE g_instance = nullptr;
HINSTANCE g_resourceInstance = nullptr;
std::wstring g_path;
std::wstring g_zip;
std::wstring g_password;
int g_type = 1;

bool ReadWhole(const std::wstring& path, std::vector<unsigned char>& bytes) {
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       0, nullptr));
    if (!file) return false;
    LARGE_INTEGER size = {};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0) return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    return ::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) &&
           read == bytes.size();
}
}  // namespace

void SetInstance(HINSTANCE instance) { g_instance = instance; }
HINSTANCE GetInstance() { return g_instance; }
std::wstring GetInstancePath() { return L""; }
void SetResourceInstance(HINSTANCE instance) { g_resourceInstance = instance; }
HINSTANCE GetResourceDll() {
    if (g_resourceInstance) return g_resourceInstance;
    return g_instance ? g_instance : ::GetModuleHandleW(nullptr);
}
void SetResourcePath(const wchar_t* path) {
    g_path = path ? path : L"";
    if (!g_path.empty() && g_path.back() != L'\\' && g_path.back() != L'/') g_path += L'\\';
}
const std::wstring& GetResourcePath() { return g_path; }
void SetResourceZip(const wchar_t* name, bool, const wchar_t*) { g_zip = name ? name : L""; }
void SetResourceZip(const void*, size_t, const wchar_t*) { g_zip = L"membuffer"; }
const std::wstring& GetResourceZip() { return g_zip; }
const std::wstring& GetResourceZipPassword() { return g_password; }
bool IsCachedResourceZip() { return true; }
CSkinArchive* GetResourceZipHandle() { return nullptr; }
void SetResourceType(int type) { g_type = type; }
int GetResourceType() { return g_type; }

bool ReadSkinFile(const wchar_t* name, std::vector<unsigned char>& bytes, const wchar_t*& error, size_t) {
    if (!name || !*name) {
        error = L"Error opening file";
        return false;
    }
    if (ReadWhole(g_path + name, bytes)) return true;
    error = L"Error opening file";
    return false;
}

void Release() {}

}  // namespace ResourceLocation
}  // namespace Ulmar
