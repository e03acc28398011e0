// Feeds arbitrary bytes to the configuration reader. Whatever it reads, it
// must read in time linear in the input, hold in memory bounded by it, write
// as well-formed UTF-8 XML, and read that back to the same settings and the
// same kept entries.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "jpos_reader.h"
#include "jpos_writer.h"
#include "xml_check.h"

namespace {

// Names the failed condition, so a crash in CI says which property broke.
#define Check(condition) \
  do { \
    if (!(condition)) { \
      std::fprintf(stderr, "reader_fuzz.cpp:%d: %s\n", __LINE__, #condition); \
      std::abort(); \
    } \
  } while (0)

struct Read {
  quarvel::SetupData data;
  quarvel::KeptEntries kept;
  std::string written;
};

Read ReadAndWrite(std::string_view text) {
  Read r;
  const auto messages = quarvel::ReadConfigText(text, r.data, &r.kept);
  Check(messages.size() <= 4);  // two of unknown settings, entries left out, entries read as no device
  Check(r.data.printer.baudIndex >= 0 && r.data.printer.baudIndex <= 4);
  Check(r.data.drawer.baudIndex >= 0 && r.data.drawer.baudIndex <= 4);
  Check(r.data.printer.portIndex >= 0 && r.data.printer.portIndex <= 13);
  // Decoding the older code page takes at most three bytes a byte.
  size_t keptBytes = 0;
  for (const auto& entry : r.kept) keptBytes += entry.text.size();
  Check(keptBytes <= 3 * text.size());
  r.written = quarvel::FormatConfigFile(r.data, r.kept);
  return r;
}

// The written file is the writer's head, element content, and the foot.
void CheckWellFormed(std::string_view file) {
  if (file.empty()) return;
  constexpr std::string_view kOpen = "<JposEntries>\r\n";
  constexpr std::string_view kClose = "</JposEntries>\r\n";
  const size_t open = file.find(kOpen);
  Check(open != std::string_view::npos && file.size() >= open + kOpen.size() + kClose.size());
  Check(file.substr(file.size() - kClose.size()) == kClose);
  const size_t body = open + kOpen.size();
  Check(quarvel::IsWellFormedXmlContent(file.substr(body, file.size() - kClose.size() - body)));
}

bool SameKept(const quarvel::KeptEntries& a, const quarvel::KeptEntries& b) {
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k) {
    if (a[k].name != b[k].name || a[k].text != b[k].text) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);
  const auto started = std::chrono::steady_clock::now();
  const Read first = ReadAndWrite(input);
  // Linear time: no input may take the reader much longer than its size says
  // (a bound a thousand times the reader's speed, for a loaded machine).
  const auto tookUs =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started).count();
  Check(tookUs <= 10000 + 100 * static_cast<long long>(size));
  CheckWellFormed(first.written);
  const Read second = ReadAndWrite(first.written);
  Check(second.written == first.written);  // same settings, same kept entries
  Check(SameKept(second.kept, first.kept));
  return 0;
}
