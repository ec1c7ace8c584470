#pragma once
// The readers of attribute values as skins write them: booleans, integers,
// colours, lists of integers (rectangles, sizes), float percentages and the
// word lists of alignments and cursors. Every table and the builder use these.
#include <windows.h>

namespace Ulmar {

namespace attribute_value {

// "true" in any case; anything else, or null, is false.
bool ParseBool(const wchar_t* value);
// A leading decimal integer; null and text without digits read as 0.
int ParseInt(const wchar_t* value);
// Skips characters up to 0x20 (unless skipSpace is false) and one "#", then
// reads hexadecimal as 0xAARRGGBB.
DWORD ParseColor(const wchar_t* value, bool skipSpace = true);
// Successive integers, each after skipping exactly one separator; missing ones read as 0.
RECT ParseRect(const wchar_t* value);
SIZE ParseSize(const wchar_t* value);
// Four decimal fractions (left, top, right, bottom), separated as a rectangle is.
void ParseFractions(const wchar_t* value, double (&fractions)[4]);
// Applies the words of an alignment list ("left", "vcenter", "null"...) to
// DT_CENTER/DT_RIGHT/DT_VCENTER/DT_BOTTOM flags; a later word wins.
UINT ApplyAlignWords(UINT flags, const wchar_t* value);
// The system cursor a word names ("arrow", "hand"...); false for an unknown word.
bool ParseCursor(const wchar_t* value, WORD& cursor);

}  // namespace attribute_value
}  // namespace Ulmar
