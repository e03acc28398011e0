#include <windows.h>

#include <algorithm>

#include "deadline.h"
#include "device_file.h"
#include "device_system_win32.h"
#include "system_error_win32.h"

namespace portlink {

namespace {

constexpr int kQueuedReadWaitMs = 100;

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// An overlapped record with its own manual-reset event, for one call.
struct Overlapped {
  Overlapped() { record.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr); }
  ~Overlapped() {
    if (record.hEvent != nullptr) CloseHandle(record.hEvent);
  }
  Overlapped(const Overlapped&) = delete;
  Overlapped& operator=(const Overlapped&) = delete;
  OVERLAPPED record{};
};

DeviceSystem& RealSystem() {
  static DeviceSystem real;  // stateless: only forwards to the system
  return real;
}

}  // namespace

HANDLE DeviceSystem::CreateFileA(const char* path, DWORD flags) {
  return ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, flags, nullptr);
}
DWORD DeviceSystem::GetFileType(HANDLE handle) { return ::GetFileType(handle); }
BOOL DeviceSystem::CloseHandle(HANDLE handle) { return ::CloseHandle(handle); }
BOOL DeviceSystem::WriteFile(HANDLE handle, const void* data, DWORD length, DWORD* done, OVERLAPPED* overlapped) {
  return ::WriteFile(handle, data, length, done, overlapped);
}
BOOL DeviceSystem::ReadFile(HANDLE handle, void* buffer, DWORD capacity, DWORD* done, OVERLAPPED* overlapped) {
  return ::ReadFile(handle, buffer, capacity, done, overlapped);
}
BOOL DeviceSystem::GetOverlappedResult(HANDLE handle, OVERLAPPED* overlapped, DWORD* done, BOOL wait) {
  return ::GetOverlappedResult(handle, overlapped, done, wait);
}
BOOL DeviceSystem::CancelIo(HANDLE handle) { return ::CancelIo(handle); }
BOOL DeviceSystem::ClearCommError(HANDLE handle, DWORD* errors, COMSTAT* status) {
  return ::ClearCommError(handle, errors, status);
}
BOOL DeviceSystem::PurgeComm(HANDLE handle, DWORD flags) { return ::PurgeComm(handle, flags); }
BOOL DeviceSystem::SetupComm(HANDLE handle, DWORD inputBytes, DWORD outputBytes) {
  return ::SetupComm(handle, inputBytes, outputBytes);
}
BOOL DeviceSystem::SetCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts) { return ::SetCommTimeouts(handle, timeouts); }
BOOL DeviceSystem::GetCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts) { return ::GetCommTimeouts(handle, timeouts); }

namespace {

// One overlapped write of `length` bytes, its result polled every `pollMs`
// until it completes; cancelled once the deadline passes or `cancelled` is
// set. Its error is the system's (ERROR_TIMEOUT, ERROR_OPERATION_ABORTED for
// our own cancel); `done` is what the device took either way.
DWORD WriteOnce(DeviceSystem& system, HANDLE handle, const uint8_t* data, int length, const Deadline& deadline,
                int pollMs, const std::atomic<bool>& cancelled, DWORD& done) {
  Overlapped overlapped;
  done = 0;
  if (system.WriteFile(handle, data, static_cast<DWORD>(length), &done, &overlapped.record)) return ERROR_SUCCESS;
  if (GetLastError() != ERROR_IO_PENDING) return GetLastError();
  while (!system.GetOverlappedResult(handle, &overlapped.record, &done, FALSE)) {
    if (GetLastError() != ERROR_IO_INCOMPLETE) return GetLastError();
    if (deadline.Passed() || cancelled.load()) {
      system.CancelIo(handle);
      done = 0;
      system.GetOverlappedResult(handle, &overlapped.record, &done, TRUE);  // what went before the cancel
      return cancelled.load() ? ERROR_OPERATION_ABORTED : ERROR_TIMEOUT;
    }
    Sleep(static_cast<DWORD>(std::clamp(pollMs, 1, Deadline::kSliceMs)));
  }
  return ERROR_SUCCESS;
}

}  // namespace

void DeviceFile::Fail() { lastError_ = static_cast<int>(GetLastError()); }

std::string DeviceFile::LastErrorText() const { return SystemErrorText(static_cast<DWORD>(lastError_)); }

bool DeviceFile::Open(const std::string& path, Mode mode) {
  Close();
  DeviceSystem& system = System();
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | (mode == Mode::Waitable ? FILE_FLAG_OVERLAPPED : 0);
  const HANDLE handle = system.CreateFileA(path.c_str(), flags);
  if (handle == INVALID_HANDLE_VALUE) {
    Fail();
    return false;
  }
  handle_ = reinterpret_cast<intptr_t>(handle);
  mode_ = mode;
  cancelled_.store(false);
  // Only a device: whoever edits the port name must not make us print into a file.
  if (!IsDevice()) {
    Close();
    return false;
  }
  return true;
}

bool DeviceFile::IsDevice() {
  DeviceSystem& system = System();
  if (system.GetFileType(AsHandle(handle_)) != FILE_TYPE_DISK) return true;
  lastError_ = ERROR_BAD_DEVICE;
  return false;
}

void DeviceFile::Close() {
  if (handle_ == kNoHandle) return;
  DeviceSystem& system = System();
  system.CloseHandle(AsHandle(handle_));
  handle_ = kNoHandle;
}

