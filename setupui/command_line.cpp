#include "command_line.h"

#include <algorithm>

namespace quarvel {

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view word) {
  if (text.size() < word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != word[i]) return false;
  }
  return true;
}

}  // namespace

std::string_view ArgumentsOf(std::string_view commandLine) {
  size_t end = 0;
  if (!commandLine.empty() && commandLine.front() == '"') {
    end = commandLine.find('"', 1);
    end = end == std::string_view::npos ? commandLine.size() : end + 1;
  } else {
    end = std::min(commandLine.find_first_of(" \t"), commandLine.size());
  }
  const size_t start = commandLine.find_first_not_of(" \t", end);
  return start == std::string_view::npos ? std::string_view() : commandLine.substr(start);
}

AutomationSwitches ScanAutomationSwitches(std::string_view commandLine) {
  AutomationSwitches result;
  for (size_t i = 0; i < commandLine.size();) {
    const char c = commandLine[i];
    if (c == '/' || c == '-') {
      const std::string_view rest = commandLine.substr(i + 1);
      if (StartsWithIgnoringCase(rest, "embedding")) {
        result.embedding = true;
        i += 1 + 9;  // the switch goes, whatever follows it stays
        continue;
      }
      if (StartsWithIgnoringCase(rest, "automation")) {
        result.automation = true;
        i += 1 + 10;
        continue;
      }
    }
    result.remaining += c;
    ++i;
  }
  return result;
}

}  // namespace quarvel
