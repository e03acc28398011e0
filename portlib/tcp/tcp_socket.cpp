#include "tcp_socket.h"

#include <chrono>

namespace portlink::net {

namespace {

// Retries `attempt` until it moves bytes, fails, or `wait` finds nothing
// ready within the socket time-out.
template <typename Attempt, typename Wait>
int WithinTimeout(Attempt attempt, Wait wait) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kSocketTimeoutMs);
  for (;;) {
    const int n = attempt();
    if (n != platform::kWouldBlock) return n;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || !wait(static_cast<int>(left))) return -1;
  }
}

}  // namespace

int SendOnce(SocketHandle socket, const uint8_t* data, int length) {
  return WithinTimeout([&] { return platform::TrySend(socket, data, length); },
                       [&](int ms) { return platform::WaitWritable(socket, ms); });
}

int ReceiveOnce(SocketHandle socket, uint8_t* buffer, int capacity) {
  return WithinTimeout([&] { return platform::TryReceive(socket, buffer, capacity, false); },
                       [&](int ms) { return platform::WaitReadable(socket, ms); });
}


}  // namespace portlink::net
