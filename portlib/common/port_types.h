// Codes shared by the port libraries' frame, monitor and transports.
#pragma once

#include <cstdint>

namespace portlink {

// printerStatus values. 4 is reserved: no monitor sets it, but it ends the
// completion wait.
enum PrinterStatus : int32_t {
  kNormal = 0,
  kCoverOpen = 1,
  kPaperEmpty = 2,
  kReservedStatus = 4,
  kOffline = 8,
  kPaperNearEnd = 16,
};

// Classification of the running Windows version; other systems are Nt5OrLater.
enum class OsClass : int32_t { Nt5OrLater = 0, Win9x = 1, Nt4OrEarlier = 2 };

}  // namespace portlink
