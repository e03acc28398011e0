#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "poll_posix.h"
#include "tcp_socket.h"

namespace portlink::net {

namespace {

bool SetNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL, 0);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

void SetOptions(int fd) {
  const timeval timeout{0, kSocketTimeoutMs * 1000};
  const int noBuffer = 0;
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &noBuffer, sizeof noBuffer);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

int Moved(ssize_t n) {
  if (n >= 0) return static_cast<int>(n);
  return errno == EAGAIN || errno == EWOULDBLOCK ? platform::kWouldBlock : -1;
}

}  // namespace

bool StartSockets() { return true; }

bool ParseIpv4(const char* text, uint32_t& networkOrderAddress) {
  networkOrderAddress = inet_addr(text);
  return networkOrderAddress != INADDR_NONE;
}

// A refused connect also shows as writable, so the socket's own error decides.
SocketHandle Connect(uint32_t networkOrderAddress, uint16_t port, int timeoutMs, const std::atomic<bool>* cancel,
                     int* failure) {
  int unused = 0;
  int& code = failure != nullptr ? *failure : unused;
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  code = errno;
  if (fd < 0) return kNoSocket;
  SetOptions(fd);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = networkOrderAddress;
  bool ok = SetNonBlocking(fd);
  if (ok && connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
    int error = 0;
    socklen_t size = sizeof error;
    code = errno;
    ok = errno == EINPROGRESS;
    const Deadline deadline(timeoutMs);
    bool ready = false;
    while (ok && !ready && !deadline.Passed() && (cancel == nullptr || !cancel->load())) {
      ready = posix::WaitFor(fd, POLLOUT, deadline.SliceMs());
    }
    if (ok) code = ready ? 0 : ETIMEDOUT;
    ok = ok && ready && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    if (ready && error != 0) code = error;
  }
  if (!ok) {
    close(fd);
    return kNoSocket;
  }
  return fd;
}

std::string ErrorText(int code) { return std::strerror(code); }

bool PeerClosed(SocketHandle socket) {
  pollfd entry{static_cast<int>(socket), POLLRDHUP, 0};
  return poll(&entry, 1, 0) == 1 && (entry.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

// The output queue holds what was not sent yet and what the peer has not
// acknowledged.
bool Acknowledged(SocketHandle socket) {
  int queued = 0;
  return ioctl(static_cast<int>(socket), SIOCOUTQ, &queued) == 0 && queued == 0;
}

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) close(static_cast<int>(socket));
}

namespace platform {

int TrySend(SocketHandle socket, const uint8_t* data, int length) {
  ssize_t n;
  do {
    n = send(static_cast<int>(socket), data, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT);
  } while (n < 0 && errno == EINTR);
  return Moved(n);
}

int TryReceive(SocketHandle socket, uint8_t* buffer, int capacity, bool peek) {
  ssize_t n;
  do {
    n = recv(static_cast<int>(socket), buffer, static_cast<size_t>(capacity), MSG_DONTWAIT | (peek ? MSG_PEEK : 0));
  } while (n < 0 && errno == EINTR);
  return Moved(n);
}

bool WaitWritable(SocketHandle socket, int timeoutMs) { return posix::WaitFor(static_cast<int>(socket), POLLOUT, timeoutMs); }
bool WaitReadable(SocketHandle socket, int timeoutMs) { return posix::WaitFor(static_cast<int>(socket), POLLIN, timeoutMs); }

}  // namespace platform

}  // namespace portlink::net
