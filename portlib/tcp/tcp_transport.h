// PortLinkTcp's transport: one stream socket to the printer's address and
// port. Reopening connects again to the address of the last open.
#pragma once

#include <shared_mutex>
#include <string>

#include "tcp_socket.h"
#include "transport.h"

namespace portlink {

class TcpTransport final : public Transport {
 public:
  ~TcpTransport() override;

  // Connects to the "SOCKET:" address and the port number of the two texts;
  // an open connection is kept, whatever the texts say now.
  bool Open(std::string_view portName, std::string_view portSettings, OsClass os) override;
  // A connection the printer closed reads as lost.
  ReadOutcome Read(uint8_t* buffer, int capacity) override;
  // Fails unless every byte went out; nothing goes out on a connection the
  // printer has closed.
  WriteOutcome Write(const uint8_t* data, int length, WriteKind kind) override;
  void Close() override;
  void Drop() override { Close(); }
  bool Reopen() override;

 private:
  bool ConnectLocked();

  // Reads and sends share the socket; replacing or closing it is exclusive,
  // so no call ever uses a socket number that was closed under it.
  std::shared_mutex socketMutex_;
  net::SocketHandle socket_ = net::kNoSocket;
  std::string address_;
  int port_ = 0;
};

}  // namespace portlink
