#include "tcp_transport.h"

#include <mutex>

#include "socket_port_name.h"

namespace portlink {

namespace {
constexpr int kConnectTimeoutMs = 1000;
}  // namespace

TcpTransport::~TcpTransport() { Close(); }

bool TcpTransport::Open(std::string_view portName, std::string_view portSettings, OsClass) {
  const SocketAddress target = ParseSocketPortName(portName, portSettings);
  if (!net::StartSockets()) return false;
  std::unique_lock lock(socketMutex_);
  if (socket_ != net::kNoSocket) return true;
  if (!target.fits) return false;
  address_ = target.address;
  port_ = target.port;
  return ConnectLocked();
}

bool TcpTransport::Reopen() {
  if (!net::StartSockets()) return false;
  std::unique_lock lock(socketMutex_);
  return socket_ != net::kNoSocket || ConnectLocked();
}

// Connects to the stored address and port; the caller holds socketMutex_.
bool TcpTransport::ConnectLocked() {
  uint32_t address = 0;
  if (!net::ParseIpv4(address_.c_str(), address)) return false;  // no host names, no broadcast
  socket_ = net::Connect(address, static_cast<uint16_t>(port_ & 0xFFFF), kConnectTimeoutMs);
  return socket_ != net::kNoSocket;
}

// The socket is held only for one send at a time, so a close never waits
// for a whole job.
WriteOutcome TcpTransport::Write(const uint8_t* data, int length, WriteKind) {
  int done = 0;
  for (;;) {
    std::shared_lock lock(socketMutex_);
    if (socket_ == net::kNoSocket) return {done, true};
    if (done == 0 && net::PeerClosed(socket_)) return {0, true};
    if (done == length) return {done, false};
    const int n = net::SendOnce(socket_, data + done, length - done);
    if (n <= 0) return {done, true};
    done += n;
  }
}

ReadOutcome TcpTransport::Read(uint8_t* buffer, int capacity) {
  std::shared_lock lock(socketMutex_);
  if (socket_ == net::kNoSocket || capacity <= 0) return {};
  const int n = net::ReceiveOnce(socket_, buffer, capacity);
  if (n == 0) return {0, true};
  return {n < 0 ? 0 : n, false};
}

void TcpTransport::Close() {
  std::unique_lock lock(socketMutex_);
  net::CloseSocket(socket_);
  socket_ = net::kNoSocket;
}

}  // namespace portlink
