#include <windows.h>

#include "legacy_text.h"

#include <string>

#include "utf8.h"
#include "win32_text.h"

namespace quarvel {

// The system's ANSI code page, as the older program wrote its files.
char32_t LegacyCharacter(unsigned char byte) {
  const char in = static_cast<char>(byte);
  wchar_t out[2] = {};
  if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &in, 1, out, 2) != 1) return byte;
  return out[0];
}

size_t LegacyCharLength(std::string_view text, size_t i) {
  return i + 1 < text.size() && IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(text[i])) ? 2 : 1;
}

std::string LegacyRunToUtf8(std::string_view run) {
  const int length = static_cast<int>(run.size());
  const int units = MultiByteToWideChar(CP_ACP, 0, run.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(units), L'\0');
  if (units > 0 && MultiByteToWideChar(CP_ACP, 0, run.data(), length, wide.data(), units) == units) {
    return win32::Narrow(wide);
  }
  std::string out;  // the code page can't read it: byte by byte, as each stands
  for (const char byte : run) AppendUtf8(out, LegacyCharacter(static_cast<unsigned char>(byte)));
  return out;
}

}  // namespace quarvel
