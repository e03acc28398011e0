#include "socket_port_name.h"

#include <cstdint>
#include <limits>

namespace portlink {

namespace {

constexpr std::string_view kSocketPrefix = "SOCKET:";
constexpr size_t kAddressBufferSize = 128;

// atoi's reading, saturating instead of overflowing.
int DecimalOf(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > std::numeric_limits<int>::max()) value = int64_t{std::numeric_limits<int>::max()} + 1;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(value);
}

}  // namespace

SocketAddress ParseSocketPortName(std::string_view portName, std::string_view portSettings) {
  SocketAddress result;
  result.port = DecimalOf(portSettings);
  if (portName.find(kSocketPrefix) == std::string_view::npos) return result;
  for (size_t at = 0; at < portName.size();) {
    if (portName.substr(at, kSocketPrefix.size()) == kSocketPrefix) {
      at += kSocketPrefix.size();
    } else {
      result.address += portName[at++];
    }
  }
  result.fits = result.address.size() < kAddressBufferSize;
  return result;
}

}  // namespace portlink
