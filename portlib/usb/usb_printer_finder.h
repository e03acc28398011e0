// Finds the receipt printer (USB vendor 0525, product A700) among the
// system's USB printers: one implementation per platform (the device-
// interface enumeration of SETUPAPI.DLL on Windows, libudev on Linux).
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "port_types.h"

namespace portlink {

// A USB printer the system lists, ours or another vendor's.
struct UsbPrinterEntry {
  std::string path;     // the device node (Linux) or interface path (Windows) the search reads
  std::string vendor;   // four hex digits, as the system gives them
  std::string product;
};

class UsbPrinterFinder {
 public:
  virtual ~UsbPrinterFinder() = default;
  // Makes the enumeration usable (loads what it needs); false when it can't be had.
  virtual bool Load() = 0;
  // Gives back what Load took; the next Load takes it again.
  virtual void Release() = 0;
  // The path to open for the printer with the lowest index, or none.
  virtual std::optional<std::string> Find(OsClass os) = 0;
  // Whether such a printer is attached, without opening anything.
  virtual bool IsPresent(OsClass os) = 0;
  // Every USB printer attached, in the order the search walks them (after Load).
  virtual std::vector<UsbPrinterEntry> List() { return {}; }
};

// The finder of this platform.
std::unique_ptr<UsbPrinterFinder> MakeUsbPrinterFinder();

// How the printer's replies are read: 0 only when input is queued, above 0
// always (a read then waits for the device's read time-out).
int DetectProcessorClass(int previous);

}  // namespace portlink
