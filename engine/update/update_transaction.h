// An install as a transaction. Before anything of an earlier install is touched
// a journal is saved; the earlier files are then renamed into a backup folder
// inside the install folder rather than deleted. A failure (or the next run,
// after a kill) deletes what the run wrote, renames the backup back and puts the
// registry values, shortcuts and service back as they were; success deletes the
// backup and only then removes an earlier install in another folder.
#pragma once

#include "engine/shortcuts/shortcuts.h"
#include "engine/update/journal.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace engine {

struct UpdateNames {
    std::wstring product_key;  // registry key and journal pointer
    ShortcutNames links;       // links.exe_name also names every install root
};

class UpdateTransaction {
public:
    explicit UpdateTransaction(UpdateNames names) : m_names(std::move(names)) {}
    UpdateTransaction(const UpdateTransaction&) = delete;
    UpdateTransaction& operator=(const UpdateTransaction&) = delete;

    // Plans the moves (the earlier install's recorded files when it is this
    // folder, and any file standing where the payload's `items` will go), saves
    // the registry values, shortcuts and service, and writes the journal and its
    // pointer. Nothing is moved yet. 0, or a Windows error code.
    DWORD Begin(const std::wstring& install_dir, const std::wstring& earlier_dir,
                const std::vector<std::wstring>& items);

    // Renames every planned file into the backup folder; progress(done, total)
    // after each. 0, or the first Windows error (the caller then rolls back).
    DWORD MoveAside(const std::function<void(size_t, size_t)>& progress);

    // Undoes the run. False when something could not be put back: the journal
    // then stays for the next run.
    bool RollBack();

    // The new install stands: marks the journal, deletes the backup, the earlier
    // folders the new install does not have (`new_dirs` are its folders) and an
    // earlier install elsewhere. False when the journal cannot be marked (the
    // caller then rolls back). *earlier_removed tells whether an earlier install
    // in another folder was removed by its record.
    bool Commit(const std::vector<std::wstring>& new_dirs, bool* earlier_removed);

    const UpdateJournal& journal() const { return m_journal; }

private:
    UpdateNames m_names;
    UpdateJournal m_journal;
    std::wstring m_journalPath;
    std::vector<std::wstring> m_earlierDirs;
};

// The next run's first step: an update that was killed is rolled back, or
// finished where only its clean-up was left. True when nothing is (any longer)
// left to repair; false when the journal was kept for another try.
bool RepairInterruptedUpdate(const UpdateNames& names);

}  // namespace engine
