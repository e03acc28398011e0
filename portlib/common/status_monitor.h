// The status monitor thread's passes: it enables the printer's automatic
// status back where asked, reads what the printer sends and keeps
// printerStatus and drawerStatus current.
#pragma once

#include <cstdint>
#include <mutex>

#include "clock.h"
#include "port_fields.h"
#include "port_types.h"
#include "printer_protocol.h"
#include "transport.h"

namespace portlink {

enum class MonitorVariant {
  UsbStatusBack,      // USB library, claimed with status back
  UsbBasic,           // USB library, claimed without
  NetworkStatusBack,  // TCP and parallel libraries, claimed with status back
};

class StatusMonitor {
 public:
  // `usb` is the USB library's transport (for its presence check), else null.
  StatusMonitor(MonitorVariant variant, Flavor flavor, PortFields& fields, Transport& transport,
                UsbTransport* usb, Clock& clock, std::mutex& readMutex);

  // Passes until stopRequested is set.
  void Run();
  // One pass; false when the stop cut it short.
  bool RunPass();

 private:
  bool Pause(int ms);
  void WriteStatusBackEnable();
  void CountRead(bool counts, int reachAt, bool reportRequest);
  void OfflineTest(int64_t elapsedMs);
  bool Apply(const Effects& effects);

  MonitorVariant variant_;
  Flavor flavor_;
  PortFields& fields_;
  Transport& transport_;
  UsbTransport* usb_;
  Clock& clock_;
  std::mutex& readMutex_;
  int slowCount_ = 0;
};

}  // namespace portlink
