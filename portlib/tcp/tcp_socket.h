// The few socket operations the TCP transport needs. The waits and time-outs
// are written once (tcp_socket.cpp) over a handful of calls that each
// platform supplies (tcp_socket_posix.cpp, tcp_socket_win32.cpp).
//
// Sockets stay non-blocking once connected: a send takes what the system
// accepts and waits at most 100 ms for room when it accepts nothing, so only
// a printer that takes nothing for 100 ms counts as lost, however slowly it
// reads; a receive waits at most 100 ms for something to arrive.
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

// Connects a new stream socket to the address within `timeoutMs`; the
// socket's options are a 100 ms receive and send time-out and no send
// buffer. kNoSocket on any failure.
SocketHandle Connect(uint32_t networkOrderAddress, uint16_t port, int timeoutMs);

// One send: the bytes taken (possibly fewer than `length`), or -1 on an error
// or when nothing was taken within 100 ms. Never raises SIGPIPE.
int SendOnce(SocketHandle socket, const uint8_t* data, int length);

// One receive: the bytes read, 0 when the peer closed the connection, -1 on an
// error or when nothing came within 100 ms.
int ReceiveOnce(SocketHandle socket, uint8_t* buffer, int capacity);

// True when the peer is known to have closed (or reset) the connection.
// Linux knows it even while input is left unread; Windows only once the
// input has been read.
bool PeerClosed(SocketHandle socket);

void CloseSocket(SocketHandle socket);

// What each platform supplies.
namespace platform {
inline constexpr int kWouldBlock = -2;
// One non-blocking attempt: bytes moved (0 at end of stream for a receive),
// kWouldBlock, or -1 on an error.
int TrySend(SocketHandle socket, const uint8_t* data, int length);
int TryReceive(SocketHandle socket, uint8_t* buffer, int capacity, bool peek);
// Waits up to `timeoutMs` until the socket can be written (or read); true
// when it can (or has an error to report).
bool WaitWritable(SocketHandle socket, int timeoutMs);
bool WaitReadable(SocketHandle socket, int timeoutMs);
}  // namespace platform

}  // namespace portlink::net
