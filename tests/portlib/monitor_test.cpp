#include <gtest/gtest.h>

#include <mutex>

#include "fakes.h"
#include "printer_protocol.h"
#include "lpt_policy.h"
#include "port.h"
#include "status_monitor.h"
#include "tcp_policy.h"
#include "usb_policy.h"

namespace portlink {
namespace {

using testing::Bytes;
using testing::FakeClock;
using testing::ScriptedTransport;

const Bytes kEnable(kStatusBackEnable.begin(), kStatusBackEnable.end());

// One monitor over a port whose policy each test chooses.
class MonitorPass : public ::testing::Test {
 protected:
  void SetUp() override {
    transport.clock = &clock;
    fields.isOpen.store(1);
  }
  StatusMonitor Make(MonitorKind kind, const PortPolicy& library) {
    policy = library;
    return StatusMonitor(kind, policy, fields, port.Io(), clock);
  }
  ScriptedTransport transport;
  FakeClock clock;
  PortPolicy policy;
  Port port{policy, transport, clock};
  PortFields& fields = port.Fields();
};

TEST_F(MonitorPass, PausesByPollMode) {
  auto usb = Make(MonitorKind::Basic, kUsbPolicy);
  usb.RunPass();
  EXPECT_EQ(clock.pausedMs.load(), 500);
  fields.fastPoll.store(1);
  usb.RunPass();
  EXPECT_EQ(clock.pausedMs.load(), 550);
  fields.fastPoll.store(0);
  auto lpt = Make(MonitorKind::StatusBack, kLptPolicy);
  lpt.RunPass();
  EXPECT_EQ(clock.pausedMs.load(), 950);
}

TEST_F(MonitorPass, StatusRequestSendsStatusBackEnable) {
  auto monitor = Make(MonitorKind::StatusBack, kTcpPolicy);
  fields.statusRequest.store(1);
  transport.Reply({0x14, 0x00, 0x00, 0x0F});
  monitor.RunPass();
  EXPECT_EQ(transport.CountWrites(kEnable), 1);
  EXPECT_EQ(clock.pausedMs.load(), 500 + 100 + 1000);
  EXPECT_EQ(fields.statusRequest.load(), 0);  // the clean block settles it
  monitor.RunPass();
  EXPECT_EQ(transport.CountWrites(kEnable), 1);
}

TEST_F(MonitorPass, UsbPresenceCheck) {
  auto monitor = Make(MonitorKind::StatusBackWithPresence, kUsbPolicy);
  transport.present.store(0);
  monitor.RunPass();
  EXPECT_EQ(fields.printerStatus.load(), kOffline);
  EXPECT_EQ(fields.statusRequest.load(), 1);
  transport.present.store(1);
  transport.Reply({0x3B, 0x31, 0x00});
  monitor.RunPass();  // enables blocks again; the online notice brings Normal
  EXPECT_EQ(transport.CountWrites(kEnable), 1);
  EXPECT_EQ(fields.printerStatus.load(), kNormal);
  EXPECT_EQ(fields.connected.load(), 1);
}

TEST_F(MonitorPass, TwoSlowReadsInARowReportOffline) {
  auto monitor = Make(MonitorKind::StatusBackWithPresence, kUsbPolicy);
  transport.readTakesMs = 60;
  monitor.RunPass();
  EXPECT_EQ(fields.printerStatus.load(), kNormal);
  transport.readTakesMs = 10;  // a quick read ends the run
  monitor.RunPass();
  transport.readTakesMs = 50;
  monitor.RunPass();
  EXPECT_EQ(fields.printerStatus.load(), kNormal);
  monitor.RunPass();
  EXPECT_EQ(fields.printerStatus.load(), kOffline);
  EXPECT_EQ(fields.statusRequest.load(), 1);
}

TEST_F(MonitorPass, BasicMonitorSlowReadsOnlyReportOffline) {
  auto monitor = Make(MonitorKind::Basic, kUsbPolicy);
  transport.readTakesMs = 80;
  monitor.RunPass();
  monitor.RunPass();
  EXPECT_EQ(fields.printerStatus.load(), kOffline);
  EXPECT_EQ(fields.statusRequest.load(), 0);
}

TEST_F(MonitorPass, ParallelOfflineTestsByOsClass) {
  auto monitor = Make(MonitorKind::StatusBack, kLptPolicy);
  fields.osClass.store(static_cast<int32_t>(OsClass::Win9x));
  transport.readTakesMs = 125;  // at most 125 ms counts
  monitor.RunPass();
  monitor.RunPass();
  EXPECT_EQ(fields.printerStatus.load(), kNormal);
  monitor.RunPass();
  EXPECT_EQ(fields.printerStatus.load(), kOffline);
  EXPECT_EQ(fields.statusRequest.load(), 1);

  fields.printerStatus.store(kNormal);
  transport.readTakesMs = 126;  // a longer read resets the count
  monitor.RunPass();
  monitor.RunPass();
  monitor.RunPass();
  EXPECT_EQ(fields.printerStatus.load(), kNormal);

  fields.osClass.store(static_cast<int32_t>(OsClass::Nt4OrEarlier));
  fields.statusRequest.store(0);
  monitor.RunPass();
  EXPECT_EQ(transport.CountWrites({0x00}), 1);
  EXPECT_EQ(fields.printerStatus.load(), kNormal);
  transport.writesSucceed.store(false);
  monitor.RunPass();
  EXPECT_EQ(fields.printerStatus.load(), kOffline);
}

TEST_F(MonitorPass, TcpWritesAProbeOnlyOnOldSystems) {
  auto monitor = Make(MonitorKind::StatusBack, kTcpPolicy);
  transport.readTakesMs = 100;  // every idle TCP read waits out its time-out
  for (int i = 0; i < 3; ++i) monitor.RunPass();
  EXPECT_EQ(fields.printerStatus.load(), kNormal);
  EXPECT_TRUE(transport.Written().empty());
  fields.osClass.store(static_cast<int32_t>(OsClass::Nt4OrEarlier));
  monitor.RunPass();
  EXPECT_EQ(transport.CountWrites({0x00}), 1);
  EXPECT_EQ(fields.printerStatus.load(), kNormal);
}

TEST_F(MonitorPass, StopEndsTheMonitorDuringADrawerPause) {
  clock.blockFromMs = 1000;  // a drawer pause waits until stopped
  transport.repeatLastReply = true;
  transport.Reply({0x10, 0x00, 0x00, 0x00});
  auto monitor = Make(MonitorKind::StatusBackWithPresence, kUsbPolicy);
  std::thread thread([&] { monitor.Run(); });
  ASSERT_TRUE(testing::WaitUntil([&] { return clock.blockedPauses.load() == 1; }));
  EXPECT_EQ(fields.drawerStatus.load(), 1);
  fields.stopRequested.Set();
  thread.join();
  EXPECT_EQ(clock.blockedPauses.load(), 1);
}

}  // namespace
}  // namespace portlink
