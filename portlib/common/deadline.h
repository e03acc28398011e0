// The time limit of one operation on a device or socket. Waits toward it are
// taken in short slices, so that a close that cancels the operation is seen
// within a slice, and a wait cut short (a signal, a spurious wake-up) goes on
// with the time that is left, never with the whole limit again.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace portlink {

class Deadline {
 public:
  // The longest single wait: how late a cancelled operation notices.
  static constexpr int kSliceMs = 10;

  explicit Deadline(int64_t limitMs)
      : end_(std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max<int64_t>(limitMs, 0))) {}

  int64_t LeftMs() const {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end_ - std::chrono::steady_clock::now()).count();
    return left > 0 ? left : 0;
  }
  bool Passed() const { return std::chrono::steady_clock::now() >= end_; }
  // The next wait: the time left, at most a slice.
  int SliceMs() const { return static_cast<int>(std::min<int64_t>(LeftMs(), kSliceMs)); }

 private:
  std::chrono::steady_clock::time_point end_;
};

// A write's allowance: 1 ms for each byte of the whole write plus 500 ms,
// counted in 64 bits so that no length overflows it.
inline int64_t WriteAllowanceMs(int64_t length) { return std::max<int64_t>(length, 0) + 500; }

}  // namespace portlink
