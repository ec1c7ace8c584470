// How the uninstaller gets its own file out of the folder it removes. A running
// program's file cannot be deleted, but it can be renamed within its volume: the
// uninstaller moves itself into a fresh folder and has Windows delete both at
// the next restart (MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT).
#pragma once

#include <initializer_list>
#include <string>

namespace engine {

struct SelfRemoval {
    std::wstring folder;  // the fresh folder
    std::wstring file;    // the program's file in it
};

// Moves the running program's file `self` into a fresh folder made under the
// first of `parents` that takes it on the same volume, and schedules the file,
// then the folder, for deletion at the next restart. False (and nothing moved,
// no folder left) when no parent takes it.
bool MoveSelfAside(const std::wstring& self, const std::initializer_list<std::wstring>& parents, SelfRemoval* out);

}  // namespace engine
