#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "tcp_socket.h"

namespace portlink::net {

namespace {

bool SetBlocking(int fd, bool blocking) {
  const int flags = fcntl(fd, F_GETFL, 0);
  if (flags < 0) return false;
  return fcntl(fd, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK)) == 0;
}

void SetOptions(int fd) {
  const timeval timeout{0, kSocketTimeoutMs * 1000};
  const int noBuffer = 0;
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &noBuffer, sizeof noBuffer);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
}

// Waits until the non-blocking connect is writable. A refused connect also
// shows as writable here, so the socket's own error decides.
bool WaitConnected(int fd, int timeoutMs) {
  pollfd entry{fd, POLLOUT, 0};
  int ready;
  do {
    ready = poll(&entry, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready != 1 || !(entry.revents & (POLLOUT | POLLERR | POLLHUP))) return false;
  int error = 0;
  socklen_t size = sizeof error;
  return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

}  // namespace

bool StartSockets() { return true; }

bool ParseIpv4(const char* text, uint32_t& networkOrderAddress) {
  networkOrderAddress = inet_addr(text);
  return networkOrderAddress != INADDR_NONE;
}

SocketHandle Connect(uint32_t networkOrderAddress, uint16_t port, int timeoutMs) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocket;
  SetOptions(fd);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = networkOrderAddress;
  bool ok = SetBlocking(fd, false);
  if (ok && connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
    ok = errno == EINPROGRESS && WaitConnected(fd, timeoutMs);
  }
  ok = ok && SetBlocking(fd, true);
  if (!ok) {
    close(fd);
    return kNoSocket;
  }
  return fd;
}

int SendOnce(SocketHandle socket, const uint8_t* data, int length) {
  ssize_t n;
  do {
    n = send(static_cast<int>(socket), data, static_cast<size_t>(length), MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<int>(n);
}

int ReceiveOnce(SocketHandle socket, uint8_t* buffer, int capacity) {
  ssize_t n;
  do {
    n = recv(static_cast<int>(socket), buffer, static_cast<size_t>(capacity), 0);
  } while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<int>(n);
}

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) close(static_cast<int>(socket));
}

}  // namespace portlink::net
