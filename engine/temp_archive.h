// The payload's temporary copy in the user's temp folder. The worker runs as
// administrator while any program of the same user can write to that folder, so
// the file is created new (never written through whatever was planted at its
// name), kept open with read-only sharing from creation until the extraction
// ends, and read back through the handle it was written with.
#pragma once

#include <windows.h>

#include <string>

#include "win/unique_handle.h"

// Creates a new empty file under a name of its own beside `path` and renames it
// over whatever is at `path` (a file, a hard link, a symbolic link, a junction),
// never opening that entry for writing nor deleting a link's target. The file
// is open for reading, writing and deletion and shared for reading only. An
// empty owner, with the last error, when the name cannot be taken.
win::UniqueFile CreateFreshFile(const std::wstring& path);

class TempArchive {
public:
    TempArchive() = default;
    TempArchive(const TempArchive&) = delete;
    TempArchive& operator=(const TempArchive&) = delete;

    // CreateFreshFile; false (last error set) when there is no path or no file.
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
