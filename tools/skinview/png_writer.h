#pragma once
// Writes 32-bit BGRA pixels (top-down, as the paint manager's offscreen bitmap
// holds them) to a PNG file with their alpha.
#include <windows.h>

#include <string>

namespace skinview {

bool WritePng(const std::wstring& path, const DWORD* bgra, int width, int height, bool opaque);

}  // namespace skinview
