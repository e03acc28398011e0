#include "legacy_text.h"

#include "utf8.h"

namespace quarvel {

std::string LegacyBytesToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const Utf8Char ch = DecodeUtf8At(text, i);
    if (ch.wellFormed) {
      out.append(text.substr(i, ch.length));
    } else {
      AppendUtf8(out, LegacyCharacter(static_cast<unsigned char>(text[i])));
    }
    i += ch.length;
  }
  return out;
}

}  // namespace quarvel
