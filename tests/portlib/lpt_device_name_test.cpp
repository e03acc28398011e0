#include <gtest/gtest.h>

#include "lpt_device_name.h"

namespace portlink {
namespace {

TEST(ParallelDevicePath, LinuxNamesAndPaths) {
  EXPECT_EQ(ParallelDevicePath("LPT1"), "/dev/lp0");
  EXPECT_EQ(ParallelDevicePath("lpt2"), "/dev/lp1");
  EXPECT_EQ(ParallelDevicePath("Lpt3"), "/dev/lp2");
  EXPECT_EQ(ParallelDevicePath("/dev/usb/lp0"), "/dev/usb/lp0");
  for (const char* refused : {"LPT0", "LPT4", "LPT10", "COM1", "USB", "", "dev/lp0", "LPT1:"}) {
    EXPECT_EQ(ParallelDevicePath(refused), std::nullopt) << refused;
  }
}

}  // namespace
}  // namespace portlink
