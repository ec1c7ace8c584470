#pragma once
// skinview's output: UTF-8 bytes to standard output, lines ending in "\n",
// and JSON string literals for values.
#include <string>
#include <string_view>

namespace skinview {

// Appends `text` as a JSON string literal, quotes included.
void AppendJsonString(std::string& out, std::wstring_view text);
// Writes the bytes unchanged (no text-mode translation); false on failure.
bool WriteOut(const std::string& bytes);
bool WriteErr(const std::string& bytes);

}  // namespace skinview
