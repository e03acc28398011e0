#include "xml_text.h"

#include <array>
#include <cstdint>
#include <optional>

#include "utf8.h"

namespace quarvel {

bool IsXmlChar(uint32_t cp) {
  return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
         (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

namespace {

constexpr uint32_t kReplacement = 0xFFFD;

struct Entity {
  char character;
  std::string_view name;
};
constexpr std::array<Entity, 5> kEntities = {{
    {'&', "amp"}, {'<', "lt"}, {'"', "quot"}, {'>', "gt"}, {'\'', "apos"}}};
// A double-quoted attribute needs only the first three escaped; > and ' stay
// as they are, as older files have them. All five are read back.
constexpr size_t kEscapedOnWrite = 3;

// The character of a reference "&#body;" (body "65" or "x41"), if it names one
// XML allows.
std::optional<uint32_t> ParseCharReference(std::string_view body) {
  uint32_t base = 10;
  if (!body.empty() && body[0] == 'x') {
    base = 16;
    body.remove_prefix(1);
  }
  if (body.empty() || body.size() > 7) return std::nullopt;
  uint32_t value = 0;
  for (char c : body) {
    uint32_t digit;
    if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
    else return std::nullopt;
    value = value * base + digit;
  }
  if (!IsXmlChar(value)) return std::nullopt;
  return value;
}

}  // namespace

std::optional<uint32_t> ResolveReference(std::string_view body) {
  for (const Entity& e : kEntities) {
    if (body == e.name) return static_cast<unsigned char>(e.character);
  }
  if (!body.empty() && body[0] == '#') return ParseCharReference(body.substr(1));
  return std::nullopt;
}

std::string EscapeAttribute(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const Utf8Char ch = DecodeUtf8At(text, i);
    i += ch.length;
    const uint32_t cp = ch.codePoint;  // a stray byte is taken as Latin-1
    bool escaped = false;
    for (size_t k = 0; k < kEscapedOnWrite; ++k) {
      const Entity& e = kEntities[k];
      if (ch.wellFormed && cp == static_cast<unsigned char>(e.character)) {
        out += '&';
        out += e.name;
        out += ';';
        escaped = true;
      }
    }
    if (escaped) continue;
    if (cp == '\t' || cp == '\n' || cp == '\r') out += "&#" + std::to_string(cp) + ";";
    else if (!IsXmlChar(cp)) AppendUtf8(out, kReplacement);
    else AppendUtf8(out, cp);
  }
  return out;
}

std::string UnescapeAttribute(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '&') {
      const size_t semicolon = text.find(';', i + 1);
      if (semicolon != std::string_view::npos && semicolon - i <= 10) {
        if (const auto cp = ResolveReference(text.substr(i + 1, semicolon - i - 1))) {
          AppendUtf8(out, *cp);
          i = semicolon + 1;
          continue;
        }
      }
    }
    out += text[i];
    ++i;
  }
  return out;
}

}  // namespace quarvel
