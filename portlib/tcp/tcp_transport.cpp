#include "tcp_transport.h"

#include "os_class.h"
#include "socket_port_name.h"

namespace portlink {

namespace {
constexpr int kConnectTimeoutMs = 1000;
constexpr int kResendPauseMs = 1000;
// Sends go out in pieces so that each has its own send time-out: a printer
// that takes nothing for 100 ms counts as lost, a slow but steady one does not.
constexpr int kSendPiece = 64 * 1024;
}  // namespace

TcpTransport::~TcpTransport() { CloseDevice(); }

OsClass TcpTransport::GetOsClass() { return portlink::GetOsClass(); }

int TcpTransport::Open(std::string_view portName, std::string_view portSettings) {
  const SocketAddress target = ParseSocketPortName(portName, portSettings);
  fields_->osClass.store(static_cast<int32_t>(GetOsClass()));
  if (!net::StartSockets()) return 0;
  std::unique_lock lock(socketMutex_);
  if (socket_ != net::kNoSocket) {
    fields_->isOpen.store(1);
    return 1;
  }
  if (!target.fits) return 0;
  address_ = target.address;
  port_ = target.port;
  return ConnectLocked();
}

// Connects to the stored address and port; the caller holds socketMutex_.
int TcpTransport::ConnectLocked() {
  uint32_t address = 0;
  if (!net::ParseIpv4(address_.c_str(), address)) return 0;  // no host names, no broadcast
  const net::SocketHandle connected =
      net::Connect(address, static_cast<uint16_t>(port_ & 0xFFFF), kConnectTimeoutMs);
  if (connected == net::kNoSocket) return 0;
  socket_ = connected;
  fields_->isOpen.store(1);
  return 1;
}

// The bytes that went out before an error; `length` when all did.
int TcpTransport::SendAll(const uint8_t* data, int length) {
  std::shared_lock lock(socketMutex_);
  if (socket_ == net::kNoSocket) return length == 0 ? 0 : -1;
  int done = 0;
  while (done < length) {
    const int piece = length - done < kSendPiece ? length - done : kSendPiece;
    const int n = net::SendOnce(socket_, data + done, piece);
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int TcpTransport::WriteData(const uint8_t* data, int length) {
  if (fields_->isOpen.load() == 0) return 0;
  std::lock_guard writing(writeMutex_);
  const int sent = SendAll(data, length);
  if (sent == length) return 1;

  // The connection is lost: connect once more and send what did not go out.
  fields_->printerStatus.store(kOffline);
  int reconnected;
  {
    std::unique_lock lock(socketMutex_);
    net::CloseSocket(socket_);
    socket_ = net::kNoSocket;
    fields_->osClass.store(static_cast<int32_t>(GetOsClass()));
    reconnected = net::StartSockets() ? ConnectLocked() : 0;
  }
  if (reconnected == 0) {
    fields_->statusRequest.store(1);
    return 0;
  }
  clock_.Pause(kResendPauseMs);
  fields_->printerStatus.store(kNormal);
  const int already = sent > 0 ? sent : 0;
  const int resent = SendAll(data + already, length - already);
  fields_->statusRequest.store(1);
  if (resent == length - already) return 1;
  fields_->printerStatus.store(kOffline);
  return 0;
}

int TcpTransport::Read(uint8_t* buffer, int capacity) {
  if (fields_->isOpen.load() == 0) return 0;
  std::shared_lock lock(socketMutex_);
  if (socket_ == net::kNoSocket) return 0;
  const int n = net::ReceiveOnce(socket_, buffer, capacity);
  return n < 0 ? 0 : n;
}

void TcpTransport::CloseDevice() {
  std::unique_lock lock(socketMutex_);
  net::CloseSocket(socket_);
  socket_ = net::kNoSocket;
}

}  // namespace portlink
