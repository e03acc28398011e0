#include "usb_policy.h"

namespace portlink {

// Every claim runs a monitor: with status back one that also checks that the
// device is still attached, without it the basic one. Two slow reads in a row
// report Offline. A failed write hands the device to a reconnect thread; the
// completion wait goes on while the printer is Offline, since it may return.
constinit const PortPolicy kUsbPolicy{
    .monitorIdleMs = 500,
    .readyQueryPauseMs = 10,
    .readyCheckOnPlainClaim = true,
    .statusBackMonitor = MonitorKind::StatusBackWithPresence,
    .plainMonitor = MonitorKind::Basic,
    .closeRunsWhileClosed = true,
    .offlineEndsCompletionWait = false,
    .onWriteFailure = WriteFailure::ReconnectInBackground,
    .writeReturnsCount = false,
    .offlineTest =
        [](MonitorKind kind, OsClass) {
          return OfflineTest{.kind = OfflineTest::Kind::SlowReads,
                             .limitMs = 50,
                             .inARow = 2,
                             .requestsStatus = kind != MonitorKind::Basic};
        },
    .osClass = &GetOsClass,
};

}  // namespace portlink
