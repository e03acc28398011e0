// A flag that a thread sets to end another thread's loop, and that wakes the
// other thread's pauses at once, so that a close never waits out a pause.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace portlink {

class StopSignal {
 public:
  void Set();
  void Clear();
  bool IsSet() const { return flag_.load() != 0; }

  // Waits `ms` milliseconds or until Set(); true when the wait ran out.
  bool WaitFor(int ms);

 private:
  std::atomic<int32_t> flag_{0};
  std::mutex mutex_;
  std::condition_variable wake_;
};

}  // namespace portlink
