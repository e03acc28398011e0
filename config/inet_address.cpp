#include "inet_address.h"

namespace quarvel {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// Reads one part at text[i]; false when it holds no digit or overflows 32 bits.
bool ReadPart(std::string_view text, size_t& i, uint64_t& value) {
  uint64_t base = 10;
  if (i < text.size() && text[i] == '0') {
    base = 8;
    if (i + 1 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
      base = 16;
      i += 2;
    }
  }
  value = 0;
  size_t digits = 0;
  for (; i < text.size(); ++i, ++digits) {
    const char c = text[i];
    uint64_t digit;
    if (c >= '0' && c <= '9') digit = static_cast<uint64_t>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f') digit = static_cast<uint64_t>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F') digit = static_cast<uint64_t>(c - 'A' + 10);
    else break;
    if (digit >= base) return false;  // 8 or 9 in an octal part
    value = value * base + digit;
    if (value > 0xFFFFFFFFu) return false;
  }
  return digits > 0;  // "0x" alone is no part
}

}  // namespace

std::optional<std::array<uint8_t, 4>> ParseInetAddress(std::string_view text) {
  uint64_t parts[4] = {};
  size_t count = 0;
  size_t i = 0;
  for (;;) {
    if (count == 4) return std::nullopt;
    if (!ReadPart(text, i, parts[count])) return std::nullopt;
    ++count;
    if (i < text.size() && text[i] == '.') {
      ++i;
      continue;
    }
    break;
  }
  if (i < text.size() && !IsSpace(text[i])) return std::nullopt;

  static constexpr uint64_t kLastPartLimit[] = {0, 0xFFFFFFFFu, 0xFFFFFFu, 0xFFFFu, 0xFFu};
  for (size_t k = 0; k + 1 < count; ++k) {
    if (parts[k] > 0xFF) return std::nullopt;
  }
  if (parts[count - 1] > kLastPartLimit[count]) return std::nullopt;
  uint32_t value = static_cast<uint32_t>(parts[count - 1]);
  for (size_t k = 0; k + 1 < count; ++k) value |= static_cast<uint32_t>(parts[k]) << (24 - 8 * k);
  return std::array<uint8_t, 4>{static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                                static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

std::array<uint8_t, 4> InetAddrOrNone(std::string_view text) {
  return ParseInetAddress(text).value_or(std::array<uint8_t, 4>{255, 255, 255, 255});
}

}  // namespace quarvel
