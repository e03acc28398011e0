#include <winsock2.h>
#include <ws2tcpip.h>

#include "tcp_socket.h"

namespace portlink::net {

namespace {

void SetOptions(SOCKET s) {
  const DWORD timeout = kSocketTimeoutMs;
  const int noBuffer = 0;
  setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
  setsockopt(s, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&noBuffer), sizeof noBuffer);
  setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
}

bool SetBlocking(SOCKET s, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  return ioctlsocket(s, FIONBIO, &nonBlocking) == 0;
}

// Waits until the non-blocking connect completes. Windows reports a refused
// connect in the exception set, which ends the wait early.
bool WaitConnected(SOCKET s, int timeoutMs) {
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(s, &writable);
  FD_SET(s, &failed);
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  if (select(0, nullptr, &writable, &failed, &timeout) == SOCKET_ERROR) return false;
  return FD_ISSET(s, &writable) && !FD_ISSET(s, &failed);
}

}  // namespace

bool StartSockets() {
  WSADATA data{};
  return WSAStartup(MAKEWORD(2, 2), &data) == 0 && data.wVersion == MAKEWORD(2, 2);
}

bool ParseIpv4(const char* text, uint32_t& networkOrderAddress) {
  networkOrderAddress = inet_addr(text);
  return networkOrderAddress != INADDR_NONE;
}

SocketHandle Connect(uint32_t networkOrderAddress, uint16_t port, int timeoutMs) {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  if (s == INVALID_SOCKET) return kNoSocket;
  SetOptions(s);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = networkOrderAddress;
  bool ok = SetBlocking(s, false);
  if (ok && connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == SOCKET_ERROR) {
    ok = WSAGetLastError() == WSAEWOULDBLOCK && WaitConnected(s, timeoutMs);
  }
  ok = ok && SetBlocking(s, true);
  if (!ok) {
    closesocket(s);
    return kNoSocket;
  }
  return static_cast<SocketHandle>(s);
}

int SendOnce(SocketHandle socket, const uint8_t* data, int length) {
  const int n = send(static_cast<SOCKET>(socket), reinterpret_cast<const char*>(data), length, 0);
  return n == SOCKET_ERROR ? -1 : n;
}

int ReceiveOnce(SocketHandle socket, uint8_t* buffer, int capacity) {
  const int n = recv(static_cast<SOCKET>(socket), reinterpret_cast<char*>(buffer), capacity, 0);
  return n == SOCKET_ERROR ? -1 : n;
}

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) closesocket(static_cast<SOCKET>(socket));
}

}  // namespace portlink::net
