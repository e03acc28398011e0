// The few socket operations the TCP transport needs. The waits and time-outs
// are written once (tcp_socket.cpp) over a handful of calls that each
// platform supplies (tcp_socket_posix.cpp, tcp_socket_win32.cpp).
//
// Sockets stay non-blocking once connected. Every wait is bounded, and the
// long ones are taken in slices that a `cancel` flag (set by a close, from
// another thread) ends within a slice.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

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
// buffer. kNoSocket on any failure (its system code in `failure`: refused,
// timed out, unreachable), or once `cancel` is set.
SocketHandle Connect(uint32_t networkOrderAddress, uint16_t port, int timeoutMs,
                     const std::atomic<bool>* cancel = nullptr, int* failure = nullptr);

// The system's text for a code of `failure`.
std::string ErrorText(int code);

// One send: the bytes taken (possibly fewer than `length`), 0 when the
// socket took nothing within `waitMs`, or -1 on an error (the connection is
// gone). Never raises SIGPIPE.
int SendSome(SocketHandle socket, const uint8_t* data, int length, int waitMs);

// One receive: the bytes read, 0 when the peer closed the connection, -1 on an
// error, when nothing came within 100 ms, or once `cancel` is set.
int ReceiveOnce(SocketHandle socket, uint8_t* buffer, int capacity, const std::atomic<bool>* cancel = nullptr);

// True when the peer is known to have closed (or reset) the connection, or
// the connection failed. Linux knows it even while input is left unread;
// Windows only once the input has been read.
bool PeerClosed(SocketHandle socket);

// Whether every byte handed to the socket has been acknowledged by the peer.
// Linux asks for the socket's output queue; Windows, whose sockets here have
// no send buffer, asks whether the last send has completed.
bool Acknowledged(SocketHandle socket);

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
