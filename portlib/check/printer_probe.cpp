#include "printer_probe.h"

#include "deadline.h"
#include "printer_protocol.h"
#include "tcp_socket.h"

namespace portlink {

ProbeResult ProbeEscposPrinter(std::string_view address, uint16_t port, int timeoutMs) {
  ProbeResult result;
  uint32_t ip = 0;
  if (!net::StartSockets()) {
    result.reason = "no sockets to be had";
    return result;
  }
  if (!net::ParseIpv4(std::string(address).c_str(), ip)) {
    result.reason = "no IPv4 address";
    return result;
  }
  int failure = 0;
  const net::SocketHandle socket = net::Connect(ip, port, timeoutMs, nullptr, &failure);
  if (socket == net::kNoSocket) {
    result.reason = net::ErrorText(failure);
    return result;
  }
  result.listening = true;
  const int length = static_cast<int>(kOfflineStatusQuery.size());
  if (net::SendSome(socket, kOfflineStatusQuery.data(), length, timeoutMs) == length) {
    const Deadline deadline(timeoutMs);
    uint8_t byte = 0;
    while (!deadline.Passed()) {
      const int n = net::ReceiveOnce(socket, &byte, 1);  // waits up to 100 ms
      if (n == 0) break;                                  // the peer closed
      if (n == 1) {
        result.statusByte = byte;
        result.escpos = (byte & 0x93) == 0x12;
        break;
      }
    }
  }
  net::CloseSocket(socket);
  return result;
}

}  // namespace portlink
