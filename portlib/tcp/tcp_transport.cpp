#include "tcp_transport.h"

#include <algorithm>
#include <mutex>
#include <thread>

#include "deadline.h"
#include "socket_port_name.h"

namespace portlink {

namespace {
constexpr int kConnectTimeoutMs = 1000;
constexpr int kLongestAckPollMs = Deadline::kSliceMs;
}  // namespace

TcpTransport::~TcpTransport() { Close(); }

bool TcpTransport::Open(std::string_view portName, std::string_view portSettings, OsClass) {
  const SocketAddress target = ParseSocketPortName(portName, portSettings);
  if (!net::StartSockets()) return false;
  std::unique_lock lock(socketMutex_);
  closing_.store(false);
  if (socket_ != net::kNoSocket) return true;
  if (!target.fits) {
    connectFailure_.store(-1);
    return false;
  }
  address_ = target.address;
  port_ = target.port;
  return ConnectLocked();
}

std::string TcpTransport::LastErrorText() {
  const int failure = connectFailure_.load();
  if (failure == -1) return "the port name holds no IPv4 address";
  return failure == 0 ? std::string() : net::ErrorText(failure);
}

bool TcpTransport::Reopen() {
  if (!net::StartSockets()) return false;
  std::unique_lock lock(socketMutex_);
  if (closing_.load()) return false;
  return socket_ != net::kNoSocket || ConnectLocked();
}

// Connects to the stored address and port; the caller holds socketMutex_.
bool TcpTransport::ConnectLocked() {
  uint32_t address = 0;
  if (!net::ParseIpv4(address_.c_str(), address)) {  // no host names, no broadcast
    connectFailure_.store(-1);
    return false;
  }
  int failure = 0;
  socket_ = net::Connect(address, static_cast<uint16_t>(port_ & 0xFFFF), kConnectTimeoutMs, &closing_, &failure);
  connectFailure_.store(failure);
  if (socket_ == net::kNoSocket) return false;
  ++connection_;
  return true;
}

// Each pass holds the socket for one send or one short wait, so a close
// never waits for the printer. A write keeps to the connection it began on:
// one that a close and a new open made is not its own.
WriteOutcome TcpTransport::Write(const uint8_t* data, int length, WriteKind) {
  const Deadline deadline(std::max<int64_t>(WriteAllowanceMs(length), claimTimeoutMs_.load()));
  WriteOutcome out;
  uint64_t connection = 0;
  int ackPollMs = 1;
  for (;;) {
    {
      std::shared_lock lock(socketMutex_);
      if (closing_.load() || (connection != 0 && connection != connection_)) {
        return {out.written, true, false, true};
      }
      if (socket_ == net::kNoSocket) return {out.written, true, true};
      connection = connection_;
      if (ended_.load() == connection || (out.written == 0 && net::PeerClosed(socket_))) {
        return {out.written, true, true};
      }
      if (out.written < length) {
        const int n = net::SendSome(socket_, data + out.written, length - out.written, deadline.SliceMs());
        if (n < 0) return {out.written, true, true};  // an error: the connection is gone
        out.written += n;
        if (n > 0) continue;
      } else if (net::Acknowledged(socket_)) {
        return out;
      } else if (net::PeerClosed(socket_)) {
        return {out.written, true, true};  // what it had not acknowledged is lost with it
      }
    }
    if (deadline.Passed()) {
      out.failed = true;  // the printer took nothing more in time; it keeps what it took
      return out;
    }
    if (out.written == length) {
      // Acknowledgements come by themselves: look again soon, then less often.
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min<int64_t>(ackPollMs, deadline.LeftMs())));
      ackPollMs = std::min(ackPollMs * 2, kLongestAckPollMs);
    }
  }
}

ReadOutcome TcpTransport::Read(uint8_t* buffer, int capacity) {
  std::shared_lock lock(socketMutex_);
  if (socket_ == net::kNoSocket || capacity <= 0) return {};
  const int n = net::ReceiveOnce(socket_, buffer, capacity, &closing_);
  if (n == 0) {
    ended_.store(connection_);
    return {0, true};
  }
  return {n < 0 ? 0 : n, false};
}

void TcpTransport::Drop() {
  std::unique_lock lock(socketMutex_);
  net::CloseSocket(socket_);
  socket_ = net::kNoSocket;
}

void TcpTransport::Close() {
  Cancel();
  Drop();
}

}  // namespace portlink
