#include "stop_signal.h"

#include <chrono>

namespace portlink {

void StopSignal::Set() {
  {
    std::lock_guard lock(mutex_);
    flag_.store(1);
  }
  wake_.notify_all();
}

void StopSignal::Clear() {
  std::lock_guard lock(mutex_);
  flag_.store(0);
}

bool StopSignal::WaitFor(int ms) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return flag_.load() != 0; });
}

}  // namespace portlink
