// What an update changes outside the install folder, saved before it starts and
// put back when it fails: the product's registry values, its shortcuts and its
// service registration (running again if it ran).
#pragma once

#include "engine/shortcuts/shortcuts.h"
#include "engine/update/journal.h"

#include <string>

namespace engine {

// Fills the journal's keys, values, links and service from the system as it is
// now; existing shortcuts are copied into the backup folder. False when a
// shortcut cannot be saved or the service manager cannot be asked.
bool TakeSnapshot(const std::wstring& product_key, const ShortcutNames& names, const std::wstring& backup,
                  UpdateJournal* journal);

// Puts back what TakeSnapshot saved. Only the product's own values and links are
// touched, whatever else a journal lists. False when something could not be put back.
bool RestoreSnapshot(const std::wstring& product_key, const ShortcutNames& names, const UpdateJournal& journal);

// Deletes the saved copies of the shortcuts.
void DropSnapshotCopies(const UpdateJournal& journal);
// The same where the journal was never written (a run killed while saving).
void DropUnjournaledCopies(const std::wstring& backup);

}  // namespace engine
