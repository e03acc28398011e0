// The fields of a port object that the Java threads, the status monitor and
// the reconnect thread share. Every one is atomic: each is written by one
// thread and read by others without a lock.
#pragma once

#include <atomic>
#include <cstdint>

#include "stop_signal.h"

namespace portlink {

struct PortFields {
  std::atomic<int32_t> isOpen{0};
  std::atomic<int32_t> claimTimeout{0};
  std::atomic<int32_t> monitorMode{0};     // the boolean of the last claim
  std::atomic<int32_t> printerStatus{0};   // a PrinterStatus code
  std::atomic<int32_t> drawerStatus{0};    // 1 or 0 as the drawer sensor reads
  std::atomic<int32_t> printComplete{0};   // the printer answered a completion request
  std::atomic<int32_t> fastPoll{0};        // the monitor pauses 50 ms instead of its idle period
  std::atomic<int32_t> statusRequest{0};   // the monitor sends StatusBackEnable on its next pass
  std::atomic<int32_t> connected{0};       // the device is usable (0 while a reconnect thread runs)
  std::atomic<int32_t> monitorRunning{0};  // a monitor was started and not yet stopped
  std::atomic<int32_t> osClass{0};         // OsClass, set when the port opens
  std::atomic<uint32_t> statusReports{0};  // printer statuses the monitor has set, for a caller awaiting one
  StopSignal stopRequested;                // ends the monitor and the completion wait
};

}  // namespace portlink
