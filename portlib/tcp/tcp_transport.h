// PortLinkTcp's transport: one stream socket to the printer's address and
// port. Reopening connects again to the address of the last open.
#pragma once

#include <atomic>
#include <cstdint>
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
  // A connection the printer closed reads as lost, and stays lost for writes.
  ReadOutcome Read(uint8_t* buffer, int capacity) override;
  // Succeeds once the printer has acknowledged every byte. While the
  // connection lives, a printer that takes nothing is waited for, up to the
  // write's allowance (1 ms per byte + 500 ms, at least the claim's
  // time-out); then the write fails and the connection stays, with what the
  // printer took. A connection that ended fails it as lost.
  WriteOutcome Write(const uint8_t* data, int length, WriteKind kind) override;
  void Close() override;
  void Cancel() override { closing_.store(true); }
  void ApplyClaimTimeout(int32_t timeoutMs) override { claimTimeoutMs_.store(timeoutMs); }
  void Drop() override;
  bool Reopen() override;
  // Why the last connect failed (refused, timed out, no IPv4 address).
  std::string LastErrorText() override;

 private:
  bool ConnectLocked();

  // Reads and sends share the socket; replacing or closing it is exclusive,
  // so no call ever uses a socket number that was closed under it. No call
  // holds it across more than one short wait.
  std::shared_mutex socketMutex_;
  net::SocketHandle socket_ = net::kNoSocket;
  uint64_t connection_ = 0;              // counts the connections made; guarded by socketMutex_
  std::atomic<uint64_t> ended_{0};       // the connection a read found closed by the printer
  std::atomic<bool> closing_{false};     // set by a close until the next open
  std::atomic<int32_t> claimTimeoutMs_{0};
  std::atomic<int> connectFailure_{0};  // the system's code; -1: the address is no IPv4 address
  std::string address_;
  int port_ = 0;
};

}  // namespace portlink
