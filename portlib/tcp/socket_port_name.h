// The printer's address and TCP port from the two texts of _openPort.
#pragma once

#include <string>
#include <string_view>

namespace portlink {

struct SocketAddress {
  std::string address;  // dotted IPv4 text; empty when the name held no "SOCKET:"
  int port = 0;
  bool fits = true;     // false when the address would not fit its 128-byte buffer
};

// Every "SOCKET:" (case-sensitive, anywhere) is removed from `portName` and the
// rest is the address; `portSettings` is read as atoi reads it.
SocketAddress ParseSocketPortName(std::string_view portName, std::string_view portSettings);

}  // namespace portlink
