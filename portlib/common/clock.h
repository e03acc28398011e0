// Time as the port libraries see it: a millisecond counter and pauses. Tests
// put a virtual clock in its place, so that the monitors' one-second pauses
// and ten-second repeats cost no real time.
#pragma once

#include <cstdint>

namespace portlink {

class StopSignal;

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds from an arbitrary start; never goes back.
  virtual int64_t NowMs() = 0;
  // Pauses `ms` milliseconds. With a `stop` signal the pause ends early when
  // it is set; returns false then, true when the full pause elapsed.
  virtual bool Pause(int ms, StopSignal* stop = nullptr) = 0;
};

// The machine's monotonic clock and real sleeps.
class SystemClock final : public Clock {
 public:
  int64_t NowMs() override;
  bool Pause(int ms, StopSignal* stop = nullptr) override;
};

}  // namespace portlink
