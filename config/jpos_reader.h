// Reads the printer and cash-drawer entries of a JavaPOS configuration file back
// into the settings. A line scanner tuned to the layout the writer produces: it
// finds entries by "logicalName", skips the line after it, and takes each value
// from behind its keyword up to the next quotation mark.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "kept_entries.h"
#include "setup_data.h"

namespace quarvel {

inline constexpr const char* kPrinterUnknownSettings = "Printer : Unknown Settings";
inline constexpr const char* kDrawerUnknownSettings = "CashDrawer : Unknown Settings";

// Fills `data` from the file's bytes as "Edit Existing XML File" does: the
// records start from the empty state, mode becomes EditFile. Returns the
// "Unknown Settings" messages in the order they arise (printer first). An
// entry of another category than POSPrinter or CashDrawer goes to `kept` when
// it is well-formed XML; the names of those that are not make a last message.
// Text is UTF-8, a byte that is not is the legacy code page's; a file that
// starts with a UTF-16 byte-order mark is UTF-16.
std::vector<std::string> ReadConfigText(std::string_view content, SetupData& data, KeptEntries* kept = nullptr);

// A configuration file is a few kilobytes; a larger one than this is refused.
inline constexpr size_t kMaxConfigFileBytes = 16u << 20;

struct LoadResult {
  bool opened = false;
  std::string detail;                 // the system's reason when !opened
  std::vector<std::string> messages;  // the reader's messages, in order
  KeptEntries kept;                   // the other devices' entries, in file order
};

// Reads the file at `path` into `data`. When the file can't be read, `data`
// is left as it was. Unless `takeLock` is false (the caller holds the
// exclusive lock of a read-modify-write), it reads under a shared lock, so it
// never sees a save half done.
LoadResult LoadConfigFile(const std::string& path, SetupData& data, bool takeLock = true);

}  // namespace quarvel
