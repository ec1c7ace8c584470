#include "engine/payload/payload_bytes.h"

#include "win/module_resource.h"

#include <cstdint>

bool PayloadBytes::FromResource(HMODULE module, const wchar_t* type, WORD id) {
    const win::ModuleResource resource = win::ReadModuleResource(module, type, id);
    if (!resource) {
        ::SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return false;
    }
    m_view.reset();
    m_mapping.reset();
    m_file.reset();
    m_data = resource.data;
    m_size = resource.size;
    return true;
}

bool PayloadBytes::FromFile(const std::wstring& path) {
    win::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return false;
    if (size.QuadPart == 0 || static_cast<unsigned long long>(size.QuadPart) > SIZE_MAX) {
        ::SetLastError(size.QuadPart == 0 ? ERROR_FILE_INVALID : ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    win::UniqueKernelHandle mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping) return false;
    win::UniqueMappedView view(::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) return false;
    m_data = view.get();
    m_size = static_cast<size_t>(size.QuadPart);
    m_view = std::move(view);
    m_mapping = std::move(mapping);
    m_file = std::move(file);
    return true;
}
