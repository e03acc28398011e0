#include "status_monitor.h"

#include <array>
#include <span>

namespace portlink {

namespace {
constexpr int kFastPauseMs = 50;
constexpr int kAfterEnablePauseMs = 100;
}  // namespace

StatusMonitor::StatusMonitor(MonitorKind kind, const PortPolicy& policy, PortFields& fields, MonitorIo& io,
                             Clock& clock, StopSignal* stop)
    : kind_(kind),
      policy_(policy),
      fields_(fields),
      io_(io),
      clock_(clock),
      stop_(stop != nullptr ? *stop : fields.stopRequested) {}

void StatusMonitor::Run() {
  while (!stop_.IsSet()) {
    if (!RunPass()) break;
  }
}

bool StatusMonitor::Pause(int ms) { return clock_.Pause(ms, &stop_); }

void StatusMonitor::SetPrinterStatus(int32_t status) {
  fields_.printerStatus.store(status);
  fields_.statusReports.fetch_add(1);
}

void StatusMonitor::WriteStatusBackEnable() { io_.WriteCommandUnlessBusy(kStatusBackEnable); }

void StatusMonitor::ApplyOfflineTest(int64_t elapsedMs) {
  const OfflineTest test = policy_.offlineTest(kind_, static_cast<OsClass>(fields_.osClass.load()));
  bool counts = false;
  switch (test.kind) {
    case OfflineTest::Kind::None: return;
    case OfflineTest::Kind::Probe: {
      // Older systems notice a lost printer only by a write.
      const bool sent = io_.WriteCommandUnlessBusy(kNulProbe);
      if (!sent && test.failedProbeIsOffline) {
        SetPrinterStatus(kOffline);
        fields_.statusRequest.store(1);
      }
      return;
    }
    case OfflineTest::Kind::SlowReads: counts = elapsedMs >= test.limitMs; break;
    case OfflineTest::Kind::QuickReads: counts = elapsedMs <= test.limitMs; break;
  }
  if (!counts) {
    countedReads_ = 0;
    return;
  }
  if (++countedReads_ < test.inARow) return;
  countedReads_ = 0;
  if (test.requestsStatus) fields_.statusRequest.store(1);
  SetPrinterStatus(kOffline);
}

bool StatusMonitor::Apply(const Effects& effects) {
  for (const Effect& e : effects) {
    switch (e.kind) {
      case Effect::SetPrinterStatus: SetPrinterStatus(e.value); break;
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
  if (!Pause(fields_.fastPoll.load() == 1 ? kFastPauseMs : policy_.monitorIdleMs)) return false;
  if (fields_.statusRequest.load() == 1) {
    WriteStatusBackEnable();
    if (!Pause(kAfterEnablePauseMs)) return false;
  }
  if (kind_ == MonitorKind::StatusBackWithPresence) {
    if (io_.IsPrinterPresent()) {
      fields_.statusRequest.store(0);
    } else {
      fields_.statusRequest.store(1);
      SetPrinterStatus(kOffline);
    }
  }

  std::array<uint8_t, kReadBufferSize> buffer{};
  int64_t elapsedMs = 0;
  const int n = io_.Read(buffer.data(), kReadBufferSize, elapsedMs);
  ApplyOfflineTest(elapsedMs);

  const std::span<const uint8_t> read(buffer.data(), static_cast<size_t>(n));
  switch (kind_) {
    case MonitorKind::StatusBackWithPresence: return Apply(DecodeStatusBackWithPresence(read));
    case MonitorKind::Basic: return Apply(DecodeBasic(read));
    case MonitorKind::StatusBack: return Apply(DecodeStatusBack(read));
  }
  return true;
}

}  // namespace portlink
