#include <winsock2.h>
#include <ws2tcpip.h>

#include "deadline.h"
#include "system_error_win32.h"
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

bool SetNonBlocking(SOCKET s) {
  u_long nonBlocking = 1;
  return ioctlsocket(s, FIONBIO, &nonBlocking) == 0;
}

// Waits for `s` in the read or write set. Windows reports a refused connect
// and other errors in the exception set, which ends the wait too.
bool Wait(SOCKET s, bool forWriting, int timeoutMs, bool* failed = nullptr) {
  fd_set ready, errors;
  FD_ZERO(&ready);
  FD_ZERO(&errors);
  FD_SET(s, &ready);
  FD_SET(s, &errors);
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  const int n = select(0, forWriting ? nullptr : &ready, forWriting ? &ready : nullptr, &errors, &timeout);
  if (failed != nullptr) *failed = n == SOCKET_ERROR || FD_ISSET(s, &errors);
  return n > 0;
}

// Why a connect failed, as the socket reports it.
int SocketError(SOCKET s) {
  int error = 0;
  int size = sizeof error;
  getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
  return error != 0 ? error : WSAECONNREFUSED;
}

int Moved(int n) {
  if (n != SOCKET_ERROR) return n;
  return WSAGetLastError() == WSAEWOULDBLOCK ? platform::kWouldBlock : -1;
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

SocketHandle Connect(uint32_t networkOrderAddress, uint16_t port, int timeoutMs, const std::atomic<bool>* cancel,
                     int* failure) {
  int unused = 0;
  int& code = failure != nullptr ? *failure : unused;
  const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  code = WSAGetLastError();
  if (s == INVALID_SOCKET) return kNoSocket;
  SetOptions(s);
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(port);
  peer.sin_addr.s_addr = networkOrderAddress;
  bool ok = SetNonBlocking(s);
  if (ok && connect(s, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == SOCKET_ERROR) {
    code = WSAGetLastError();
    ok = code == WSAEWOULDBLOCK;
    const Deadline deadline(timeoutMs);
    bool ready = false, failed = false;
    while (ok && !ready && !failed && !deadline.Passed() && (cancel == nullptr || !cancel->load())) {
      ready = Wait(s, true, deadline.SliceMs(), &failed);
    }
    if (ok) code = failed ? SocketError(s) : (ready ? 0 : WSAETIMEDOUT);
    ok = ok && ready && !failed;
  }
  if (!ok) {
    closesocket(s);
    return kNoSocket;
  }
  return static_cast<SocketHandle>(s);
}

std::string ErrorText(int code) { return SystemErrorText(static_cast<DWORD>(code)); }

bool PeerClosed(SocketHandle socket) {
  char byte = 0;
  const int n = recv(static_cast<SOCKET>(socket), &byte, 1, MSG_PEEK);
  return n == 0 || (n == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK);
}

// Without a send buffer the system holds on to the last send until the peer
// has acknowledged it; only then does the socket show as writable again.
bool Acknowledged(SocketHandle socket) { return Wait(static_cast<SOCKET>(socket), true, 0); }

void CloseSocket(SocketHandle socket) {
  if (socket != kNoSocket) closesocket(static_cast<SOCKET>(socket));
}

namespace platform {

int TrySend(SocketHandle socket, const uint8_t* data, int length) {
  return Moved(send(static_cast<SOCKET>(socket), reinterpret_cast<const char*>(data), length, 0));
}

int TryReceive(SocketHandle socket, uint8_t* buffer, int capacity, bool peek) {
  return Moved(recv(static_cast<SOCKET>(socket), reinterpret_cast<char*>(buffer), capacity, peek ? MSG_PEEK : 0));
}

bool WaitWritable(SocketHandle socket, int timeoutMs) { return Wait(static_cast<SOCKET>(socket), true, timeoutMs); }
bool WaitReadable(SocketHandle socket, int timeoutMs) { return Wait(static_cast<SOCKET>(socket), false, timeoutMs); }

}  // namespace platform

}  // namespace portlink::net
