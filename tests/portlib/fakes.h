// Test doubles for the port libraries' seams: a virtual clock and a scripted
// transport that records what the port writes.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <algorithm>
#include <functional>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "clock.h"
#include "stop_signal.h"
#include "transport.h"

namespace portlink::testing {

using Bytes = std::vector<uint8_t>;

// Virtual time: a pause advances the clock at once. A hook sees every pause
// (to inject events at given times). Pauses of `blockFromMs` or more wait for
// their stop signal instead, to prove that a stop cuts a pause short.
class FakeClock : public Clock {
 public:
  int64_t NowMs() override { return now_.load(); }
  bool Pause(int ms, StopSignal* stop = nullptr) override {
    if (stop != nullptr && stop->IsSet()) return false;
    if (blockFromMs > 0 && ms >= blockFromMs && stop != nullptr) {
      blockedPauses.fetch_add(1);
      while (stop->WaitFor(50)) {
      }
      return false;
    }
    now_.fetch_add(ms);
    pausedMs.fetch_add(ms);
    {
      std::lock_guard lock(hookMutex_);
      if (onPause) onPause(now_.load());
    }
    std::this_thread::yield();
    return stop == nullptr || !stop->IsSet();
  }
  void Advance(int64_t ms) { now_.fetch_add(ms); }
  void SetHook(std::function<void(int64_t)> hook) {
    std::lock_guard lock(hookMutex_);
    onPause = std::move(hook);
  }

  std::atomic<int64_t> pausedMs{0};
  std::atomic<int> blockedPauses{0};
  int blockFromMs = 0;

 private:
  std::atomic<int64_t> now_{0};
  std::mutex hookMutex_;
  std::function<void(int64_t)> onPause;
};

// A printer behind a transport: reads come from a script (then nothing),
// writes are recorded, and each operation's result can be set.
class ScriptedTransport : public Transport {
 public:
  bool Open(std::string_view name, std::string_view settings, OsClass os) override {
    openedOn = os;
    std::lock_guard lock(mutex_);
    openedWith.emplace_back(std::string(name) + "|" + std::string(settings));
    return openSucceeds;
  }
  ReadOutcome Read(uint8_t* buffer, int capacity) override {
    if (onRead) onRead();
    std::lock_guard lock(mutex_);
    ++reads;
    if (clock != nullptr && readTakesMs > 0) clock->Advance(readTakesMs);
    if (replies.empty()) {
      if (repeatLastReply && !lastReply.empty()) return {Copy(lastReply, buffer, capacity), false};
      return {};
    }
    std::optional<Bytes> next = std::move(replies.front());
    replies.pop_front();
    if (!next) {
      ended = true;  // the printer closed the connection: writes find it lost
      return {0, true};
    }
    lastReply = *next;
    return {Copy(lastReply, buffer, capacity), false};
  }
  WriteOutcome Write(const uint8_t* data, int length, WriteKind kind) override {
    if (throwOnWrite) throw std::bad_alloc();
    if (onWrite) onWrite(Bytes(data, data + length));
    std::lock_guard lock(mutex_);
    const int remaining = writesBeforeFailure.load();
    if (ended) return {0, true, true};
    if (remaining == 0 || !writesSucceed.load() || !open) {
      return {std::min(writtenOnFailure, length), true, failureIsLoss.load()};
    }
    if (remaining > 0) writesBeforeFailure.store(remaining - 1);
    written.emplace_back(data, data + length);
    kinds.push_back(kind);
    return {length, false};
  }
  void ApplyClaimTimeout(int32_t timeoutMs) override { appliedTimeout.store(timeoutMs); }
  void Close() override {
    std::lock_guard lock(mutex_);
    ++closes;
    open = false;
  }
  bool IsPrinterPresent() override { return present.load() == 1; }
  bool Reopen() override {
    reopenAttempts.fetch_add(1);
    if (onReopen) onReopen();
    const bool ok = reopenSucceeds.load() == 1;
    if (ok) {
      std::lock_guard lock(mutex_);
      open = true;
      ended = false;
    }
    return ok;
  }
  void Drop() override {
    drops.fetch_add(1);
    std::lock_guard lock(mutex_);
    open = false;
  }

  // Replies the printer gives to the next reads, in order.
  void Reply(Bytes bytes) {
    std::lock_guard lock(mutex_);
    replies.emplace_back(std::move(bytes));
  }
  // The printer closes the connection after the replies so far.
  void ReplyEndOfStream() {
    std::lock_guard lock(mutex_);
    replies.emplace_back(std::nullopt);
  }
  std::vector<Bytes> Written() {
    std::lock_guard lock(mutex_);
    return written;
  }
  // How many writes were exactly `command`.
  int CountWrites(const Bytes& command) {
    std::lock_guard lock(mutex_);
    int count = 0;
    for (const Bytes& w : written) count += w == command;
    return count;
  }
  bool DeviceOpen() {
    std::lock_guard lock(mutex_);
    return open;
  }

  // Settings of the fake printer.
  bool openSucceeds = true;
  std::atomic<bool> writesSucceed{true};
  std::atomic<int> writesBeforeFailure{-1};  // -1: never start failing
  std::atomic<int> present{1};
  std::atomic<int> reopenSucceeds{0};
  bool repeatLastReply = false;
  int readTakesMs = 0;
  FakeClock* clock = nullptr;
  std::function<void()> onReopen;  // runs inside each reopen attempt
  std::function<void(const Bytes&)> onWrite;  // sees each write first (to answer it)
  std::function<void()> onRead;               // runs inside each read
  int writtenOnFailure = 0;                   // what a failing write says it took
  std::atomic<bool> failureIsLoss{true};      // a failing write lost the connection (else it ran out of time)
  bool throwOnWrite = false;

  // What happened.
  std::vector<std::string> openedWith;
  std::vector<WriteKind> kinds;
  OsClass openedOn = OsClass::Nt5OrLater;
  int reads = 0;
  int closes = 0;
  bool open = true;    // the device: closed by Close and Drop, opened by Reopen
  bool ended = false;  // the printer closed the connection; a reopen makes a new one
  std::atomic<int32_t> appliedTimeout{-1};
  std::atomic<int> reopenAttempts{0};
  std::atomic<int> drops{0};

 private:
  static int Copy(const Bytes& bytes, uint8_t* buffer, int capacity) {
    const int n = static_cast<int>(bytes.size()) < capacity ? static_cast<int>(bytes.size()) : capacity;
    std::copy(bytes.begin(), bytes.begin() + n, buffer);
    return n;
  }

  std::mutex mutex_;
  std::deque<std::optional<Bytes>> replies;
  Bytes lastReply;
  std::vector<Bytes> written;
};

// Waits (in real time, bounded) until `condition` holds.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return condition();
}

}  // namespace portlink::testing
