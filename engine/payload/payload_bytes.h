// The payload archive's bytes, read where they already are instead of copied:
// the locked resource of this executable, or a file mapped read-only (the
// headless driver's --payload). Nothing is written to the temp folder, so no
// other program of the user can plant or swap what the elevated worker unpacks.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "win/unique_handle.h"

class PayloadBytes {
public:
    PayloadBytes() = default;
    PayloadBytes(const PayloadBytes&) = delete;
    PayloadBytes& operator=(const PayloadBytes&) = delete;

    // Resource `id` of `type` in `module` (null: this executable). The loader
    // keeps it mapped as long as the module, so nothing is owned here.
    bool FromResource(HMODULE module, const wchar_t* type, WORD id);
    // The whole file, mapped read-only. It stays open with read-only sharing
    // until this object goes: nobody can change it under the extraction. False
    // (last error set) when it cannot be opened, is empty or cannot be mapped.
    bool FromFile(const std::wstring& path);

    const void* data() const noexcept { return m_data; }
    size_t size() const noexcept { return m_size; }
    explicit operator bool() const noexcept { return m_data != nullptr; }

private:
    const void* m_data = nullptr;
    size_t m_size = 0;
    win::UniqueFile m_file;
    win::UniqueKernelHandle m_mapping;
    win::UniqueMappedView m_view;
};
