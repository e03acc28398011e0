#include "tcp_policy.h"

namespace portlink {

// Status back only when claimed with it; a failed send reconnects at once and
// sends again. A lost printer shows through failed sends, and on the oldest
// systems through one NUL written per monitor pass, whose result is ignored.
constinit const PortPolicy kTcpPolicy{
    .monitorIdleMs = 500,
    .readyQueryPauseMs = 50,
    .readyCheckOnPlainClaim = true,
    .statusBackMonitor = MonitorKind::StatusBack,
    .plainMonitor = std::nullopt,
    .closeRunsWhileClosed = false,
    .offlineEndsCompletionWait = true,
    .onWriteFailure = WriteFailure::ReconnectAndResend,
    .writeReturnsCount = false,
    .offlineTest =
        [](MonitorKind, OsClass os) {
          OfflineTest test;
          if (os == OsClass::Nt4OrEarlier) test.kind = OfflineTest::Kind::Probe;
          return test;
        },
    .osClass = &GetOsClass,
};

}  // namespace portlink
