// Whether a lost device may be reopened: from an open until a close begins.
// A reopen and the start of a close exclude each other, so once a close has
// begun nothing reopens the device behind it.
#pragma once

#include <mutex>

#include "stop_signal.h"

namespace portlink {

class ReopenGate {
 public:
  void Allow() {
    std::lock_guard lock(mutex_);
    barred_.Clear();
  }
  // Bars reopening from now on; waits for a reopen in progress to end.
  void Bar() {
    std::lock_guard lock(mutex_);
    barred_.Set();
  }
  // Runs `reopen` unless barred; false when barred or when it failed.
  template <typename Reopen>
  bool Run(Reopen&& reopen) {
    std::lock_guard lock(mutex_);
    return !barred_.IsSet() && reopen();
  }
  // Set while barred: pauses on the way to a reopen or resend end with it.
  StopSignal& Barred() { return barred_; }

 private:
  std::mutex mutex_;
  StopSignal barred_;
};

}  // namespace portlink
