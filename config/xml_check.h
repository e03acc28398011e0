// Well-formedness of XML text that the program writes back without building
// it itself: the entries of other devices it keeps. Deliberately stricter
// than XML where that keeps it simple: names are ASCII letters, digits, '_',
// '-' and '.'; only the five predefined entities; no processing instructions
// or declarations inside.
#pragma once

#include <string_view>

namespace quarvel {

// Exactly one element, with comments and white space around it allowed.
bool IsWellFormedXmlElement(std::string_view text);

// Element content: text, references, elements, comments and CDATA sections.
bool IsWellFormedXmlContent(std::string_view text);

}  // namespace quarvel
