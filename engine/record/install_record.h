// The install record "Uninstall.xml": what an install unpacked, file by file and
// folder by folder, and the guarded removal that the next install (or the rollback
// of a failed extraction) does with it. Nothing outside a folder named after the
// product's executable is ever deleted.
#pragma once

#include "win/link_safe.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace engine {

constexpr wchar_t kInstallRecordFileName[] = L"Uninstall.xml";
constexpr uint64_t kMaxInstallRecordBytes = 0x800000;   // 8 MiB
constexpr size_t kMaxInstallRecordEntries = 100000;     // child elements of "Internal"

struct InstallRecord {
    std::vector<std::wstring> files;
    std::vector<std::wstring> dirs;
};

// UTF-8 without BOM or declaration, tab-indented; "File" elements, then "Dir".
// True when the file was opened, written and closed without error.
bool WriteInstallRecord(const std::wstring& record_path, const std::vector<std::wstring>& files,
                        const std::vector<std::wstring>& dirs);

// Reads a record within the size and entry limits; false (and *record untouched)
// when it is missing, too large, unparsable, lacks Uninstall/Internal or has too
// many entries. "File" and "Dir" match in any letter case; a missing "path" is "".
bool ReadInstallRecord(const std::wstring& record_path, InstallRecord* record);

// Full drive path with backslashes and no trailing one, not a drive root.
bool NormalisePath(const std::wstring& path, std::wstring* full);
// The folder normalises, is named exe_name (any case) and is not a reparse point.
bool IsInstallRoot(const std::wstring& folder, const std::wstring& exe_name, std::wstring* root);
// The path (relative ones are taken from the root) lies strictly below an install
// root and reaches it through no reparse point.
bool IsInsideRoot(const std::wstring& path, const std::wstring& root, const std::wstring& exe_name,
                  std::wstring* full);

// IsInsideRoot and the guarded delete for many paths below one install root:
// the root is checked once, and each folder on the way once (see
// win::LinkFreeWalk for why that holds for a secured root).
class InstallRootPaths {
public:
    // False (and every later call false) when `folder` is no install root.
    bool Open(const std::wstring& folder, const std::wstring& exe_name);
    const std::wstring& root() const { return m_root; }
    bool Inside(const std::wstring& path, std::wstring* full);
    // Inside without looking at the entry itself, only at the folders on its
    // way: for verbs that act through a handle on the entry (a rename, a delete).
    bool Placed(const std::wstring& path, std::wstring* full);
    // Only the spelling: the path normalises to one strictly below the root. No
    // file-system access.
    bool Below(const std::wstring& path, std::wstring* full) const;
    // Deletes a file or empty folder that Inside accepted, through a handle whose
    // final path lies below the root.
    bool Delete(const std::wstring& full);

private:
    std::wstring m_root;
    std::unique_ptr<win::LinkFreeWalk> m_walk;
};

// Deletes the files in list order, then removes the folders deepest first; every
// path must pass IsInsideRoot, and each goes through a handle on the entry itself
// whose final path lies below the root, so a link swapped in after the check is
// not followed. Failures are ignored (a non-empty folder stays).
void RemovePaths(const std::vector<std::wstring>& dirs, const std::vector<std::wstring>& files,
                 const std::wstring& root, const std::wstring& exe_name);

// Removes what the record in `folder` lists, then the record and the folder when
// empty. False when the folder is no install root or the record is unusable; then
// nothing at all is removed.
bool RemoveEarlierInstallation(const std::wstring& folder, const std::wstring& exe_name);

// The file names that the record in `folder` lists directly in it (the earlier
// install's programs among them); empty when there is no usable record.
std::vector<std::wstring> RecordedRootFileNames(const std::wstring& folder, const std::wstring& exe_name);

// Undoes a failed extraction: the files and folders it created inside the folder.
inline void RollBackExtraction(const std::vector<std::wstring>& new_files, const std::vector<std::wstring>& new_dirs,
                               const std::wstring& install_folder, const std::wstring& exe_name) {
    RemovePaths(new_dirs, new_files, install_folder, exe_name);
}

}  // namespace engine
