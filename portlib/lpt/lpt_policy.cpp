#include "lpt_policy.h"

namespace portlink {

// Status back only when claimed with it, no readiness check, a shorter idle
// pass, and _writeData returns the bytes written. A failed write reports
// Offline; nothing reconnects. How a lost printer shows depends on the system.
constinit const PortPolicy kLptPolicy{
    .monitorIdleMs = 400,
    .readyQueryPauseMs = 10,
    .readyCheckOnPlainClaim = false,
    .statusBackMonitor = MonitorKind::StatusBack,
    .plainMonitor = std::nullopt,
    .closeRunsWhileClosed = false,
    .offlineEndsCompletionWait = true,
    .onWriteFailure = WriteFailure::ReportOffline,
    .writeReturnsCount = true,
    .offlineTest =
        [](MonitorKind, OsClass os) {
          switch (os) {
            case OsClass::Nt5OrLater:
              return OfflineTest{
                  .kind = OfflineTest::Kind::SlowReads, .limitMs = 50, .inARow = 2, .requestsStatus = true};
            case OsClass::Win9x:
              return OfflineTest{
                  .kind = OfflineTest::Kind::QuickReads, .limitMs = 125, .inARow = 3, .requestsStatus = true};
            case OsClass::Nt4OrEarlier:
              return OfflineTest{.kind = OfflineTest::Kind::Probe, .failedProbeIsOffline = true};
          }
          return OfflineTest{};
        },
    .osClass = &GetOsClass,
};

}  // namespace portlink
