// Feeds arbitrary bytes to the configuration reader. Whatever it reads must
// write as well-formed UTF-8, and a file the writer produced must read back
// to the same file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "jpos_reader.h"
#include "jpos_writer.h"
#include "utf8.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool IsWellFormedUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const quarvel::Utf8Char ch = quarvel::DecodeUtf8At(text, i);
    if (!ch.wellFormed) return false;
    i += ch.length;
  }
  return true;
}

size_t LineCount(std::string_view text) {
  size_t lines = 0;
  for (char c : text) lines += c == '\n';
  return lines;
}

std::string ReadAndWrite(std::string_view text) {
  quarvel::SetupData data;
  const auto messages = quarvel::ReadConfigText(text, data);
  Check(messages.size() <= 2);
  Check(data.printer.baudIndex >= 0 && data.printer.baudIndex <= 4);
  Check(data.drawer.baudIndex >= 0 && data.drawer.baudIndex <= 4);
  Check(data.printer.portIndex >= 0 && data.printer.portIndex <= 13);
  return quarvel::FormatConfigFile(data);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);
  const std::string first = ReadAndWrite(input);
  Check(IsWellFormedUtf8(first));
  const size_t lines = LineCount(first);
  Check(lines == 0 || lines == 17 || lines == 20 || lines == 31);
  const std::string second = ReadAndWrite(first);
  Check(ReadAndWrite(second) == second);
  return 0;
}
