// The few socket operations the TCP transport needs, one implementation per
// platform (tcp_socket_posix.cpp, tcp_socket_win32.cpp). Every socket gets the
// same options on both: a 100 ms receive and send time-out and no send buffer.
#pragma once

#include <cstdint>

namespace portlink::net {

using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;
inline constexpr int kSocketTimeoutMs = 100;

// Starts the socket library (Windows Sockets 2.2 on Windows); false when it
// can't be had.
bool StartSockets();

// A dotted IPv4 address as the platform's inet_addr reads it, in network byte
// order; false for a text that is no address.
bool ParseIpv4(const char* text, uint32_t& networkOrderAddress);

// Connects a new stream socket to the address within `timeoutMs`; the socket
// is blocking again afterwards. kNoSocket on any failure.
SocketHandle Connect(uint32_t networkOrderAddress, uint16_t port, int timeoutMs);

// One send: the bytes taken (possibly fewer than `length`), or -1 on an error
// or when nothing was taken within the send time-out. Never raises SIGPIPE.
int SendOnce(SocketHandle socket, const uint8_t* data, int length);

// One receive: the bytes read, 0 when the peer closed the connection, -1 on an
// error or when nothing came within the receive time-out.
int ReceiveOnce(SocketHandle socket, uint8_t* buffer, int capacity);

void CloseSocket(SocketHandle socket);

}  // namespace portlink::net
