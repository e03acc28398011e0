#include "status_monitor.h"

#include <array>
#include <span>

namespace portlink {

namespace {
constexpr int kIdlePauseMs = 500;
constexpr int kIdlePauseParallelMs = 400;
constexpr int kFastPauseMs = 50;
constexpr int kAfterEnablePauseMs = 100;
constexpr int32_t kSlowReadMs = 50;
constexpr int32_t kWin9xReadLimitMs = 125;
}  // namespace

StatusMonitor::StatusMonitor(MonitorVariant variant, Flavor flavor, PortFields& fields,
                             Transport& transport, UsbTransport* usb, Clock& clock,
                             std::mutex& readMutex)
    : variant_(variant),
      flavor_(flavor),
      fields_(fields),
      transport_(transport),
      usb_(usb),
      clock_(clock),
      readMutex_(readMutex) {}

void StatusMonitor::Run() {
  while (!fields_.stopRequested.IsSet()) {
    if (!RunPass()) break;
  }
}

bool StatusMonitor::Pause(int ms) { return clock_.Pause(ms, &fields_.stopRequested); }

void StatusMonitor::WriteStatusBackEnable() {
  transport_.WriteCommand(kStatusBackEnable.data(), static_cast<int>(kStatusBackEnable.size()));
}

// A read that `counts` adds one to the run of such reads, any other read ends
// the run; `reachAt` in a row report Offline and start counting anew.
void StatusMonitor::CountRead(bool counts, int reachAt, bool reportRequest) {
  if (!counts) {
    slowCount_ = 0;
    return;
  }
  if (++slowCount_ < reachAt) return;
  slowCount_ = 0;
  if (reportRequest) fields_.statusRequest.store(1);
  fields_.printerStatus.store(kOffline);
}

void StatusMonitor::OfflineTest(int64_t elapsedMs) {
  const auto os = static_cast<OsClass>(fields_.osClass.load());
  switch (variant_) {
    case MonitorVariant::UsbStatusBack:
      CountRead(elapsedMs >= kSlowReadMs, 2, true);
      return;
    case MonitorVariant::UsbBasic:
      CountRead(elapsedMs >= kSlowReadMs, 2, false);
      return;
    case MonitorVariant::NetworkStatusBack:
      break;
  }
  if (os == OsClass::Nt4OrEarlier) {
    // Older systems notice a lost printer only by a write.
    const int sent = transport_.WriteCommand(kNulProbe.data(), 1);
    if (flavor_ == Flavor::Lpt && sent == 0) {
      fields_.printerStatus.store(kOffline);
      fields_.statusRequest.store(1);
    }
  } else if (flavor_ == Flavor::Lpt && os == OsClass::Nt5OrLater) {
    CountRead(elapsedMs >= kSlowReadMs, 2, true);
  } else if (flavor_ == Flavor::Lpt && os == OsClass::Win9x) {
    CountRead(elapsedMs <= kWin9xReadLimitMs, 3, true);
  }
}

bool StatusMonitor::Apply(const Effects& effects) {
  for (const Effect& e : effects) {
    switch (e.kind) {
      case Effect::SetPrinterStatus: fields_.printerStatus.store(e.value); break;
      case Effect::SetStatusRequest: fields_.statusRequest.store(e.value); break;
      case Effect::SetConnected: fields_.connected.store(e.value); break;
      case Effect::SetPrintComplete: fields_.printComplete.store(e.value); break;
      case Effect::SetDrawerStatus: fields_.drawerStatus.store(e.value); break;
      case Effect::Pause:
        if (!Pause(e.value)) return false;
        break;
      case Effect::WriteStatusBackEnable: WriteStatusBackEnable(); break;
      case Effect::WriteStatusBackEnableIfConnected:
        if (fields_.connected.load() == 1) {
          WriteStatusBackEnable();
          if (!Pause(kAfterEnablePauseMs)) return false;
        }
        break;
    }
  }
  return true;
}

bool StatusMonitor::RunPass() {
  const int idle = flavor_ == Flavor::Lpt ? kIdlePauseParallelMs : kIdlePauseMs;
  if (!Pause(fields_.fastPoll.load() == 1 ? kFastPauseMs : idle)) return false;
  if (fields_.statusRequest.load() == 1) {
    WriteStatusBackEnable();
    if (!Pause(kAfterEnablePauseMs)) return false;
  }
  if (variant_ == MonitorVariant::UsbStatusBack && usb_ != nullptr) {
    if (usb_->IsPrinterPresent() == 1) {
      fields_.statusRequest.store(0);
    } else {
      fields_.statusRequest.store(1);
      fields_.printerStatus.store(kOffline);
    }
  }

  std::array<uint8_t, kReadBufferSize> buffer{};
  const int64_t started = clock_.NowMs();
  int n;
  {
    std::lock_guard lock(readMutex_);
    n = transport_.Read(buffer.data(), kReadBufferSize);
  }
  if (n < 0 || n > kReadBufferSize) n = 0;
  OfflineTest(clock_.NowMs() - started);

  const std::span<const uint8_t> read(buffer.data(), static_cast<size_t>(n));
  switch (variant_) {
    case MonitorVariant::UsbStatusBack: return Apply(DecodeUsbStatusBack(read));
    case MonitorVariant::UsbBasic: return Apply(DecodeUsbBasic(read));
    case MonitorVariant::NetworkStatusBack: return Apply(DecodeNetworkStatusBack(read));
  }
  return true;
}

}  // namespace portlink
