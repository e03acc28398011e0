// Attribute values of the configuration file: written as well-formed UTF-8 with
// the XML special characters escaped, and turned back when read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quarvel {

// Characters XML 1.0 allows in a document.
bool IsXmlChar(uint32_t cp);

// The character of a reference "&body;": one of the five predefined entities,
// or a character reference ("#65", "#x41") to a character XML allows.
std::optional<uint32_t> ResolveReference(std::string_view body);

// Escapes & < > " ' as the five predefined entities. Bytes that are not
// well-formed UTF-8 are taken as Latin-1 characters, so nothing is lost and no
// invalid sequence reaches the file; control characters that XML cannot carry
// are written as U+FFFD, and tab, CR and LF as character references.
std::string EscapeAttribute(std::string_view text);

// Turns the five predefined entities and decimal or hexadecimal character
// references back into their characters. Anything else, a lone '&' of a file
// written without escaping included, stays as it is.
std::string UnescapeAttribute(std::string_view text);

}  // namespace quarvel
