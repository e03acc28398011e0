// The device-file primitive against a pseudo-terminal whose other end the
// test holds as the device: writes, reads, the allowance, no sharing.
#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <future>
#include <string>
#include <thread>
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

// A thread that receives a signal every few milliseconds: its waits end in
// EINTR again and again, and must still end at their own time.
TEST(DeviceFile, WaitsKeepTheirDeadlineUnderASignalStorm) {
  struct sigaction action {};
  action.sa_handler = [](int) {};  // no SA_RESTART: every wait is interrupted
  sigaction(SIGUSR1, &action, nullptr);
  PseudoTerminal printer;  // never reads, never answers
  DeviceFile device;
  ASSERT_TRUE(device.Open(printer.Path(), DeviceFile::Mode::Waitable));
  std::promise<pthread_t> started;
  std::atomic<bool> done{false};
  std::thread waiter([&] {
    started.set_value(pthread_self());
    const std::vector<uint8_t> job(1 << 20, 'x');
    EXPECT_FALSE(device.Write(job.data(), int(job.size()), 300).ok);
    uint8_t buffer[256];
    EXPECT_EQ(device.Read(buffer, 256, 300).count, 0);
    done.store(true);
  });
  const pthread_t target = started.get_future().get();
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done.load() && std::chrono::steady_clock::now() < limit) {
    pthread_kill(target, SIGUSR1);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_TRUE(done.load()) << "a wait restarted its whole time-out after each signal";
  device.Cancel();  // ends a wait still running, so the thread can be joined
  waiter.join();
}

// Whoever edits the port name must not make the port print into a file.
TEST(DeviceFile, OnlyADeviceIsOpened) {
  const std::string folder = ::testing::TempDir() + "/device-file-" + std::to_string(getpid());
  mkdir(folder.c_str(), 0700);
  const std::string file = folder + "/receipt.txt", link = folder + "/lp0";
  std::ofstream(file) << "keep";
  ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
  for (const std::string& path : {file, link, folder}) {
    DeviceFile device;
    EXPECT_FALSE(device.Open(path, DeviceFile::Mode::Waitable)) << path;
    EXPECT_NE(device.LastErrorText(), "") << path;
  }
  std::string content;
  std::ifstream(file) >> content;
  EXPECT_EQ(content, "keep");
  PseudoTerminal printer;
  const std::string toDevice = folder + "/lp1";  // a link to a device, as udev makes them
  ASSERT_EQ(symlink(printer.Path().c_str(), toDevice.c_str()), 0);
  DeviceFile device;
  EXPECT_TRUE(device.Open(toDevice, DeviceFile::Mode::Waitable)) << device.LastErrorText();
  for (const std::string& path : {link, toDevice, file}) unlink(path.c_str());
  rmdir(folder.c_str());
}

}  // namespace
}  // namespace portlink
