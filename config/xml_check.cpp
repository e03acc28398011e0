#include "xml_check.h"

#include <algorithm>
#include <string>
#include <vector>

#include "utf8.h"
#include "xml_text.h"

namespace quarvel {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsNameStart(char c) { return IsLetter(c) || c == '_'; }
bool IsNameChar(char c) {
  return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

class Checker {
 public:
  explicit Checker(std::string_view text) : s_(text) {}

  // Walks the text; `oneElement` asks for a single element at the top level,
  // else any content is allowed there.
  bool Check(bool oneElement) {
    std::vector<std::string_view> open;
    int topElements = 0;
    while (i_ < s_.size()) {
      if (Take("<!--")) {
        if (!Comment()) return false;
      } else if (Take("<![CDATA[")) {
        if ((oneElement && open.empty()) || !CData()) return false;
      } else if (Take("</")) {
        std::string_view name;
        if (open.empty() || !Name(name) || name != open.back()) return false;
        SkipSpace();
        if (!Take(">")) return false;
        open.pop_back();
      } else if (Take("<")) {
        std::string_view name;
        bool empty = false;
        if (!StartTag(name, empty)) return false;
        if (open.empty()) ++topElements;
        if (!empty) open.push_back(name);
      } else if (Take("&")) {
        if ((oneElement && open.empty()) || !Reference()) return false;
      } else {
        if (oneElement && open.empty() && !IsSpace(s_[i_])) return false;
        if (s_.substr(i_, 3) == "]]>" || !XmlChar()) return false;
      }
    }
    return open.empty() && (!oneElement || topElements == 1);
  }

 private:
  bool Take(std::string_view token) {
    if (s_.substr(i_, token.size()) != token) return false;
    i_ += token.size();
    return true;
  }
  bool SkipSpace() {
    const size_t start = i_;
    while (i_ < s_.size() && IsSpace(s_[i_])) ++i_;
    return i_ > start;
  }
  // One well-formed UTF-8 character that XML allows.
  bool XmlChar() {
    const Utf8Char ch = DecodeUtf8At(s_, i_);
    if (!ch.wellFormed || !IsXmlChar(ch.codePoint)) return false;
    i_ += ch.length;
    return true;
  }
  bool Name(std::string_view& name) {
    const size_t start = i_;
    if (i_ >= s_.size() || !IsNameStart(s_[i_])) return false;
    while (i_ < s_.size() && IsNameChar(s_[i_])) ++i_;
    name = s_.substr(start, i_ - start);
    return true;
  }
  // After '&': a predefined entity or a character reference, up to ';'.
  bool Reference() {
    const size_t semicolon = s_.find(';', i_);
    if (semicolon == std::string_view::npos) return false;
    const std::string_view body = s_.substr(i_, semicolon - i_);
    i_ = semicolon + 1;
    return ResolveReference(body).has_value();
  }
  // After '<': the name, attributes, and '>' or "/>".
  bool StartTag(std::string_view& name, bool& empty) {
    if (!Name(name)) return false;
    // Names collected, then sorted once to find a repeated one: n log n and
    // two words a name, however many attributes an element has.
    std::vector<std::string_view> attributes;
    const auto repeated = [&] {
      std::sort(attributes.begin(), attributes.end());
      return std::adjacent_find(attributes.begin(), attributes.end()) != attributes.end();
    };
    for (;;) {
      const bool spaced = SkipSpace();
      if (Take("/>")) {
        empty = true;
        return !repeated();
      }
      if (Take(">")) return !repeated();
      std::string_view attribute;
      if (!spaced || !Name(attribute)) return false;
      attributes.push_back(attribute);
      SkipSpace();
      if (!Take("=")) return false;
      SkipSpace();
      if (!AttributeValue()) return false;
    }
  }
  bool AttributeValue() {
    if (i_ >= s_.size() || (s_[i_] != '"' && s_[i_] != '\'')) return false;
    const char quote = s_[i_++];
    while (i_ < s_.size() && s_[i_] != quote) {
      if (s_[i_] == '<') return false;
      if (Take("&")) {
        if (!Reference()) return false;
      } else if (!XmlChar()) {
        return false;
      }
    }
    return Take(std::string_view(&quote, 1));
  }
  // After "<!--": no "--" inside, and "-->" ends it.
  bool Comment() {
    while (i_ < s_.size()) {
      if (Take("--")) return Take(">");
      if (!XmlChar()) return false;
    }
    return false;
  }
  bool CData() {
    while (i_ < s_.size()) {
      if (Take("]]>")) return true;
      if (!XmlChar()) return false;
    }
    return false;
  }

  std::string_view s_;
  size_t i_ = 0;
};

}  // namespace

bool IsWellFormedXmlElement(std::string_view text) { return Checker(text).Check(true); }

bool IsWellFormedXmlContent(std::string_view text) { return Checker(text).Check(false); }

}  // namespace quarvel
