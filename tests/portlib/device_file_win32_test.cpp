// The device-file primitive against a named pipe whose server end the test
// holds as the device: overlapped and blocking writes, reads, and a write
// the device does not take cancelled after its allowance.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "device_file.h"
#include "device_line.h"

namespace portlink {
namespace {

using PipeDevice = testing::DeviceLine;

TEST(DeviceFile, OverlappedWritesAndReads) {
  PipeDevice printer;
  DeviceFile device;
  ASSERT_TRUE(device.Open(printer.Path(), DeviceFile::Mode::Waitable)) << device.LastErrorText();
  const std::string job = "Total 12.50\n";
  const auto written = device.Write(reinterpret_cast<const uint8_t*>(job.data()), int(job.size()), 500);
  EXPECT_TRUE(written.ok);
  EXPECT_EQ(written.count, int(job.size()));
  EXPECT_EQ(printer.Receive(), job);

  printer.Send(std::string("\x14\x00\x00\x0f", 4));
  uint8_t buffer[256] = {};
  const auto read = device.Read(buffer, 256, 200);
  EXPECT_TRUE(read.ok);
  EXPECT_EQ(read.count, 4);
  EXPECT_EQ(buffer[0], 0x14);
  EXPECT_EQ(device.Read(buffer, 256, 50).count, 0);  // nothing more: the wait ends
}

TEST(DeviceFile, AWriteTheDeviceDoesNotTakeIsCancelledAfterItsAllowance) {
  PipeDevice printer;  // never reads
  DeviceFile device;
  ASSERT_TRUE(device.Open(printer.Path(), DeviceFile::Mode::Waitable));
  const std::vector<uint8_t> job(1 << 20, 'x');
  const ULONGLONG started = GetTickCount64();
  const auto written = device.Write(job.data(), int(job.size()), 200);
  EXPECT_FALSE(written.ok);
  EXPECT_LT(written.count, int(job.size()));
  EXPECT_EQ(device.LastError(), ERROR_TIMEOUT);
  EXPECT_GE(GetTickCount64() - started, 200u);
}

TEST(DeviceFile, BlockingWriteAndTheSystemsReason) {
  PipeDevice printer;
  DeviceFile device;
  ASSERT_TRUE(device.Open(printer.Path(), DeviceFile::Mode::Blocking));
  const uint8_t probe[3] = {0x10, 0x04, 0x02};
  EXPECT_EQ(device.Write(probe, 3, 0).count, 3);
  EXPECT_EQ(printer.Receive(), std::string("\x10\x04\x02"));

  DeviceFile missing;
  EXPECT_FALSE(missing.Open("C:\\no-such-folder\\printer", DeviceFile::Mode::Waitable));
  EXPECT_EQ(missing.LastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(missing.LastErrorText().empty());

  // A file on a disk is no printer: whoever edits the port name must not make the port print into it.
  char folder[MAX_PATH] = {}, file[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, folder);
  GetTempFileNameA(folder, "lpt", 0, file);
  DeviceFile plainFile;
  EXPECT_FALSE(plainFile.Open(file, DeviceFile::Mode::Waitable));
  EXPECT_EQ(plainFile.LastError(), ERROR_BAD_DEVICE);
  DeleteFileA(file);
}

// A close cancels a write pending on another thread at once, whatever its allowance.
TEST(DeviceFile, CancelEndsAPendingWrite) {
  PipeDevice printer;  // never reads
  DeviceFile device;
  ASSERT_TRUE(device.Open(printer.Path(), DeviceFile::Mode::Waitable));
  const std::vector<uint8_t> job(1 << 20, 'x');
  DeviceFile::Result written;
  std::thread writer([&] { written = device.Write(job.data(), int(job.size()), 600000); });
  Sleep(200);
  const ULONGLONG started = GetTickCount64();
  device.Cancel();
  writer.join();
  EXPECT_LT(GetTickCount64() - started, 1000u);
  EXPECT_FALSE(written.ok);
  EXPECT_EQ(device.LastError(), ERROR_OPERATION_ABORTED);
}

}  // namespace
}  // namespace portlink
