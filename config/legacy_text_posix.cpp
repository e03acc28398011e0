#include "legacy_text.h"

#include "utf8.h"

namespace quarvel {

// Windows-1252: 0x80 to 0x9F hold the euro sign, quotes, dashes and a few
// letters; the five unused positions stay the C1 controls they are in
// Latin-1; 0xA0 to 0xFF are Latin-1.
char32_t LegacyCharacter(unsigned char byte) {
  static constexpr char32_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  return byte >= 0x80 && byte <= 0x9F ? kHigh[byte - 0x80] : static_cast<char32_t>(byte);
}

size_t LegacyCharLength(std::string_view, size_t) { return 1; }

std::string LegacyRunToUtf8(std::string_view run) {
  std::string out;
  for (const char byte : run) AppendUtf8(out, LegacyCharacter(static_cast<unsigned char>(byte)));
  return out;
}

}  // namespace quarvel
