// The payload's temporary copy in the user's temp folder. The worker runs as
// administrator while any program of the same user can write to that folder, so
// the file is created new (never written through whatever was planted at its
// name), kept open with read-only sharing from creation until the extraction
// ends, and read back through the handle it was written with.
#pragma once

#include <windows.h>

#include <string>

#include "win/unique_handle.h"

class TempArchive {
public:
    TempArchive() = default;
    TempArchive(const TempArchive&) = delete;
    TempArchive& operator=(const TempArchive&) = delete;

    // win::CreateFreshFile: whatever a user planted at the name is replaced or
    // moved aside, never written through nor changed. False (last error set)
    // when there is no path or no file.
    bool Create(const std::wstring& path);
    HANDLE Handle() const noexcept { return m_file.get(); }
    const std::wstring& Path() const noexcept { return m_path; }
    // Deletes the file through its own handle and closes it.
    bool Delete();
    // Closes the handle and leaves the file where it is.
    void Close() noexcept { m_file.reset(); }

private:
    std::wstring m_path;
    win::UniqueFile m_file;
};

// Appends a file's whole content to an open file (the headless driver's payload).
bool CopyFileInto(const std::wstring& source, HANDLE target);
