#include "xml_text.h"

#include <array>
#include <cctype>
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
  if (body.empty()) return std::nullopt;
  uint32_t value = 0;
  for (char c : body) {  // any number of leading zeros, as an XML parser reads them
    uint32_t digit;
    if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
    else return std::nullopt;
    value = value * base + digit;
    if (value > 0x10FFFF) return std::nullopt;
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

// As an XML parser reads an attribute's value: references resolved, and a
// tab or line end written as such (CR LF counting as one) read as a space.
std::string UnescapeAttribute(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '&') {
      size_t end = i + 1;  // a reference's name or number runs to its ';'
      while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '#')) ++end;
      if (end < text.size() && text[end] == ';') {
        if (const auto cp = ResolveReference(text.substr(i + 1, end - i - 1))) {
          AppendUtf8(out, *cp);
          i = end + 1;
          continue;
        }
      }
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;  // CR LF: one line end
      continue;
    }
    out += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
    ++i;
  }
  return out;
}

}  // namespace quarvel
