// PortLinkTcp's transport: one stream socket to the printer's address and
// port, with one reconnection and resend when a send fails.
#pragma once

#include <mutex>
#include <shared_mutex>
#include <string>

#include "clock.h"
#include "tcp_socket.h"
#include "transport.h"

namespace portlink {

class TcpTransport final : public Transport {
 public:
  explicit TcpTransport(Clock& clock) : clock_(clock) {}
  ~TcpTransport() override;

  // Connects to the "SOCKET:" address and the port number of the two texts;
  // an open connection is kept, whatever the texts say now.
  int Open(std::string_view portName, std::string_view portSettings) override;
  int Read(uint8_t* buffer, int capacity) override;
  // 1 when every byte went out (after at most one reconnection), else 0.
  int WriteData(const uint8_t* data, int length) override;
  int WriteCommand(const uint8_t* data, int length) override { return WriteData(data, length); }
  void CloseDevice() override;
  OsClass GetOsClass() override;

 private:
  int ConnectLocked();
  int SendAll(const uint8_t* data, int length);

  Clock& clock_;
  // Reads and sends share the socket; replacing or closing it is exclusive,
  // so no call ever uses a socket number that was closed under it.
  std::shared_mutex socketMutex_;
  std::mutex writeMutex_;  // one write (with its reconnection) at a time
  net::SocketHandle socket_ = net::kNoSocket;
  std::string address_;
  int port_ = 0;
};

}  // namespace portlink
