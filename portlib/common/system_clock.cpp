#include <chrono>
#include <thread>

#include "clock.h"
#include "stop_signal.h"

namespace portlink {

int64_t SystemClock::NowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool SystemClock::Pause(int ms, StopSignal* stop) {
  if (stop != nullptr) return stop->WaitFor(ms);
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  return true;
}

}  // namespace portlink
