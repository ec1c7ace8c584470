// The install folder before anything is written into it: a real folder (never a
// link) that belongs to administrators, whether it is new or reused.
#pragma once

#include <string>

namespace engine {

// Creates the folder and its missing parents; a link at the folder itself is
// removed as a link and a real folder made in its place; then the folder gets
// the administrators' protected descriptor. False (last error set) when a link
// cannot be removed, a file is in the way, or the descriptor cannot be applied.
bool PrepareInstallFolder(const std::wstring& folder);

}  // namespace engine
