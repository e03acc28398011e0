#include <windows.h>

#include "legacy_text.h"

namespace quarvel {

// The system's ANSI code page, as the older program wrote its files.
char32_t LegacyCharacter(unsigned char byte) {
  const char in = static_cast<char>(byte);
  wchar_t out[2] = {};
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &in, 1, out, 2) != 1) return byte;
  return out[0];
}

}  // namespace quarvel
