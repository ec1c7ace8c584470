// Writing and deleting inside a folder without going through a link.
//
// The elevated installer writes into folders that a standard user may have
// prepared: a symbolic link, junction or mount point there would carry an
// administrator's write or delete to wherever it points. These verbs look at
// each entry itself (FILE_FLAG_OPEN_REPARSE_POINT) and check where an open
// handle really is (GetFinalPathNameByHandleW) before they act through it.
#pragma once

#include <windows.h>

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "win/unique_handle.h"

namespace win {

// Opens the entry at `path` itself: a link is opened, not its target. Shared for
// reading, writing and deletion; folders open too (backup semantics).
UniqueFile OpenEntry(const std::wstring& path, DWORD access);

// Marks the open file (opened with DELETE) for deletion when its last handle closes.
bool DeleteThroughHandle(HANDLE file);

// The handle's final path with "\\?\" removed ("\\?\UNC\" becomes "\\"); empty
// when the system cannot tell.
std::wstring FinalPathOf(HANDLE file);

// `path` is `root` (compared without regard to case) followed by a separator and
// at least one more character.
bool IsStrictlyBelow(const std::wstring& path, const std::wstring& root);

// A link at the name: its attributes or those of a handle on the entry show a
// reparse point, or that handle's final path is not the entry's own name (a
// system that follows a link whatever the flags, as Wine does for Unix links).
bool IsLinkAt(const std::wstring& path);

// No link at `path`, nor at any folder between `root` and it, nor at the root as
// `path` spells it (on a file system that tells letter cases apart "TORVANE"
// beside "Torvane" is another entry). `path` must lie strictly below `root`.
bool NoLinkOnTheWay(const std::wstring& root, const std::wstring& path);

// Deletes the link at `path` as a link. Refused (false, nothing touched) unless a
// handle on the entry itself shows a reparse point: where the system hands back
// the target instead, deleting through it would act on the target.
bool RemoveLinkAt(const std::wstring& path);

// Leaves no link at `path`: one there is removed as a link or, where the system
// gives no handle on the link itself (Wine for a Unix link to a file), renamed
// over by a new empty file. True when no link is there (any more); a link that
// neither can replace stays and gives false.
bool ReplaceLinkAt(const std::wstring& path);

// Makes `folder` and every folder between `root` and it real folders: a link on
// the way is removed and a new folder made in its place; missing ones are made
// (appended to `created`, outermost first, when given). `root` itself must be a
// real folder. False when a file is in the way or a link cannot be removed.
bool MakeRealFolders(const std::wstring& root, const std::wstring& folder, std::vector<std::wstring>* created);

// The handle's final path lies strictly below the final path of `root`.
bool IsOpenedBelow(HANDLE file, const std::wstring& root);

// A new, empty file at `path`: made under a name of its own beside it, then
// renamed over whatever is at `path` (a file, a hard link, a link to a file),
// which is never opened for writing nor has its attributes changed. A link that
// a rename cannot replace is deleted as a link; a read-only file is moved aside
// to a name of its own, data and attributes untouched. The file is open for
// reading, writing and deletion and shared for reading only. An empty owner,
// with the last error, when the name cannot be taken.
UniqueFile CreateFreshFile(const std::wstring& path);

// CreateFreshFile at `path` below the real folder `root`, after the folders on
// the way are made real; the new file's final path is checked to lie below
// `root`. Empty (last error set) on any failure.
UniqueFile CreateFileBelow(const std::wstring& root, const std::wstring& path);

// Deletes the file or empty folder at `path` through a handle on the entry
// itself whose final path is first checked to lie strictly below `root`: a link
// swapped in after any earlier check is deleted as a link or not at all.
bool DeleteEntryBelow(const std::wstring& path, const std::wstring& root);

// NoLinkOnTheWay and DeleteEntryBelow for many paths below one root, each entry
// on the way looked at once and the root's final path read once. For a root
// that only administrators may change (an install folder once secured), an entry
// seen real stays real for the walk, and one seen missing stays missing (only
// the caller makes entries there); a delete still checks its own handle's
// final path.
class LinkFreeWalk {
public:
    explicit LinkFreeWalk(const std::wstring& root);
    bool NoLinkOnTheWay(const std::wstring& path);
    // NoLinkOnTheWay without looking at `path` itself: for verbs that act on the
    // entry through a handle that does not follow it (a rename, a delete).
    bool NoLinkAbove(const std::wstring& path) {
        std::wstring parent;
        return NoLinkAbove(path, &parent);
    }
    bool DeleteEntry(const std::wstring& path);

private:
    bool NoLinkAbove(const std::wstring& path, std::wstring* parent);
    // No link at `entry`, whose folder is `parent` (empty: unknown).
    bool IsRealEntry(const std::wstring& entry, const std::wstring& parent);

    std::wstring m_root;
    std::wstring m_rootFinal;
    std::unordered_map<std::wstring, std::wstring> m_finalOf;  // real entry, as spelled -> its final path
    std::unordered_set<std::wstring> m_missing;                // entries not there when looked at
};

}  // namespace win
