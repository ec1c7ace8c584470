// The update journal: what an update has set out to do and how far it got, so
// that a run that was killed can be rolled back (or finished) by the next one.
// It lives in the update's backup folder inside the administrator-owned install
// folder; an HKLM value, which only administrators can write, points at it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace engine {

enum class UpdatePhase {
    Prepared,    // earlier files may be moved aside; nothing new is written yet
    Unpacking,   // every move is done; new files, record, links, registry, service may be written
    Committing,  // the new install stands; only the clean-up is left
};

// An earlier file moved aside: where it was, and its name in the backup folder.
struct MovedFile {
    std::wstring from;
    std::wstring to;
};

// A registry value as it was before the update (raw type and bytes).
struct SavedValue {
    bool machine = false;  // HKLM (32-bit view), else HKCU
    std::wstring key;
    std::wstring name;
    bool present = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct SavedKey {
    bool machine = false;
    std::wstring key;
    bool present = false;
};

// A shortcut as it was: `copy` is its saved copy in the backup folder, empty
// when there was no shortcut.
struct SavedLink {
    std::wstring path;
    std::wstring copy;
};

struct SavedService {
    bool registered = false;
    std::wstring binary_path;
    bool running = false;
};

struct UpdateJournal {
    UpdatePhase phase = UpdatePhase::Prepared;
    std::wstring root;     // the install folder, normalised (no trailing backslash)
    std::wstring backup;   // the backup folder inside it
    std::wstring earlier;  // an earlier install folder elsewhere, removed once the update stands
    std::vector<MovedFile> moves;
    std::vector<std::wstring> new_files;      // every path this run may write in the root
    std::vector<std::wstring> new_dirs;       // folders the run may create (did not exist)
    std::vector<std::wstring> obsolete_dirs;  // earlier folders the new install no longer has
    std::vector<SavedKey> keys;
    std::vector<SavedValue> values;
    std::vector<SavedLink> links;
    SavedService service;
};

constexpr wchar_t kJournalFileName[] = L"update.xml";
// The backup folder's name starts with this; the rest makes it new.
constexpr wchar_t kBackupFolderPrefix[] = L"~update-";

// Written whole under a temporary name, flushed, then renamed over the journal
// with write-through: a reader finds the old journal or the new one, never half.
bool SaveJournal(const std::wstring& path, const UpdateJournal& journal);
// False when the journal is missing or unreadable.
bool LoadJournal(const std::wstring& path, UpdateJournal* journal);
// The journal's path and its temporary sibling.
std::wstring JournalPath(const std::wstring& backup_folder);
std::wstring JournalTempPath(const std::wstring& backup_folder);

// The HKLM pointer: Software\<product key>, value "UpdateJournal" (32-bit view),
// flushed to disk when set.
bool SetJournalPointer(const std::wstring& product_key, const std::wstring& journal_path);
std::wstring ReadJournalPointer(const std::wstring& product_key);
bool ClearJournalPointer(const std::wstring& product_key);

}  // namespace engine
