// PortLinkLpt's transport: the parallel port opened as a device file. On
// current systems writes are overlapped with a time allowance and reads take
// only input already queued; on the oldest systems both block.
#pragma once

#include <atomic>
#include <shared_mutex>

#include "clock.h"
#include "device_file.h"
#include "stop_signal.h"
#include "transport.h"

namespace portlink {

class LptTransport final : public Transport {
 public:
  // `system`: the device's system calls, scripted by a test (Windows).
  explicit LptTransport(Clock& clock, DeviceSystem* system = nullptr) : clock_(clock), device_(system) {}

  // Opens the named port; an open port is kept, whatever the name says now.
  bool Open(std::string_view portName, std::string_view portSettings, OsClass os) override;
  ReadOutcome Read(uint8_t* buffer, int capacity) override;
  // The bytes that reached the port; failed when an attempt failed or the
  // time ran out first.
  WriteOutcome Write(const uint8_t* data, int length, WriteKind kind) override;
  void Close() override;
  void Cancel() override;
  // Read time-outs of 50 ms between bytes and 100 ms in all; the claim's
  // time-out for a whole write.
  void ApplyClaimTimeout(int32_t timeoutMs) override;

  // The system's reason for the last failure to open, read or write.
  std::string LastErrorText() override;

 private:
  WriteOutcome WriteWithAllowance(const uint8_t* data, int length);

  Clock& clock_;
  // Reads and writes share the device; closing it is exclusive.
  std::shared_mutex deviceMutex_;
  DeviceFile device_;
  std::atomic<bool> blocking_{false};
  StopSignal closing_;  // cuts the pause after a failed attempt short
};

}  // namespace portlink
