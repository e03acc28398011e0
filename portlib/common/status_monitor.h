// The status monitor thread's passes: it enables the printer's automatic
// status back where asked, reads what the printer sends and keeps
// printerStatus and drawerStatus current.
#pragma once

#include <cstdint>

#include "clock.h"
#include "monitor_io.h"
#include "port_fields.h"
#include "port_policy.h"
#include "printer_protocol.h"

namespace portlink {

class StatusMonitor {
 public:
  // The monitor ends when `stop` is set (stopRequested when none is given).
  StatusMonitor(MonitorKind kind, const PortPolicy& policy, PortFields& fields, MonitorIo& io, Clock& clock,
                StopSignal* stop = nullptr);

  // Passes until the stop is set.
  void Run();
  // One pass; false when the stop cut it short.
  bool RunPass();

 private:
  bool Pause(int ms);
  void WriteStatusBackEnable();
  void SetPrinterStatus(int32_t status);
  void ApplyOfflineTest(int64_t elapsedMs);
  bool Apply(const Effects& effects);

  MonitorKind kind_;
  const PortPolicy& policy_;
  PortFields& fields_;
  MonitorIo& io_;
  Clock& clock_;
  StopSignal& stop_;
  int countedReads_ = 0;
};

}  // namespace portlink
