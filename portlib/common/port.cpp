#include "port.h"

#include <array>

#include "printer_protocol.h"
#include "status_monitor.h"

namespace portlink {

namespace {
constexpr int kSettlePauseMs = 500;
constexpr int kCompletionPollMs = 20;
constexpr int64_t kCompletionRepeatMs = 10000;
constexpr int kAfterCompletionPauseMs = 100;
}  // namespace

Port::Port(Flavor flavor, Transport& transport, Clock& clock)
    : flavor_(flavor),
      transport_(transport),
      usb_(flavor == Flavor::Usb ? static_cast<UsbTransport*>(&transport) : nullptr),
      clock_(clock) {
  transport_.AttachFields(fields_);
  if (usb_ != nullptr) {
    reconnect_ = std::make_unique<ReconnectThread>(fields_, *usb_, clock_);
    usb_->SetWriteFailureHandler([this] { reconnect_->HandOver(); });
  }
}

Port::~Port() {
  fields_.stopRequested.Set();
  StopMonitorThread();
  if (reconnect_) reconnect_->Stop();
  if (usb_ != nullptr) usb_->SetWriteFailureHandler(nullptr);
}

bool Port::MonitorThreadRunning() const {
  std::lock_guard lock(lifecycleMutex_);
  return monitorThread_.joinable();
}

int Port::ReadLocked(uint8_t* buffer, int capacity) {
  std::lock_guard lock(readMutex_);
  const int n = transport_.Read(buffer, capacity);
  return n < 0 || n > capacity ? 0 : n;
}

int Port::WriteCommand(const uint8_t* data, int length) { return transport_.WriteCommand(data, length); }

void Port::OpenPort(std::string_view portName, std::string_view portSettings) {
  std::unique_lock lock(lifecycleMutex_);
  if (reconnect_) reconnect_->Allow();
  if (transport_.Open(portName, portSettings) != 1) {
    lock.unlock();
    ClosePort();
  }
}

void Port::ClosePort() {
  std::lock_guard lock(lifecycleMutex_);
  CloseDown();
}

// Clears isOpen first, then stops the monitor (and the reconnection), then
// releases the device. The TCP and parallel libraries do nothing while
// closed; the USB library always runs every step on what exists.
void Port::CloseDown() {
  if (flavor_ != Flavor::Usb && fields_.isOpen.load() == 0) return;
  fields_.isOpen.store(0);
  fields_.stopRequested.Set();
  StopMonitorThread();
  if (flavor_ == Flavor::Usb) {
    fields_.connected.store(1);  // ends a reconnect loop
    reconnect_->Stop();
    fields_.isOpen.store(0);  // a reopen that raced the close does not count
  }
  transport_.CloseDevice();
}

void Port::StopMonitorThread() {
  if (monitorThread_.joinable()) monitorThread_.join();
  fields_.monitorRunning.store(0);
}

int Port::ReadData(uint8_t* out, int capacity) {
  std::array<uint8_t, kReadBufferSize> buffer{};
  const int limit = capacity < kReadBufferSize ? capacity : kReadBufferSize;
  if (limit <= 0) return 0;
  const int n = ReadLocked(buffer.data(), limit);
  std::copy(buffer.begin(), buffer.begin() + n, out);
  return n;
}

int Port::WriteData(const uint8_t* data, int length) {
  if (length < 0) length = 0;
  return transport_.WriteData(data, length);
}

int32_t Port::OpenDrawer(int64_t pin, int64_t onTimeMs, int64_t offTimeMs) {
  const std::vector<uint8_t> kick = DrawerKick(pin, onTimeMs, offTimeMs);
  if (kick.empty()) return kDrawerPinNotSupported;
  fields_.fastPoll.store(1);
  const bool open = fields_.isOpen.load() == 1;
  const int sent = open ? WriteCommand(kick.data(), static_cast<int>(kick.size())) : 0;
  fields_.fastPoll.store(0);
  return sent != 0 ? kDrawerKickSent : kDrawerKickNotSent;
}

int64_t Port::Claim(int32_t timeoutMs, bool monitor) {
  std::lock_guard lock(lifecycleMutex_);
  if (fields_.isOpen.load() == 0) return 1;
  if (!monitor && flavor_ != Flavor::Lpt && !CheckReady()) {
    CloseDown();
    fields_.isOpen.store(0);
    return 1;
  }
  StartMonitor(timeoutMs, monitor);
  return 0;
}

// Asks the printer for its offline and paper status: true when it answers
// with the cover closed and paper present, within about half a second.
bool Port::CheckReady() {
  const int queryPause = flavor_ == Flavor::Tcp ? 50 : 10;
  std::array<uint8_t, kReadBufferSize> buffer{};
  auto query = [&](const auto& command) {
    WriteCommand(command.data(), static_cast<int>(command.size()));
    clock_.Pause(queryPause);
    buffer.fill(0);
    return ReadLocked(buffer.data(), kReadBufferSize);
  };
  if (WriteCommand(kNulProbe.data(), 1) == 0) return false;
  if (query(kOfflineStatusQuery) == 0) return false;
  const int64_t start = clock_.NowMs();
  for (bool first = true;; first = false) {
    if (!first && clock_.NowMs() - start > 500) return false;
    int n = query(kOfflineStatusQuery);
    if (n == 0) {
      clock_.Pause(100);
      continue;
    }
    if (buffer[static_cast<size_t>(n - 1)] & 0x04) return false;  // cover open
    n = query(kPaperStatusQuery);
    if (n == 0) {
      clock_.Pause(100);
      continue;
    }
    return (buffer[static_cast<size_t>(n - 1)] & 0x60) == 0;  // paper present
  }
}

// A second claim while a monitor runs restarts it: the old thread is stopped
// and joined first, so that two monitors never update the same fields.
void Port::StartMonitor(int32_t timeoutMs, bool mode) {
  if (monitorThread_.joinable()) {
    fields_.stopRequested.Set();
    StopMonitorThread();
  }
  fields_.claimTimeout.store(timeoutMs);
  MonitorVariant variant = MonitorVariant::NetworkStatusBack;
  if (flavor_ == Flavor::Usb) {
    fields_.monitorRunning.store(1);
    fields_.monitorMode.store(mode ? 1 : 0);
    fields_.stopRequested.Clear();
    fields_.connected.store(1);
    fields_.fastPoll.store(1);
    fields_.statusRequest.store(mode ? 1 : 0);
    variant = mode ? MonitorVariant::UsbStatusBack : MonitorVariant::UsbBasic;
  } else {
    fields_.statusRequest.store(0);
    transport_.ApplyClaimTimeout(timeoutMs);
    if (!mode) return;
    fields_.stopRequested.Clear();
    fields_.statusRequest.store(1);
  }
  monitorThread_ = std::thread([this, variant] {
    StatusMonitor(variant, flavor_, fields_, transport_, usb_, clock_, readMutex_).Run();
  });
  clock_.Pause(kSettlePauseMs);
  if (flavor_ == Flavor::Usb) fields_.fastPoll.store(0);
}

bool Port::WaitForCompletePrinting() {
  WriteCommand(kCompletionRequest.data(), static_cast<int>(kCompletionRequest.size()));
  fields_.fastPoll.store(1);
  fields_.printComplete.store(0);
  bool noteTime = true;
  int64_t mark = 0;
  while (!fields_.stopRequested.IsSet()) {
    if (noteTime) {
      mark = clock_.NowMs();
      noteTime = false;
    } else if (clock_.NowMs() - mark >= kCompletionRepeatMs) {
      if (WriteCommand(kCompletionRequest.data(), static_cast<int>(kCompletionRequest.size())) == 0) break;
      noteTime = true;
    }
    if (!clock_.Pause(kCompletionPollMs, &fields_.stopRequested)) break;
    if (fields_.printComplete.load() == 1) {
      clock_.Pause(kAfterCompletionPauseMs);
      break;
    }
    const int32_t status = fields_.printerStatus.load();
    const bool ends = status == kCoverOpen || status == kPaperEmpty || status == kReservedStatus ||
                      (flavor_ != Flavor::Usb && status == kOffline);
    if (ends) break;
  }
  fields_.fastPoll.store(0);
  return fields_.printComplete.load() == 1;
}

}  // namespace portlink
