// Minimal UTF-8 decoding shared by the field cutting and the file's escaping,
// and UTF-16 for files saved in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quarvel {

struct Utf8Char {
  uint32_t codePoint;  // the byte value itself when !wellFormed
  size_t length;       // bytes taken: the sequence, or 1 for a stray byte
  bool wellFormed;
};

// Decodes the character at text[i] (i < text.size()). Overlong forms,
// surrogates and values above U+10FFFF are not well-formed.
Utf8Char DecodeUtf8At(std::string_view text, size_t i);

void AppendUtf8(std::string& out, uint32_t codePoint);

// UTF-16 code units, two bytes each in the order given, as UTF-8; a surrogate
// without its pair and an odd last byte become U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian);

}  // namespace quarvel
