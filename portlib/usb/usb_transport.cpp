#include "usb_transport.h"

#include <mutex>

#include "deadline.h"

namespace portlink {

namespace {
constexpr int kDataPiece = 1024;
constexpr int kCommandPiece = 64;
constexpr int kDataPollMs = 1;
constexpr int kCommandPollMs = 10;
constexpr int kCommandPassPauseMs = 10;
constexpr int kQueuedReadTimeoutMs = 100;
}  // namespace

UsbTransport::UsbTransport(Clock& clock, std::unique_ptr<UsbPrinterFinder> finder, DeviceSystem* system)
    : clock_(clock), finder_(std::move(finder)), device_(system) {}

bool UsbTransport::Open(std::string_view, std::string_view, OsClass os) {
  std::unique_lock lock(deviceMutex_);
  closing_.store(false);
  os_.store(os);
  if (!finder_->Load()) return false;  // no enumeration, no printer to be found
  if (!OpenDeviceLocked()) {
    finder_->Release();
    return false;
  }
  processorClass_.store(DetectProcessorClass(processorClass_.load()));
  return true;
}

// Finds the printer and opens it in place of the device open now. Ours is
// closed first: the search probes each printer by opening it unshared, and
// our own handle would hide the printer we hold.
bool UsbTransport::OpenDeviceLocked() {
  device_.Close();
  const std::optional<std::string> path = finder_->Find(os_.load());
  if (!path) return false;
  if (!device_.Open(*path, DeviceFile::Mode::Waitable)) return false;
  device_.SetTimeouts({.readIntervalMs = 50,
                       .readTotalMultiplierMs = 0,
                       .readTotalConstantMs = 100,
                       .writeTotalMultiplierMs = 0,
                       .writeTotalConstantMs = static_cast<uint32_t>(claimTimeout_.load())});
  return true;
}

bool UsbTransport::Reopen() {
  std::unique_lock lock(deviceMutex_);
  return !closing_.load() && finder_->Load() && OpenDeviceLocked();
}

void UsbTransport::Cancel() {
  closing_.store(true);
  device_.Cancel();
}

void UsbTransport::Drop() {
  std::unique_lock lock(deviceMutex_);
  device_.Close();
}

bool UsbTransport::IsPrinterPresent() { return finder_->IsPresent(os_.load()); }

ReadOutcome UsbTransport::Read(uint8_t* buffer, int capacity) {
  std::shared_lock lock(deviceMutex_);
  if (!device_.IsOpen()) return {};
  // x86 reads only what is queued, and nothing when the queue can't be told;
  // the others issue every read and let it wait out its time-out.
  const DeviceFile::Result read = processorClass_.load() > 0
                                      ? device_.Read(buffer, capacity, kQueuedReadTimeoutMs)
                                      : device_.Read(buffer, capacity, 0, DeviceFile::IfQueueUnknown::ReadNothing);
  // A failed read is nothing read; the writes notice a lost printer.
  return {.count = read.count, .idle = read.ok && read.count == 0};
}

// Each piece must go out within 1 ms per byte of the whole transfer plus
// 500 ms; the first that does not fails the transfer with what went before.
WriteOutcome UsbTransport::Write(const uint8_t* data, int length, WriteKind kind) {
  const bool command = kind == WriteKind::Command;
  const int piece = command ? kCommandPiece : kDataPiece;
  const int64_t allowanceMs = WriteAllowanceMs(length);
  WriteOutcome total;
  while (total.written < length) {
    const int size = std::min(piece, length - total.written);
    DeviceFile::Result sent;
    {
      std::shared_lock lock(deviceMutex_);
      if (!device_.IsOpen() || closing_.load()) return {total.written, true, false, closing_.load()};
      sent = device_.Write(data + total.written, size, allowanceMs, command ? kCommandPollMs : kDataPollMs);
    }
    total.written += sent.count;
    if (!sent.ok) {
      total.failed = true;
      total.cancelled = closing_.load();
      return total;
    }
    if (command && total.written < length) clock_.Pause(kCommandPassPauseMs);
  }
  return total;
}

void UsbTransport::Close() {
  Cancel();
  std::unique_lock lock(deviceMutex_);
  if (device_.IsOpen()) {
    device_.PurgeOutput();
    device_.PurgeInput();
    device_.Close();
  }
  finder_->Release();
}

std::string UsbTransport::LastErrorText() {
  std::shared_lock lock(deviceMutex_);
  return device_.LastErrorText();
}

}  // namespace portlink
