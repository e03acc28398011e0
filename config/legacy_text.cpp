#include "legacy_text.h"

#include <algorithm>

#include "utf8.h"

namespace quarvel {

size_t CharLengthAt(std::string_view text, size_t i) {
  const Utf8Char ch = DecodeUtf8At(text, i);
  return ch.wellFormed ? ch.length : LegacyCharLength(text, i);
}

// Runs of legacy characters are decoded whole, so that a double-byte
// character (whose trail byte may look like ASCII) stays one character.
std::string LegacyBytesToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const Utf8Char ch = DecodeUtf8At(text, i);
    if (ch.wellFormed) {
      out.append(text.substr(i, ch.length));
      i += ch.length;
      continue;
    }
    size_t end = i;
    while (end < text.size() && !DecodeUtf8At(text, end).wellFormed) end += LegacyCharLength(text, end);
    end = std::min(end, text.size());
    out += LegacyRunToUtf8(text.substr(i, end - i));
    i = end;
  }
  return out;
}

}  // namespace quarvel
