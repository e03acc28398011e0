// The device-file primitive against a pseudo-terminal whose other end the
// test holds as the device: writes, reads, the allowance, no sharing.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "device_file.h"
#include "device_line.h"

namespace portlink {
namespace {

using PseudoTerminal = testing::DeviceLine;

TEST(DeviceFile, WritesReadsAndRefusesASecondOpener) {
  PseudoTerminal printer;
  ASSERT_FALSE(printer.Path().empty());
  DeviceFile device;
  ASSERT_TRUE(device.Open(printer.Path(), DeviceFile::Mode::Waitable)) << device.LastErrorText();
  DeviceFile other;
  EXPECT_FALSE(other.Open(printer.Path(), DeviceFile::Mode::Waitable));
  EXPECT_EQ(other.LastError(), EWOULDBLOCK);

  const std::string job = "Total 12.50\n";
  const auto written = device.Write(reinterpret_cast<const uint8_t*>(job.data()), int(job.size()), 500);
  EXPECT_TRUE(written.ok);
  EXPECT_EQ(written.count, int(job.size()));
  EXPECT_EQ(printer.Receive(), job);

  uint8_t buffer[256] = {};
  auto read = device.Read(buffer, 256, 0);  // nothing queued: at once, nothing
  EXPECT_TRUE(read.ok);
  EXPECT_EQ(read.count, 0);
  printer.Send(std::string("\x14\x00\x00\x0f", 4));
  usleep(20000);
  EXPECT_EQ(device.QueuedInput(), 4);
  read = device.Read(buffer, 256, 0);
  EXPECT_EQ(read.count, 4);
  EXPECT_EQ(buffer[0], 0x14);
}

TEST(DeviceFile, AWriteTheDeviceDoesNotTakeIsGivenUpWithItsCount) {
  PseudoTerminal printer;  // never reads
  DeviceFile device;
  ASSERT_TRUE(device.Open(printer.Path(), DeviceFile::Mode::Waitable));
  const std::vector<uint8_t> job(1 << 20, 'x');
  const auto written = device.Write(job.data(), int(job.size()), 200);
  EXPECT_FALSE(written.ok);
  EXPECT_GT(written.count, 0);
  EXPECT_LT(written.count, int(job.size()));
  EXPECT_EQ(device.LastError(), ETIMEDOUT);
}

TEST(DeviceFile, FailuresKeepTheSystemsReason) {
  DeviceFile device;
  EXPECT_FALSE(device.Open("/dev/no-such-printer", DeviceFile::Mode::Waitable));
  EXPECT_EQ(device.LastError(), ENOENT);
  EXPECT_NE(device.LastErrorText().find("No such file"), std::string::npos);

  PseudoTerminal printer;
  ASSERT_TRUE(device.Open(printer.Path(), DeviceFile::Mode::Waitable));
  printer.HangUp();  // unplugged
  const uint8_t probe = 0;
  EXPECT_FALSE(device.Write(&probe, 1, 100).ok);
  EXPECT_NE(device.LastError(), 0);
}

}  // namespace
}  // namespace portlink
