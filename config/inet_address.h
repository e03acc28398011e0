// Dotted IPv4 text to four bytes, with the rules of the classic inet_addr:
// one to four parts separated by dots, each decimal, octal (leading 0) or
// hexadecimal (0x); the last part fills the remaining bytes; white space may
// end the text. Identical on every platform, whatever its own inet_addr does.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quarvel {

// The address, ipAddress[0] first; nullopt when the text is no address.
std::optional<std::array<uint8_t, 4>> ParseInetAddress(std::string_view text);

// As the configuration reader stores it: an invalid text gives 255.255.255.255.
std::array<uint8_t, 4> InetAddrOrNone(std::string_view text);

}  // namespace quarvel
