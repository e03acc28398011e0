// How one library's frame and monitor differ from the others'. Each library
// fills one PortPolicy in its own folder; the frame and the monitor read it
// and never ask which library they serve.
#pragma once

#include <cstdint>
#include <optional>

#include "os_class.h"
#include "port_types.h"

namespace portlink {

enum class MonitorKind {
  StatusBack,              // status back asked for; S1 judged by its bits
  StatusBackWithPresence,  // S1 judged by exact values, online notice, device presence each pass
  Basic,                   // no status back asked for; the drawer by a count of its bytes
};

// How a monitor notices a printer that stopped answering, tested after each read.
struct OfflineTest {
  enum class Kind {
    None,
    SlowReads,   // reads of `limitMs` or more count
    QuickReads,  // reads of at most `limitMs` count
    Probe,       // one NUL written per pass
  };
  Kind kind = Kind::None;
  int32_t limitMs = 0;
  int inARow = 0;                     // counted reads in a row that report Offline
  bool requestsStatus = false;        // ... and ask for status back again
  bool failedProbeIsOffline = false;  // Probe: a NUL that could not be written reports Offline
};

// What the port does when a write fails.
enum class WriteFailure {
  ReportOffline,          // Offline and status back asked for; the device stays as it is
  // A connection that ended is reopened at once and the whole write sent
  // again; a write that ran out of time on a live connection reports Offline
  // and keeps the connection, since the printer keeps what it took.
  ReconnectAndResend,
  ReconnectInBackground,  // drop the device and let a reconnect thread reopen it
};

struct PortPolicy {
  int monitorIdleMs = 500;
  int readyQueryPauseMs = 10;         // the readiness check's pause after each query
  bool readyCheckOnPlainClaim = true; // a claim without status back checks readiness first
  MonitorKind statusBackMonitor = MonitorKind::StatusBack;
  // The monitor of a claim without status back. With one, every claim runs a
  // monitor and settles it in fast polling; without, such a claim starts none.
  std::optional<MonitorKind> plainMonitor;
  bool closeRunsWhileClosed = false;  // the close step runs even on a closed port
  bool offlineEndsCompletionWait = true;
  WriteFailure onWriteFailure = WriteFailure::ReportOffline;
  bool writeReturnsCount = false;     // _writeData returns the bytes written, not 1 or 0
  // The offline test of a monitor of the given kind on the given system.
  OfflineTest (*offlineTest)(MonitorKind, OsClass) = [](MonitorKind, OsClass) { return OfflineTest{}; };
  OsClass (*osClass)() = &GetOsClass;
};

}  // namespace portlink
