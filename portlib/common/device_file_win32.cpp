#include <windows.h>

#include <algorithm>

#include "deadline.h"
#include "device_file.h"

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

}  // namespace

void DeviceFile::Fail() { lastError_ = static_cast<int>(GetLastError()); }

std::string DeviceFile::LastErrorText() const {
  char text[256] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                 static_cast<DWORD>(lastError_), 0, text, sizeof text, nullptr);
  std::string message(text, n);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message.empty() ? "error " + std::to_string(lastError_) : message;
}

bool DeviceFile::Open(const std::string& path, Mode mode) {
  Close();
  const DWORD flags = FILE_ATTRIBUTE_NORMAL | (mode == Mode::Waitable ? FILE_FLAG_OVERLAPPED : 0);
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0 /* no sharing */, nullptr,
                                    OPEN_EXISTING, flags, nullptr);
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
  if (GetFileType(AsHandle(handle_)) != FILE_TYPE_DISK) return true;
  lastError_ = ERROR_BAD_DEVICE;
  return false;
}

void DeviceFile::Close() {
  if (handle_ == kNoHandle) return;
  CloseHandle(AsHandle(handle_));
  handle_ = kNoHandle;
}

// One overlapped write of everything; its result is polled every `pollMs`
// until it completes, or the allowance runs out or Cancel() is called, when
// it is cancelled.
DeviceFile::Result DeviceFile::Write(const uint8_t* data, int length, int64_t allowanceMs, int pollMs) {
  const HANDLE handle = AsHandle(handle_);
  DWORD done = 0;
  if (mode_ == Mode::Blocking) {
    if (!WriteFile(handle, data, static_cast<DWORD>(length), &done, nullptr)) Fail();
    return {static_cast<int>(done), static_cast<int>(done) == length};
  }
  if (cancelled_.load()) {
    lastError_ = ERROR_OPERATION_ABORTED;
    return {0, false};
  }
  Overlapped overlapped;
  if (WriteFile(handle, data, static_cast<DWORD>(length), &done, &overlapped.record)) {
    return {static_cast<int>(done), static_cast<int>(done) == length};
  }
  if (GetLastError() != ERROR_IO_PENDING) {
    Fail();
    return {0, false};
  }
  const Deadline deadline(allowanceMs);
  while (!GetOverlappedResult(handle, &overlapped.record, &done, FALSE)) {
    if (GetLastError() != ERROR_IO_INCOMPLETE) {
      Fail();
      return {static_cast<int>(done), false};
    }
    if (deadline.Passed() || cancelled_.load()) {
      CancelIo(handle);
      lastError_ = cancelled_.load() ? ERROR_OPERATION_ABORTED : ERROR_TIMEOUT;
      done = 0;
      GetOverlappedResult(handle, &overlapped.record, &done, TRUE);  // what went before the cancel
      return {static_cast<int>(done), false};
    }
    Sleep(static_cast<DWORD>(std::min(pollMs, Deadline::kSliceMs)));
  }
  return {static_cast<int>(done), static_cast<int>(done) == length};
}

DeviceFile::Result DeviceFile::Read(uint8_t* buffer, int capacity, int timeoutMs) {
  const HANDLE handle = AsHandle(handle_);
  DWORD done = 0;
  if (mode_ == Mode::Blocking) {
    if (!ReadFile(handle, buffer, static_cast<DWORD>(capacity), &done, nullptr)) {
      Fail();
      return {static_cast<int>(done), false};
    }
    return {static_cast<int>(done), true};
  }
  if (cancelled_.load() || (timeoutMs == 0 && QueuedInput() == 0)) return {};
  Overlapped overlapped;
  if (ReadFile(handle, buffer, static_cast<DWORD>(capacity), &done, &overlapped.record)) {
    return {static_cast<int>(done), true};
  }
  if (GetLastError() != ERROR_IO_PENDING) {
    Fail();
    return {0, false};
  }
  // Input already queued arrives at once; the wait only bounds a device that stalls.
  const Deadline deadline(timeoutMs > 0 ? timeoutMs : kQueuedReadWaitMs);
  while (WaitForSingleObject(overlapped.record.hEvent, static_cast<DWORD>(deadline.SliceMs())) != WAIT_OBJECT_0) {
    if (deadline.Passed() || cancelled_.load()) {
      CancelIo(handle);
      break;
    }
  }
  if (!GetOverlappedResult(handle, &overlapped.record, &done, TRUE)) {
    const DWORD error = GetLastError();
    // A cancelled read, or a device read time-out (Wine reports ERROR_TIMEOUT
    // where Windows completes with nothing), is no failure: nothing came.
    if (error == ERROR_OPERATION_ABORTED || error == ERROR_TIMEOUT) return {static_cast<int>(done), true};
    Fail();
    return {static_cast<int>(done), false};
  }
  return {static_cast<int>(done), true};
}

int DeviceFile::QueuedInput() {
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(AsHandle(handle_), &errors, &status)) {
    Fail();
    return -1;
  }
  return static_cast<int>(status.cbInQue);
}

void DeviceFile::PurgeInput() { PurgeComm(AsHandle(handle_), PURGE_RXABORT | PURGE_RXCLEAR); }
void DeviceFile::PurgeOutput() { PurgeComm(AsHandle(handle_), PURGE_TXABORT | PURGE_TXCLEAR); }
void DeviceFile::SetQueueSizes(uint32_t inputBytes, uint32_t outputBytes) {
  SetupComm(AsHandle(handle_), inputBytes, outputBytes);
}

void DeviceFile::SetTimeouts(const DeviceTimeouts& t) {
  COMMTIMEOUTS timeouts{};
  GetCommTimeouts(AsHandle(handle_), &timeouts);
  timeouts.ReadIntervalTimeout = t.readIntervalMs;
  timeouts.ReadTotalTimeoutMultiplier = t.readTotalMultiplierMs;
  timeouts.ReadTotalTimeoutConstant = t.readTotalConstantMs;
  timeouts.WriteTotalTimeoutMultiplier = t.writeTotalMultiplierMs;
  timeouts.WriteTotalTimeoutConstant = t.writeTotalConstantMs;
  SetCommTimeouts(AsHandle(handle_), &timeouts);
}

}  // namespace portlink
