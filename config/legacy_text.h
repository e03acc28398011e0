// Texts of files written in the older 8-bit code page. The model's texts are
// UTF-8; a byte of a file that is no part of a UTF-8 character is taken from
// the legacy code page (Windows: the system's ANSI code page; elsewhere
// Windows-1252, where 0x80 is the euro sign). One implementation per platform.
#pragma once

#include <string>
#include <string_view>

namespace quarvel {

// `text` with every byte that is not part of a well-formed UTF-8 character
// decoded from the legacy code page.
std::string LegacyBytesToUtf8(std::string_view text);

// The character the legacy code page gives `byte` (0x80 to 0xFF).
char32_t LegacyCharacter(unsigned char byte);

// The bytes of the character at `text[i]`: a UTF-8 character's, else the
// legacy character's (a lead byte and its trail in a double-byte code page
// such as Windows's 932, Shift-JIS; one byte elsewhere).
size_t CharLengthAt(std::string_view text, size_t i);

// Platform parts: the bytes of the legacy character at `text[i]`, and a run
// of legacy characters decoded at once by the code page's own rules.
size_t LegacyCharLength(std::string_view text, size_t i);
std::string LegacyRunToUtf8(std::string_view run);

}  // namespace quarvel
