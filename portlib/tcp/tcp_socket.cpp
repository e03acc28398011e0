#include "tcp_socket.h"

#include "deadline.h"

namespace portlink::net {

int SendSome(SocketHandle socket, const uint8_t* data, int length, int waitMs) {
  const Deadline deadline(waitMs);
  for (;;) {
    const int n = platform::TrySend(socket, data, length);
    if (n != platform::kWouldBlock) return n;
    if (deadline.Passed()) return 0;
    platform::WaitWritable(socket, static_cast<int>(deadline.LeftMs()));
  }
}

int ReceiveOnce(SocketHandle socket, uint8_t* buffer, int capacity, const std::atomic<bool>* cancel) {
  const Deadline deadline(kSocketTimeoutMs);
  for (;;) {
    const int n = platform::TryReceive(socket, buffer, capacity, false);
    if (n != platform::kWouldBlock) return n;
    if (deadline.Passed() || (cancel != nullptr && cancel->load())) return -1;
    platform::WaitReadable(socket, deadline.SliceMs());
  }
}

}  // namespace portlink::net
