// CPaintManagerUI's process-wide resource location: forwards to ResourceLocation,
// which the markup reader and the image loader read through as well.
#include "ui/base/paint_manager.h"
#include "ui/base/resource_location.h"

namespace Ulmar {

void CPaintManagerUI::SetInstance(HINSTANCE instance) { ResourceLocation::SetInstance(instance); }
HINSTANCE CPaintManagerUI::GetInstance() { return ResourceLocation::GetInstance(); }
std::wstring CPaintManagerUI::GetInstancePath() { return ResourceLocation::GetInstancePath(); }
void CPaintManagerUI::SetResourceInstance(HINSTANCE instance) {
    ResourceLocation::SetResourceInstance(instance);
}
HINSTANCE CPaintManagerUI::GetResourceDll() { return ResourceLocation::GetResourceDll(); }
void CPaintManagerUI::SetResourcePath(const wchar_t* path) { ResourceLocation::SetResourcePath(path); }
const std::wstring& CPaintManagerUI::GetResourcePath() { return ResourceLocation::GetResourcePath(); }
void CPaintManagerUI::SetResourceZip(const wchar_t* name, bool cached, const wchar_t* password) {
    ResourceLocation::SetResourceZip(name, cached, password);
}
void CPaintManagerUI::SetResourceZip(const void* bytes, size_t size, const wchar_t* password) {
    ResourceLocation::SetResourceZip(bytes, size, password);
}
const std::wstring& CPaintManagerUI::GetResourceZip() { return ResourceLocation::GetResourceZip(); }
bool CPaintManagerUI::IsCachedResourceZip() { return ResourceLocation::IsCachedResourceZip(); }
CSkinArchive* CPaintManagerUI::GetResourceZipHandle() { return ResourceLocation::GetResourceZipHandle(); }
void CPaintManagerUI::SetResourceType(int type) { ResourceLocation::SetResourceType(type); }
int CPaintManagerUI::GetResourceType() { return ResourceLocation::GetResourceType(); }

void CPaintManagerUI::Term() {
    FreeShared();
    ResourceLocation::Release();
}

}  // namespace Ulmar
