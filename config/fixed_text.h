// Helpers for the NUL-terminated fixed-width text fields of the settings records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "setup_data.h"

namespace quarvel {

// Length of the longest prefix of `text` that fits `maxBytes` bytes without
// splitting a UTF-8 sequence (a lone or broken byte counts as one character).
size_t Utf8CutLength(std::string_view text, size_t maxBytes);

// Length of the longest prefix of `text` of at most `maxChars` characters.
size_t Utf8CutChars(std::string_view text, size_t maxChars);

// How many characters a text field of `width` bytes holds: a name field 63,
// any other field a character per byte.
constexpr size_t FieldChars(size_t width) {
  return width == static_cast<size_t>(kNameWidth) ? static_cast<size_t>(kNameChars) : width - 1;
}

// Stores `text` in a field of `width` bytes: cut to the characters the field
// holds (and width-1 bytes) on a character boundary, NUL-terminated, the rest
// of the field zeroed.
void StoreText(char* field, size_t width, std::string_view text);

template <size_t N>
void StoreText(char (&field)[N], std::string_view text) {
  StoreText(field, N, text);
}

template <size_t N>
std::string_view TextOf(const char (&field)[N]) {
  size_t length = 0;
  while (length < N && field[length] != '\0') ++length;
  return std::string_view(field, length);
}

// The decimal value of a text as the C library's atoi reads it (leading white
// space, an optional sign, then digits up to the first other character; no
// digits give 0), except that values beyond the 32-bit range saturate.
int32_t ParseDecimal32(std::string_view text);

}  // namespace quarvel
