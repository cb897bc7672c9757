#pragma once

#include <string>
#include <string_view>

// Text conversions between the encodings of project streams and the UTF-8 that
// the program holds in memory.
//
// Narrow strings in project streams are Windows-1252. Its five unassigned bytes
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control characters of the same
// value, as Windows itself converts them, so every byte string survives a round
// trip. The wide form is UTF-16LE. Malformed UTF-8 or UTF-16 input decodes to
// U+FFFD for each bad sequence; nothing is dropped silently.
namespace TextCodec {

std::string FromCp1252(std::string_view bytes);

// Converts UTF-8 to Windows-1252. Returns false when a character has no
// Windows-1252 form; such characters are written as '?'.
bool ToCp1252(std::string_view utf8, std::string& out);
bool FitsCp1252(std::string_view utf8);

std::string FromUtf16(std::u16string_view units);
std::u16string ToUtf16(std::string_view utf8);

// The same over little-endian byte strings (two bytes per unit). An odd last
// byte is malformed input.
std::string FromUtf16Le(std::string_view bytes);
std::string ToUtf16Le(std::string_view utf8);

// Decodes one character of UTF-8 at text[pos], advancing pos. Malformed input
// yields U+FFFD and advances by one byte.
char32_t DecodeUtf8(std::string_view text, std::size_t& pos);
void AppendUtf8(std::string& out, char32_t c);

// Simple case folding to lower case for the Latin, Greek and Cyrillic letters,
// enough to compare file and effect names the way users expect.
char32_t FoldCase(char32_t c);
std::string FoldCase(std::string_view utf8);
bool EqualNoCase(std::string_view a, std::string_view b);

} // namespace TextCodec
