// What the worker knows of the new payload before it touches an earlier install:
// the archive opens, its headers list the items, and the install drive has room
// for all of them unpacked.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PayloadListing {
    std::vector<std::wstring> names;  // relative item paths, as the archive has them
    std::vector<uint64_t> sizes;      // unpacked bytes
};

// Opens the archive in these bytes (borrowed) and reads its item list without
// unpacking anything. 0, or the extractor's failure code.
LONG ReadPayloadListing(const void* archive, size_t size, PayloadListing* listing);

// Bytes the unpacked payload takes at most: each file rounded up to whole
// allocation units, and some room for the record and the journal.
uint64_t BytesNeeded(const PayloadListing& listing);

// True when the drive of `install_dir` has `needed` bytes free for this user, or
// when the free space cannot be read (as the pre-install check counts it).
bool HasRoomFor(const std::wstring& install_dir, uint64_t needed);
