#include "lpt_transport.h"

#include <mutex>

#include "deadline.h"
#include "lpt_device_name.h"

namespace portlink {

namespace {
constexpr int kWindowMs = 500;          // attempts start only within this of the first
constexpr int kConstantAllowanceMs = 500;
constexpr int kLargeWriteBytes = 512;   // from here on each byte adds 1 ms to the allowance
constexpr int kFailedAttemptPauseMs = 500;
constexpr int kPollMs = 10;
constexpr uint32_t kInputQueueBytes = 1024;
}  // namespace

bool LptTransport::Open(std::string_view portName, std::string_view, OsClass os) {
  std::unique_lock lock(deviceMutex_);
  if (device_.IsOpen()) return true;
  const std::optional<std::string> path = ParallelDevicePath(portName);
  if (!path) return false;
  const bool blocking = os != OsClass::Nt5OrLater;
  closing_.Clear();
  if (!device_.Open(*path, blocking ? DeviceFile::Mode::Blocking : DeviceFile::Mode::Waitable)) return false;
  blocking_.store(blocking);
  device_.PurgeOutput();
  device_.PurgeInput();
  device_.SetQueueSizes(kInputQueueBytes, 0);
  return true;
}

void LptTransport::ApplyClaimTimeout(int32_t timeoutMs) {
  std::shared_lock lock(deviceMutex_);
  if (!device_.IsOpen()) return;
  device_.SetTimeouts({.readIntervalMs = 50,
                       .readTotalMultiplierMs = 0,
                       .readTotalConstantMs = 100,
                       .writeTotalMultiplierMs = 0,
                       .writeTotalConstantMs = static_cast<uint32_t>(timeoutMs)});
}

WriteOutcome LptTransport::Write(const uint8_t* data, int length, WriteKind) {
  if (!blocking_.load()) return WriteWithAllowance(data, length);
  // One blocking write; a part of the bytes counts as none.
  std::shared_lock lock(deviceMutex_);
  if (!device_.IsOpen()) return {0, true};
  const DeviceFile::Result written = device_.Write(data, length, 0);
  if (written.ok && written.count == length) return {length, false};
  return {0, true};
}

// Attempts to write what is left, each with its own allowance (1 ms per byte
// of the whole write when it is large, plus 500 ms); a failed attempt pauses
// 500 ms; attempts start only within 500 ms of the first.
WriteOutcome LptTransport::WriteWithAllowance(const uint8_t* data, int length) {
  const int64_t allowanceMs = (length >= kLargeWriteBytes ? int64_t{length} : 0) + kConstantAllowanceMs;
  const int64_t started = clock_.NowMs();
  WriteOutcome total;
  for (;;) {
    DeviceFile::Result attempt;
    {
      std::shared_lock lock(deviceMutex_);
      if (!device_.IsOpen() || closing_.IsSet()) return {total.written, true, false, true};
      attempt = device_.Write(data + total.written, length - total.written, allowanceMs, kPollMs);
    }
    total.written += attempt.count;
    if (!attempt.ok) {
      total.failed = true;
      if (!clock_.Pause(kFailedAttemptPauseMs, &closing_)) total.cancelled = true;
    }
    if (attempt.ok && total.written == length) return total;
    if (clock_.NowMs() - started >= kWindowMs || total.cancelled) return total;
  }
}

// The input only: output another thread is still writing is never purged.
ReadOutcome LptTransport::Read(uint8_t* buffer, int capacity) {
  std::shared_lock lock(deviceMutex_);
  if (!device_.IsOpen()) return {};
  if (blocking_.load()) {
    const DeviceFile::Result read = device_.Read(buffer, capacity, 100);
    device_.PurgeInput();
    return {read.count, false};
  }
  // A port that can't be read (many parallel drivers) reads as nothing; one
  // that can't tell its queue is read with a short wait.
  const DeviceFile::Result read = device_.Read(buffer, capacity, 0);
  return {.count = read.ok ? read.count : 0, .idle = read.ok && read.count == 0};
}

void LptTransport::Cancel() {
  closing_.Set();
  device_.Cancel();
}

void LptTransport::Close() {
  Cancel();
  std::unique_lock lock(deviceMutex_);
  device_.Close();
}

std::string LptTransport::LastErrorText() {
  std::shared_lock lock(deviceMutex_);
  return device_.LastErrorText();
}

}  // namespace portlink
