#include <gtest/gtest.h>

#include "socket_port_name.h"

namespace portlink {
namespace {

TEST(SocketPortName, EveryPrefixIsRemovedAndThePortReadAsAtoi) {
  struct Case {
    const char* name;
    const char* settings;
    const char* address;
    int port;
  };
  const Case cases[] = {
      {"SOCKET:192.168.1.20", "9100", "192.168.1.20", 9100},
      {"SOCKET:SOCKET:10.0.0.5", "9100", "10.0.0.5", 9100},
      {"10.0.SOCKET:0.5", " 42abc", "10.0.0.5", 42},
      {"socket:10.0.0.5", "9100", "", 9100},
      {"10.0.0.5", "9100", "", 9100},
      {"SOCKET:10.0.0.5", "abc", "10.0.0.5", 0},
      {"SOCKET:10.0.0.5", "-7", "10.0.0.5", -7},
      {"SOCKET:10.0.0.5", "99999999999", "10.0.0.5", 2147483647},
      {"SOCKET:", "", "", 0},
  };
  for (const Case& c : cases) {
    const SocketAddress parsed = ParseSocketPortName(c.name, c.settings);
    EXPECT_EQ(parsed.address, c.address) << c.name;
    EXPECT_EQ(parsed.port, c.port) << c.name << " " << c.settings;
    EXPECT_TRUE(parsed.fits) << c.name;
  }
}

TEST(SocketPortName, AnAddressMustFitItsBuffer) {
  EXPECT_TRUE(ParseSocketPortName("SOCKET:" + std::string(127, '1'), "1").fits);
  EXPECT_FALSE(ParseSocketPortName("SOCKET:" + std::string(128, '1'), "1").fits);
}

}  // namespace
}  // namespace portlink