// Overlapped writes of what is left until all is written: a device may
// complete a write with part of the bytes (its total write time-out ran out,
// a driver's own limit), which is progress, not a failure.
DeviceFile::Result DeviceFile::Write(const uint8_t* data, int length, int64_t allowanceMs, int pollMs) {
  DeviceSystem& system = System();
  const HANDLE handle = AsHandle(handle_);
  if (mode_ == Mode::Blocking) {
    DWORD done = 0;
    if (!system.WriteFile(handle, data, static_cast<DWORD>(length), &done, nullptr)) Fail();
    return {static_cast<int>(done), static_cast<int>(done) == length};
  }
  const Deadline deadline(allowanceMs);
  Result result;
  while (result.count < length) {
    if (cancelled_.load()) {
      lastError_ = ERROR_OPERATION_ABORTED;
      result.ok = false;
      return result;
    }
    DWORD done = 0;
    const DWORD error =
        WriteOnce(system, handle, data + result.count, length - result.count, deadline, pollMs, cancelled_, done);
    result.count += static_cast<int>(std::min<DWORD>(done, static_cast<DWORD>(length - result.count)));
    if (error != ERROR_SUCCESS) {
      lastError_ = static_cast<int>(error);
      result.ok = false;
      return result;
    }
    if (done > 0 || result.count == length) continue;
    // Completed with nothing taken: the device's own time-out; try again within the allowance.
    if (deadline.Passed()) {
      lastError_ = ERROR_TIMEOUT;
      result.ok = false;
      return result;
    }
    Sleep(static_cast<DWORD>(std::clamp(pollMs, 1, Deadline::kSliceMs)));
  }
  return result;
}

DeviceFile::Result DeviceFile::Read(uint8_t* buffer, int capacity, int timeoutMs, IfQueueUnknown ifUnknown) {
  DeviceSystem& system = System();
  const HANDLE handle = AsHandle(handle_);
  DWORD done = 0;
  DWORD errors = 0;
  if (mode_ == Mode::Blocking) {
    if (!system.ReadFile(handle, buffer, static_cast<DWORD>(capacity), &done, nullptr)) {
      Fail();
      system.ClearCommError(handle, &errors, nullptr);
      return {static_cast<int>(done), false};
    }
    return {static_cast<int>(done), true};
  }
  if (cancelled_.load()) return {};
  if (timeoutMs == 0) {
    const int queued = QueuedInput();
    if (queued == 0 || (queued < 0 && ifUnknown == IfQueueUnknown::ReadNothing)) return {};
  }
  Overlapped overlapped;
  if (system.ReadFile(handle, buffer, static_cast<DWORD>(capacity), &done, &overlapped.record)) {
    return {static_cast<int>(done), true};
  }
  if (GetLastError() != ERROR_IO_PENDING) {
    Fail();
    system.ClearCommError(handle, &errors, nullptr);
    return {0, false};
  }
  // Input already queued arrives at once; the wait only bounds a device that stalls.
  const Deadline deadline(timeoutMs > 0 ? timeoutMs : kQueuedReadWaitMs);
  while (WaitForSingleObject(overlapped.record.hEvent, static_cast<DWORD>(deadline.SliceMs())) != WAIT_OBJECT_0) {
    if (deadline.Passed() || cancelled_.load()) {
      system.CancelIo(handle);
      break;
    }
  }
  if (!system.GetOverlappedResult(handle, &overlapped.record, &done, TRUE)) {
    const DWORD error = GetLastError();
    // A cancelled read, or a device read time-out (Wine reports ERROR_TIMEOUT
    // where Windows completes with nothing), is no failure: nothing came.
    if (error == ERROR_OPERATION_ABORTED || error == ERROR_TIMEOUT) return {static_cast<int>(done), true};
    Fail();
    system.ClearCommError(handle, &errors, nullptr);
    return {static_cast<int>(done), false};
  }
  return {static_cast<int>(done), true};
}

int DeviceFile::QueuedInput() {
  DeviceSystem& system = System();
  DWORD errors = 0;
  COMSTAT status{};
  if (!system.ClearCommError(AsHandle(handle_), &errors, &status)) {
    Fail();
    return -1;
  }
  return static_cast<int>(status.cbInQue);
}

void DeviceFile::PurgeInput() { System().PurgeComm(AsHandle(handle_), PURGE_RXABORT | PURGE_RXCLEAR); }
void DeviceFile::PurgeOutput() { System().PurgeComm(AsHandle(handle_), PURGE_TXABORT | PURGE_TXCLEAR); }
void DeviceFile::SetQueueSizes(uint32_t inputBytes, uint32_t outputBytes) {
  System().SetupComm(AsHandle(handle_), inputBytes, outputBytes);
}

void DeviceFile::SetTimeouts(const DeviceTimeouts& t) {
  COMMTIMEOUTS timeouts{};
  System().GetCommTimeouts(AsHandle(handle_), &timeouts);
  timeouts.ReadIntervalTimeout = t.readIntervalMs;
  timeouts.ReadTotalTimeoutMultiplier = t.readTotalMultiplierMs;
  timeouts.ReadTotalTimeoutConstant = t.readTotalConstantMs;
  timeouts.WriteTotalTimeoutMultiplier = t.writeTotalMultiplierMs;
  timeouts.WriteTotalTimeoutConstant = t.writeTotalConstantMs;
  System().SetCommTimeouts(AsHandle(handle_), &timeouts);
}

DeviceSystem& DeviceFile::System() const { return system_ != nullptr ? *system_ : RealSystem(); }

}  // namespace portlink
