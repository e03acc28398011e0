// A device whose system answers as the test scripts, for what no port under
// Wine produces: writes that complete with part of their bytes, after some
// polls, or never (until cancelled); error codes; reads that pend until
// cancelled; a queue that can't be told. Every byte a write completes is kept.
#pragma once

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <string>

#include "device_system_win32.h"

namespace portlink::testing {

class ScriptedDevice final : public DeviceSystem {
 public:
  static constexpr DWORD kAll = MAXDWORD;
  static constexpr int kNever = -1;
  struct WriteStep {
    DWORD takes = kAll;  // the bytes the write completes with (at most those asked)
    int polls = 0;       // polls that find it incomplete first; kNever: until cancelled
    DWORD error = 0;     // fails with this instead
  };

  // The answers to the next writes; after them every write gets `then`.
  void Script(std::deque<WriteStep> steps, WriteStep then) {
    std::lock_guard lock(mutex_);
    steps_ = std::move(steps);
    then_ = then;
  }
  // What the device says is queued (reads never take it).
  void QueueInput(const std::string& bytes) {
    std::lock_guard lock(mutex_);
    input_ += bytes;
  }
  std::string Received() {
    std::lock_guard lock(mutex_);
    return received_;
  }
  std::atomic<bool> queueUnknown{false};
  std::atomic<DWORD> readError{0};
  std::atomic<int> readsIssued{0};
  std::atomic<int> errorsCleared{0};  // ClearCommError calls that only clear, as after a failed read

  // Opened unshared: while one handle is open, another open is refused.
  HANDLE CreateFileA(const char*, DWORD) override {
    if (open_.exchange(true)) {
      SetLastError(ERROR_SHARING_VIOLATION);
      return INVALID_HANDLE_VALUE;
    }
    return reinterpret_cast<HANDLE>(0x51);
  }
  DWORD GetFileType(HANDLE) override { return FILE_TYPE_CHAR; }
  BOOL CloseHandle(HANDLE) override {
    open_.store(false);
    return TRUE;
  }
  BOOL PurgeComm(HANDLE, DWORD) override { return TRUE; }
  BOOL SetupComm(HANDLE, DWORD, DWORD) override { return TRUE; }
  BOOL SetCommTimeouts(HANDLE, COMMTIMEOUTS*) override { return TRUE; }
  BOOL GetCommTimeouts(HANDLE, COMMTIMEOUTS*) override { return TRUE; }

  BOOL WriteFile(HANDLE, const void* data, DWORD length, DWORD* done, OVERLAPPED* overlapped) override {
    std::lock_guard lock(mutex_);
    WriteStep step = then_;
    if (!steps_.empty()) {
      step = steps_.front();
      steps_.pop_front();
    }
    if (step.error != 0) return Fails(step.error);
    const std::string bytes(static_cast<const char*>(data), std::min(step.takes, length));
    if (step.polls == 0 || overlapped == nullptr) {
      received_ += bytes;
      *done = static_cast<DWORD>(bytes.size());
      return TRUE;
    }
    pending_[overlapped] = {bytes, step.polls, false, GetCurrentThreadId()};
    return Fails(ERROR_IO_PENDING);
  }

  // A read fails with `readError`, or pends until cancelled: the printer says nothing.
  BOOL ReadFile(HANDLE, void*, DWORD, DWORD*, OVERLAPPED* overlapped) override {
    std::lock_guard lock(mutex_);
    readsIssued.fetch_add(1);
    if (readError.load() != 0) return Fails(readError.load());
    pending_[overlapped] = {"", kNever, false, GetCurrentThreadId()};
    return Fails(ERROR_IO_PENDING);
  }

  BOOL GetOverlappedResult(HANDLE, OVERLAPPED* overlapped, DWORD* done, BOOL wait) override {
    std::lock_guard lock(mutex_);
    auto it = pending_.find(overlapped);
    *done = 0;
    if (it == pending_.end()) return TRUE;
    Pending& p = it->second;
    if (p.cancelled) {
      pending_.erase(it);
      return Fails(ERROR_OPERATION_ABORTED);
    }
    if (!wait && p.polls != 0) {
      if (p.polls > 0) --p.polls;
      return Fails(ERROR_IO_INCOMPLETE);
    }
    received_ += p.bytes;
    *done = static_cast<DWORD>(p.bytes.size());
    pending_.erase(it);
    return TRUE;
  }

  // As the system's: only what the calling thread started.
  BOOL CancelIo(HANDLE) override {
    std::lock_guard lock(mutex_);
    for (auto& [overlapped, p] : pending_) {
      if (p.thread != GetCurrentThreadId()) continue;
      p.cancelled = true;
      SetEvent(overlapped->hEvent);  // a read waits on it
    }
    return TRUE;
  }

  BOOL ClearCommError(HANDLE, DWORD* errors, COMSTAT* status) override {
    *errors = 0;
    if (status == nullptr) {
      errorsCleared.fetch_add(1);
      return TRUE;
    }
    if (queueUnknown.load()) return Fails(ERROR_INVALID_FUNCTION);
    std::lock_guard lock(mutex_);
    status->cbInQue = static_cast<DWORD>(input_.size());
    return TRUE;
  }

 private:
  struct Pending {
    std::string bytes;
    int polls = 0;
    bool cancelled = false;
    DWORD thread = 0;  // the one that started it
  };
  static BOOL Fails(DWORD error) {
    SetLastError(error);
    return FALSE;
  }

  std::atomic<bool> open_{false};
  std::mutex mutex_;
  std::deque<WriteStep> steps_;
  WriteStep then_;
  std::string input_;
  std::string received_;
  std::map<OVERLAPPED*, Pending> pending_;
};

}  // namespace portlink::testing
