#include "fixed_text.h"

#include <cstring>
#include <limits>

#include "utf8.h"

namespace quarvel {

size_t Utf8CutLength(std::string_view text, size_t maxBytes) {
  size_t i = 0;
  while (i < text.size()) {
    const size_t next = i + DecodeUtf8At(text, i).length;
    if (next > maxBytes) break;
    i = next;
  }
  return i;
}

size_t Utf8CutChars(std::string_view text, size_t maxChars) {
  size_t i = 0;
  for (size_t chars = 0; i < text.size() && chars < maxChars; ++chars) i += DecodeUtf8At(text, i).length;
  return i;
}

void StoreText(char* field, size_t width, std::string_view text) {
  if (width == 0) return;
  const std::string_view chars = text.substr(0, Utf8CutChars(text, FieldChars(width)));
  const size_t length = Utf8CutLength(chars, width - 1);
  std::memset(field, 0, width);
  std::memcpy(field, text.data(), length);
}

int32_t ParseDecimal32(std::string_view text) {
  size_t i = 0;
  auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; };
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int64_t value = 0;
  constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;  // keeps the loop free of overflow
    ++i;
  }
  if (negative) return static_cast<int32_t>(-value);
  return value >= kLimit ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(value);
}

}  // namespace quarvel
