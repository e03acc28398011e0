// The Windows primitive and the USB and parallel ports over a device whose
// system answers as scripted: writes completed with part of their bytes go on
// with the rest, reads that wait out their time-out leave an idle printer
// Normal, a queue that can't be told, failed reads clear the device's errors,
// a second USB open keeps the printer.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "clock.h"
#include "device_file.h"
#include "fake_usb_finder.h"
#include "fakes.h"
#include "lpt_policy.h"
#include "lpt_transport.h"
#include "port.h"
#include "scripted_device_win32.h"
#include "usb_policy.h"
#include "usb_transport.h"

namespace portlink {
namespace {

using testing::FakeFinder;
using testing::ScriptedDevice;
using Step = ScriptedDevice::WriteStep;
using Clock = std::chrono::steady_clock;

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string Job(size_t length) {
  std::string job;
  for (int i = 0; job.size() < length; ++i) job += "line " + std::to_string(i) + "\n";
  job.resize(length);
  return job;
}

TEST(ScriptedDevice, WritesCompletedShortGoOnWithTheRest) {
  struct Case {
    const char* what;
    std::deque<Step> steps;
    Step then;
    int written;
    DWORD error;  // 0: all written
  };
  const std::vector<Case> cases = {
      {"parts after polls, one of nothing", {{30, 2}, {0}, {20, 1}}, {}, 100, 0},
      {"an error after a part", {{30}, {.error = ERROR_GEN_FAILURE}}, {}, 30, ERROR_GEN_FAILURE},
      {"nothing ever taken", {}, {0}, 0, ERROR_TIMEOUT},
  };
  const std::string job = Job(100);
  for (const Case& c : cases) {
    ScriptedDevice system;
    system.Script(c.steps, c.then);
    DeviceFile device(&system);
    ASSERT_TRUE(device.Open("LPT1", DeviceFile::Mode::Waitable));
    const auto started = Clock::now();
    const auto written = device.Write(reinterpret_cast<const uint8_t*>(job.data()), int(job.size()), 200);
    EXPECT_EQ(written.count, c.written) << c.what;
    EXPECT_EQ(written.ok, c.error == 0) << c.what;
    if (c.error != 0) {
      EXPECT_EQ(DWORD(device.LastError()), c.error) << c.what;
    }
    EXPECT_EQ(system.Received(), job.substr(0, size_t(c.written))) << c.what;  // in order, nothing twice
    EXPECT_LT(MillisecondsSince(started), 1000) << c.what;
  }
}

// Reads of only what is queued (the USB port on x86): nothing queued, or a
// queue that can't be told, issues no read; a failed read clears the errors.
TEST(ScriptedDevice, ReadsOfQueuedInput) {
  using enum DeviceFile::IfQueueUnknown;
  const struct {
    const char* what;
    bool unknown;
    DWORD readError;
    DeviceFile::IfQueueUnknown ifUnknown;
    int issued;
  } cases[] = {
      {"nothing queued", false, 0, ReadAnyway, 0},
      {"a queue that can't be told", true, 0, ReadNothing, 0},
      {"a failed read", false, ERROR_GEN_FAILURE, ReadNothing, 1},
  };
  for (const auto& c : cases) {
    ScriptedDevice system;
    if (c.readError != 0) system.QueueInput("x");
    system.queueUnknown.store(c.unknown);
    system.readError.store(c.readError);
    DeviceFile device(&system);
    ASSERT_TRUE(device.Open("USB", DeviceFile::Mode::Waitable));
    uint8_t buffer[256] = {};
    const auto read = device.Read(buffer, 256, 0, c.ifUnknown);
    EXPECT_EQ(read.count, 0) << c.what;
    EXPECT_EQ(read.ok, c.readError == 0) << c.what;
    EXPECT_EQ(system.readsIssued.load(), c.issued) << c.what;
    EXPECT_EQ(system.errorsCleared.load(), c.readError != 0 ? 1 : 0) << c.what;
  }
}

// The two device-file ports over one scripted device each; the USB port opened twice.
struct UsbRig {
  UsbRig() : transport(clock, std::make_unique<FakeFinder>(printer, &system), &system), port(kUsbPolicy, transport, clock) {
    printer.path = "\\\\?\\usb#vid_0525&pid_a700#scripted";
    port.OpenPort("", "");
    port.OpenPort("", "");  // a second open finds the printer we hold and keeps it
  }
  ScriptedDevice system;
  FakeFinder::State printer;
  SystemClock clock;
  UsbTransport transport;
  Port port;
};
struct LptRig {
  LptRig() : transport(clock, &system), port(kLptPolicy, transport, clock) { port.OpenPort("LPT1", ""); }
  ScriptedDevice system;
  SystemClock clock;
  LptTransport transport;
  Port port;
};

// A claimed port on a healthy printer with nothing to say: every read is
// issued (x64, or a parallel driver that can't tell its queue) and waits out
// its time-out, and the status stays Normal. Then a job whose every write
// completes in short parts arrives whole and once, answered as written.
template <class Rig>
void IdleReadsAndShortCompletions(int answer) {
  Rig rig;
  rig.system.queueUnknown.store(true);
  rig.system.Script({}, {.takes = 300, .polls = 1});
  ASSERT_EQ(rig.port.Claim(1000, true), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_GT(rig.system.readsIssued.load(), 2);
  EXPECT_EQ(rig.port.PrinterStatus(), kNormal);

  const std::string job = Job(2500);
  const auto started = Clock::now();
  EXPECT_EQ(rig.port.WriteData(reinterpret_cast<const uint8_t*>(job.data()), int(job.size())), answer);
  EXPECT_LT(MillisecondsSince(started), 500);  // no failed attempt's pause
  EXPECT_NE(rig.system.Received().find(job), std::string::npos);
  EXPECT_EQ(rig.port.PrinterStatus(), kNormal);
  rig.port.ClosePort();
}

TEST(ScriptedDevice, IdleReadsAndShortCompletionsThroughThePorts) {
  IdleReadsAndShortCompletions<UsbRig>(1);
  IdleReadsAndShortCompletions<LptRig>(2500);
}

}  // namespace
}  // namespace portlink
