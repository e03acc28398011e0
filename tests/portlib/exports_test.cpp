// Loads each built port library as the JVM would, finds its eleven entry
// points by their JNI names and calls them with a fake JNIEnv. With no
// printer behind the port, each gives the results of a closed port.
#include <gtest/gtest.h>

#include <chrono>

#include "library_port.h"

namespace portlink {
namespace {

using testing::LibraryInfo;
using testing::LibraryPort;

class PortLibrary : public ::testing::TestWithParam<LibraryInfo> {};

INSTANTIATE_TEST_SUITE_P(All, PortLibrary,
                         ::testing::Values(testing::kUsbLibrary, testing::kTcpLibrary, testing::kLptLibrary),
                         [](const ::testing::TestParamInfo<LibraryInfo>& param) { return std::string(param.param.name); });

TEST_P(PortLibrary, ElevenEntryPointsAnswerAsAClosedPort) {
  LibraryPort port(GetParam());
  ASSERT_EQ(port.Error(), "");
  EXPECT_EQ(port.PrinterStatus(), 0);
  EXPECT_EQ(port.DrawerStatus(), 0);

  // Nothing listens on the discard port of the loopback address.
  port.OpenPort("SOCKET:127.0.0.1", "9");
  EXPECT_EQ(port.Jni().stringsHeld, 0);
  EXPECT_EQ(port.Claim(1000, true), 1);
  EXPECT_EQ(port.Claim(1000, false), 1);
  EXPECT_EQ(port.WriteData("\x1b@hi", 99), 0);
  EXPECT_EQ(port.Jni().arraysHeld, 0);

  jint count = -1;
  const auto buffer = port.ReadData(count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(buffer[0], 0);

  EXPECT_EQ(port.OpenDrawer(2, 200, 100), 1);  // not sent: refused
  EXPECT_EQ(port.OpenDrawer(3, 100, 100), 1);  // pin not supported
  EXPECT_EQ(port.WaitForUntilDrawerClose(), 0);
  port.Release();
  port.ClosePort();

  // USB's close step always runs and leaves the stop set: the wait ends at
  // once. The others were never opened: the repeated request fails after 10 s.
  const auto started = std::chrono::steady_clock::now();
  EXPECT_FALSE(port.WaitForCompletePrinting());
  if (GetParam().usb) {
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  }
  EXPECT_EQ(port.PrinterStatus(), 0);
  EXPECT_FALSE(port.Jni().boundsError);
}

}  // namespace
}  // namespace portlink
