// One device opened as a file: a parallel port, a USB printer's device node,
// a serial adapter. Writes with a time allowance, reads with a time-out or
// only of what is queued, purges, and the system's reason for the last
// failure. One implementation per platform (device_file_posix.cpp: a
// non-blocking descriptor and poll; device_file_win32.cpp: overlapped I/O,
// polling, CancelIo).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace portlink {

class DeviceSystem;  // the system calls behind the Windows primitive (device_system_win32.h)

// The communication time-outs of a port device, in milliseconds. Windows
// applies them to the device; elsewhere the explicit time-outs of Read and
// Write serve instead.
struct DeviceTimeouts {
  uint32_t readIntervalMs = 0;
  uint32_t readTotalMultiplierMs = 0;
  uint32_t readTotalConstantMs = 0;
  uint32_t writeTotalMultiplierMs = 0;
  uint32_t writeTotalConstantMs = 0;
};

class DeviceFile {
 public:
  enum class Mode {
    Waitable,  // overlapped (Windows) or non-blocking (POSIX): every wait has a limit
    Blocking,  // each call blocks as the device's own time-outs allow
  };
  struct Result {
    int count = 0;   // bytes moved
    bool ok = true;  // false: an error, or the time ran out before all was moved
  };
  // What a read of only queued input does on a device that can't tell what is queued.
  enum class IfQueueUnknown { ReadAnyway, ReadNothing };

  // `system`: the calls the Windows primitive makes (a test scripts them);
  // none, the system's own. Elsewhere unused.
  explicit DeviceFile(DeviceSystem* system = nullptr) : system_(system) {}
  ~DeviceFile() { Close(); }
  DeviceFile(const DeviceFile&) = delete;
  DeviceFile& operator=(const DeviceFile&) = delete;

  // Opens `path` for reading and writing, shared with no other program. Only
  // a device is opened: a regular file or a folder is refused.
  bool Open(const std::string& path, Mode mode);
  bool IsOpen() const { return handle_ != kNoHandle; }
  void Close();

  // Writes all `length` bytes, polling every `pollMs` where the platform
  // must poll; a write the device completes with part of the bytes goes on
  // with the rest. Gives up once `allowanceMs` have passed since the call
  // began, with what is pending cancelled. A Blocking device writes once.
  Result Write(const uint8_t* data, int length, int64_t allowanceMs, int pollMs = 10);
  // Reads up to `capacity` bytes, waiting at most `timeoutMs` for the first
  // (0: only what is queued now; where the queue can't be told, `ifUnknown`
  // decides whether the read is issued and waits a moment). A Blocking device
  // reads once, as its own time-outs allow (POSIX still waits at most
  // `timeoutMs` for the first). A read that ends with nothing and `ok` came
  // to its time-out (or found nothing queued): the device said nothing.
  Result Read(uint8_t* buffer, int capacity, int timeoutMs, IfQueueUnknown ifUnknown = IfQueueUnknown::ReadAnyway);
  // Bytes queued for input; -1 when the device can't tell.
  int QueuedInput();
  void PurgeInput();
  void PurgeOutput();
  // Queue sizes and communication time-outs; where a device has none, nothing.
  void SetQueueSizes(uint32_t inputBytes, uint32_t outputBytes);
  void SetTimeouts(const DeviceTimeouts& timeouts);

  // Ends the waits of reads and writes in progress on other threads within a
  // moment, and fails those that follow, until the next Open. Needs no lock:
  // a close calls it before it waits for their turn.
  void Cancel() { cancelled_.store(true); }
  bool Cancelled() const { return cancelled_.load(); }

  // The system's code (errno, GetLastError) and text for the last failure.
  int LastError() const { return lastError_; }
  std::string LastErrorText() const;

 private:
  static constexpr intptr_t kNoHandle = -1;
  void Fail();  // records the system's current error

  bool IsDevice();  // the open handle is a device, not a file on a disk
  DeviceSystem& System() const;  // Windows: the calls to make

  [[maybe_unused]] DeviceSystem* system_ = nullptr;  // POSIX makes its calls directly
  intptr_t handle_ = kNoHandle;
  std::atomic<bool> cancelled_{false};
  Mode mode_ = Mode::Waitable;
  int lastError_ = 0;
};

}  // namespace portlink
