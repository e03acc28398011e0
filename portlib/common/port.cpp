#include "port.h"

#include <algorithm>
#include <array>
#include <system_error>

#include "printer_protocol.h"
#include "status_monitor.h"

namespace portlink {

namespace {
constexpr int kSettlePauseMs = 500;
constexpr int kCompletionPollMs = 20;
constexpr int64_t kCompletionRepeatMs = 10000;
constexpr int kAfterCompletionPauseMs = 100;
constexpr int kResendPauseMs = 1000;
constexpr int kReadyTriesPauseMs = 100;
constexpr int kWriteTurnPollMs = 5;  // how often a writer waiting for its turn looks again
constexpr int64_t kReadyLimitMs = 500;
}  // namespace

Port::Port(const PortPolicy& policy, Transport& transport, Clock& clock)
    : policy_(policy), transport_(transport), clock_(clock) {
  if (policy_.onWriteFailure == WriteFailure::ReconnectInBackground) {
    reconnect_ = std::make_unique<ReconnectThread>(fields_, transport_, clock_, gate_);
  }
}

Port::~Port() {
  transport_.Cancel();
  gate_.Bar();
  fields_.stopRequested.Set();
  monitorStop_.Set();
  if (reconnect_) reconnect_->Stop();
  StopMonitorThread();
}

bool Port::MonitorThreadRunning() const {
  std::lock_guard lock(lifecycleMutex_);
  return monitorThread_.joinable();
}

void Port::OpenPort(std::string_view portName, std::string_view portSettings) {
  std::lock_guard lock(lifecycleMutex_);
  gate_.Allow();
  const OsClass os = policy_.osClass();
  fields_.osClass.store(static_cast<int32_t>(os));
  if (transport_.Open(portName, portSettings, os)) {
    fields_.isOpen.store(1);  // `connected` is the claim's and the reconnection's
  } else {
    CloseDown();
  }
}

void Port::ClosePort() {
  std::lock_guard lock(lifecycleMutex_);
  CloseDown();
}

// The close first ends what waits on the device (a write to a printer that
// stopped reading, a read, a reconnection), so that nothing below waits for
// the printer; from then on nothing reopens the device. Then isOpen is
// cleared, the reconnection and the monitor are stopped, and the device is
// released last.
void Port::CloseDown() {
  if (!policy_.closeRunsWhileClosed && fields_.isOpen.load() == 0) return;
  transport_.Cancel();
  gate_.Bar();
  fields_.isOpen.store(0);
  fields_.stopRequested.Set();
  monitorStop_.Set();
  if (reconnect_) reconnect_->Stop();
  StopMonitorThread();
  transport_.Close();
}

void Port::StopMonitorThread() {
  if (monitorThread_.joinable()) monitorThread_.join();
  fields_.monitorRunning.store(0);
}

int Port::Read(uint8_t* buffer, int capacity, int64_t& elapsedMs) {
  elapsedMs = 0;
  if (fields_.isOpen.load() == 0) return 0;
  std::lock_guard lock(readMutex_);
  const int64_t started = clock_.NowMs();  // after the wait for our turn
  const ReadOutcome read = transport_.Read(buffer, capacity);
  // A read that waited out its own time-out says nothing of the printer's speed.
  elapsedMs = read.idle ? 0 : clock_.NowMs() - started;
  if (read.lost) ConnectionLost();
  return std::clamp(read.count, 0, capacity);
}

// The printer ended the connection: the transport keeps it as lost, so the
// next write reconnects first, under the write turn and the reopen gate.
void Port::ConnectionLost() { ReportOffline(); }

void Port::ReportOffline() {
  fields_.printerStatus.store(kOffline);
  fields_.statusRequest.store(1);
}

int Port::ReadData(uint8_t* out, int capacity) {
  std::array<uint8_t, kReadBufferSize> buffer{};
  const int limit = std::min(capacity, kReadBufferSize);
  if (limit <= 0) return 0;
  int64_t elapsedMs = 0;
  const int n = Read(buffer.data(), limit, elapsedMs);
  std::copy(buffer.begin(), buffer.begin() + n, out);
  return n;
}

WriteOutcome Port::Write(const uint8_t* data, int length, WriteKind kind) {
  if (length < 0) length = 0;
  if (fields_.isOpen.load() == 0) return {0, true};  // at once, not after the writes ahead
  // Writers take turns; one waiting behind a long write gives up once a
  // close begins, so the close never waits for the printer.
  std::unique_lock writing(writeMutex_, std::defer_lock);
  while (!writing.try_lock()) {
    if (gate_.Barred().IsSet()) return {0, true, false, true};
    gate_.Barred().WaitFor(kWriteTurnPollMs);
  }
  return WriteInTurn(data, length, kind);
}

WriteOutcome Port::WriteInTurn(const uint8_t* data, int length, WriteKind kind) {
  if (fields_.isOpen.load() == 0) return {0, true};
  const WriteOutcome out = transport_.Write(data, length, kind);
  if (!out.failed || out.cancelled || gate_.Barred().IsSet()) return out;  // a close took the device away
  switch (policy_.onWriteFailure) {
    case WriteFailure::ReportOffline:
      ReportOffline();
      return out;
    case WriteFailure::ReconnectAndResend:
      if (out.lost) return ReconnectAndResend(data, length, kind);
      ReportOffline();  // a printer that paused too long keeps what it took: nothing is sent twice
      return out;
    case WriteFailure::ReconnectInBackground:
      reconnect_->HandOver();
      return out;
  }
  return out;
}

// Reopens the connection at once and sends the whole write again from its
// first byte: what the lost connection had taken may never have reached the
// printer, and a line printed twice is better than one silently missing.
WriteOutcome Port::ReconnectAndResend(const uint8_t* data, int length, WriteKind kind) {
  fields_.printerStatus.store(kOffline);
  const bool reopened = gate_.Run([&] {
    transport_.Drop();
    return transport_.Reopen();
  });
  if (!reopened || !clock_.Pause(kResendPauseMs, &gate_.Barred())) {
    fields_.statusRequest.store(1);
    return {0, true};
  }
  fields_.printerStatus.store(kNormal);
  WriteOutcome again = transport_.Write(data, length, kind);
  fields_.statusRequest.store(1);
  if (again.failed || again.written != length) {
    fields_.printerStatus.store(kOffline);
    again.failed = true;
  }
  return again;
}

bool Port::WriteCommand(std::span<const uint8_t> command) {
  const int length = static_cast<int>(command.size());
  const WriteOutcome out = Write(command.data(), length, WriteKind::Command);
  return !out.failed && out.written == length;
}

// The monitor does not queue behind a long job: it reads on, and sends its
// command on a later pass.
bool Port::WriteCommandUnlessBusy(std::span<const uint8_t> command) {
  std::unique_lock writing(writeMutex_, std::try_to_lock);
  if (!writing.owns_lock()) return true;
  const int length = static_cast<int>(command.size());
  const WriteOutcome out = WriteInTurn(command.data(), length, WriteKind::Command);
  return !out.failed && out.written == length;
}

int Port::WriteData(const uint8_t* data, int length) {
  if (length < 0) length = 0;
  const WriteOutcome out = Write(data, length, WriteKind::Data);
  if (policy_.writeReturnsCount) return out.written;
  return !out.failed && out.written == length ? 1 : 0;
}

int32_t Port::OpenDrawer(int64_t pin, int64_t onTimeMs, int64_t offTimeMs) {
  const std::vector<uint8_t> kick = DrawerKick(pin, onTimeMs, offTimeMs);
  if (kick.empty()) return kDrawerKickRefused;
  fields_.fastPoll.store(1);
  const bool sent = WriteCommand(kick);
  fields_.fastPoll.store(0);
  return sent ? kDrawerKickSent : kDrawerKickRefused;
}

int64_t Port::Claim(int32_t timeoutMs, bool monitor) {
  if (fields_.isOpen.load() == 0) return 1;  // at once, even while another thread opens or closes
  std::lock_guard lock(lifecycleMutex_);
  if (fields_.isOpen.load() == 0) return 1;
  // A second claim stops the first claim's monitor before anything else, so
  // that it neither takes the readiness check's replies nor runs beside the
  // new one.
  if (monitorThread_.joinable()) {
    monitorStop_.Set();  // not stopRequested: a completion wait goes on
    StopMonitorThread();
  }
  if (!monitor && policy_.readyCheckOnPlainClaim && !CheckReady()) {
    CloseDown();
    fields_.isOpen.store(0);
    return 1;
  }
  try {
    StartMonitor(timeoutMs, monitor);
  } catch (const std::system_error&) {  // no thread to be had: the claim fails
    fields_.monitorRunning.store(0);
    fields_.fastPoll.store(0);
    return 1;
  }
  return 0;
}

// Asks the printer for its offline and paper status: true when it answers
// with the cover closed and paper present, within about half a second.
bool Port::CheckReady() {
  std::array<uint8_t, kReadBufferSize> buffer{};
  auto query = [&](std::span<const uint8_t> command) {
    WriteCommand(command);
    clock_.Pause(policy_.readyQueryPauseMs);
    buffer.fill(0);
    int64_t elapsedMs = 0;
    return Read(buffer.data(), kReadBufferSize, elapsedMs);
  };
  if (!WriteCommand(kNulProbe)) return false;
  if (query(kOfflineStatusQuery) == 0) return false;
  const int64_t start = clock_.NowMs();
  for (bool first = true;; first = false) {
    if (!first && clock_.NowMs() - start > kReadyLimitMs) return false;
    int n = query(kOfflineStatusQuery);
    if (n == 0) {
      clock_.Pause(kReadyTriesPauseMs);
      continue;
    }
    if (buffer[static_cast<size_t>(n - 1)] & 0x04) return false;  // cover open
    n = query(kPaperStatusQuery);
    if (n == 0) {
      clock_.Pause(kReadyTriesPauseMs);
      continue;
    }
    return (buffer[static_cast<size_t>(n - 1)] & 0x60) == 0;  // paper present
  }
}

// Records the claim and starts the monitor its mode asks for. Where every
// claim runs a monitor, the claim settles it in fast polling; elsewhere a
// claim without status back runs none.
void Port::StartMonitor(int32_t timeoutMs, bool mode) {
  fields_.claimTimeout.store(timeoutMs);
  fields_.monitorMode.store(mode ? 1 : 0);
  transport_.ApplyClaimTimeout(timeoutMs);
  const bool everyClaim = policy_.plainMonitor.has_value();
  if (everyClaim) {
    fields_.stopRequested.Clear();
    fields_.connected.store(1);
    fields_.fastPoll.store(1);
    fields_.statusRequest.store(mode ? 1 : 0);
  } else {
    fields_.statusRequest.store(0);
    if (!mode) return;
    fields_.stopRequested.Clear();
    fields_.statusRequest.store(1);
  }
  const MonitorKind kind = mode ? policy_.statusBackMonitor : *policy_.plainMonitor;
  monitorStop_.Clear();
  fields_.monitorRunning.store(1);
  monitorThread_ = std::thread([this, kind] {
    try {
      StatusMonitor(kind, policy_, fields_, *this, clock_, &monitorStop_).Run();
    } catch (...) {
      // Out of memory in a pass: the monitor ends; the port stays usable.
    }
  });
  clock_.Pause(kSettlePauseMs);
  if (everyClaim) fields_.fastPoll.store(0);
}

bool Port::WaitForCompletePrinting() {
  WriteCommand(kCompletionRequest);
  fields_.fastPoll.store(1);
  fields_.printComplete.store(0);
  bool noteTime = true;
  int64_t mark = 0;
  while (!fields_.stopRequested.IsSet()) {
    if (noteTime) {
      mark = clock_.NowMs();
      noteTime = false;
    } else if (clock_.NowMs() - mark >= kCompletionRepeatMs) {
      if (!WriteCommand(kCompletionRequest)) break;
      noteTime = true;
    }
    if (!clock_.Pause(kCompletionPollMs, &fields_.stopRequested)) break;
    if (fields_.printComplete.load() == 1) {
      clock_.Pause(kAfterCompletionPauseMs);
      break;
    }
    const int32_t status = fields_.printerStatus.load();
    const bool ends = status == kCoverOpen || status == kPaperEmpty || status == kReservedStatus ||
                      (policy_.offlineEndsCompletionWait && status == kOffline);
    if (ends) break;
  }
  fields_.fastPoll.store(0);
  return fields_.printComplete.load() == 1;
}

}  // namespace portlink
