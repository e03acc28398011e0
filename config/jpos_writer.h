// Writes the master settings as a JavaPOS configuration file (root JposEntries),
// line by line from fixed templates, every line ended by CR LF on every platform.
#pragma once

#include <string>

#include "kept_entries.h"
#include "setup_data.h"

namespace quarvel {

inline constexpr const char* kVendorUrl = "http://www.vantrel.com";

// The whole file: header, printer entry, cash-drawer entry for the devices
// that are present, then the kept entries of other devices as they stand, and
// the footer. With no entry at all it is still the whole document, an empty
// JposEntries, which the JavaPOS loader reads as no device.
std::string FormatConfigFile(const SetupData& data, const KeptEntries& kept = {});

// Appends ".xml" unless the path already contains ".xml" or ".XML" anywhere
// (a case-sensitive search, so "config.Xml" gets one too).
std::string WithXmlExtension(const std::string& path);

struct SaveResult {
  bool ok = false;
  std::string path;    // the path written (or tried), extension included
  std::string detail;  // the system's reason when !ok
};

// Writes the file for `data` at `path` (extension rule applied). An existing
// file is replaced atomically, so a failed save leaves it as it was. A path
// that would not fit the 255-character path field is refused.
// Unless `takeLock` is false (the caller holds it), the save holds the file's
// exclusive lock, so that it takes turns with other saves and readers.
SaveResult SaveConfigFile(const std::string& path, const SetupData& data, const KeptEntries& kept = {},
                          bool takeLock = true);

}  // namespace quarvel
