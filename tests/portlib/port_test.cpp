#include <gtest/gtest.h>

#include "fakes.h"
#include "port.h"
#include "port_rig.h"
#include "printer_protocol.h"
#include "tcp_policy.h"
#include "lpt_policy.h"
#include "usb_policy.h"

namespace portlink {
namespace {

using testing::Bytes;
using testing::FakeClock;
using testing::ScriptedTransport;
using testing::WaitUntil;

const Bytes kRequest(kCompletionRequest.begin(), kCompletionRequest.end());

using Rig = testing::PortRig;

class EachLibrary : public ::testing::TestWithParam<const PortPolicy*> {};
INSTANTIATE_TEST_SUITE_P(Libraries, EachLibrary, ::testing::Values(&kUsbPolicy, &kTcpPolicy, &kLptPolicy));

TEST_P(EachLibrary, ClosedPortResults) {
  Rig rig(*GetParam());
  rig.transport.openSucceeds = false;
  rig.port.OpenPort("SOCKET:127.0.0.1", "9100");
  const uint8_t data[3] = {1, 2, 3};
  uint8_t buffer[4] = {7, 7, 7, 7};
  EXPECT_EQ(rig.port.Claim(1000, true), 1);
  EXPECT_EQ(rig.port.Claim(1000, false), 1);
  EXPECT_FALSE(rig.port.MonitorThreadRunning());
  EXPECT_EQ(rig.port.WriteData(data, 3), 0);
  EXPECT_EQ(rig.port.ReadData(buffer, 4), 0);
  EXPECT_EQ(buffer[0], 7);
  EXPECT_EQ(rig.port.OpenDrawer(2, 200, 100), kDrawerKickRefused);
  EXPECT_EQ(rig.port.OpenDrawer(3, 100, 100), kDrawerKickRefused);
  EXPECT_EQ(rig.port.PrinterStatus(), 0);
  EXPECT_EQ(rig.port.DrawerStatus(), 0);
  EXPECT_TRUE(rig.transport.Written().empty());
  rig.port.ClosePort();
  rig.port.ClosePort();
}

TEST(Port, OpenFailureRunsTheCloseStepOnlyWhereTheLibraryDoes) {
  Rig usb(kUsbPolicy);
  usb.transport.openSucceeds = false;
  usb.port.OpenPort("", "");
  EXPECT_EQ(usb.transport.closes, 1);
  // The close step leaves stopRequested set: a completion wait returns at once.
  EXPECT_FALSE(usb.port.WaitForCompletePrinting());
  EXPECT_EQ(usb.clock.NowMs(), 0);

  Rig tcp(kTcpPolicy);
  tcp.transport.openSucceeds = false;
  tcp.port.OpenPort("SOCKET:10.0.0.5", "9100");
  EXPECT_EQ(tcp.transport.closes, 0);
  ASSERT_EQ(tcp.transport.openedWith.size(), 1u);
  EXPECT_EQ(tcp.transport.openedWith[0], "SOCKET:10.0.0.5|9100");
}

TEST(Port, DrawerKick) {
  Rig rig(kTcpPolicy);
  rig.port.OpenPort("x", "y");
  EXPECT_EQ(rig.port.OpenDrawer(2, 200, 100), kDrawerKickSent);
  EXPECT_EQ(rig.port.OpenDrawer(5, 512, 1), kDrawerKickSent);
  EXPECT_EQ(rig.port.OpenDrawer(3, 100, 100), kDrawerKickRefused);
  const auto written = rig.transport.Written();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0], (Bytes{0x1B, 0x70, 0x30, 0x64, 0x32}));
  EXPECT_EQ(written[1], (Bytes{0x1B, 0x70, 0x31, 0x00, 0x00}));
  EXPECT_EQ(rig.fields().fastPoll.load(), 0);
  rig.transport.writesSucceed.store(false);
  EXPECT_EQ(rig.port.OpenDrawer(2, 200, 100), kDrawerKickRefused);
}

TEST(Port, ReadAndWritePassThrough) {
  Rig rig(kLptPolicy);
  rig.port.OpenPort("LPT1", "");
  const uint8_t data[11] = {};
  EXPECT_EQ(rig.port.WriteData(data, 11), 11);  // the parallel port returns the count
  EXPECT_EQ(rig.port.WriteData(data, -5), 0);   // a negative length writes nothing
  EXPECT_EQ(rig.transport.Written()[1].size(), 0u);
  rig.transport.Reply({1, 2, 3});
  uint8_t buffer[256] = {};
  EXPECT_EQ(rig.port.ReadData(buffer, 256), 3);
  EXPECT_EQ(buffer[2], 3);
}

// CheckReady: NUL, DLE EOT 2 and a first answer, then DLE EOT 2 and DLE EOT 4.
TEST(Port, ClaimWithoutMonitorChecksReadiness) {
  Rig ready(kTcpPolicy);
  ready.port.OpenPort("", "");
  for (Bytes reply : {Bytes{0x12}, Bytes{0x12}, Bytes{0x12}}) ready.transport.Reply(reply);
  EXPECT_EQ(ready.port.Claim(3000, false), 0);
  EXPECT_FALSE(ready.port.MonitorThreadRunning());  // no monitor without status back
  const auto written = ready.transport.Written();
  ASSERT_EQ(written.size(), 4u);
  EXPECT_EQ(written[0], Bytes{0x00});
  EXPECT_EQ(written[1], (Bytes{0x10, 0x04, 0x02}));
  EXPECT_EQ(written[3], (Bytes{0x10, 0x04, 0x04}));
  EXPECT_EQ(ready.fields().claimTimeout.load(), 3000);
  EXPECT_EQ(ready.fields().isOpen.load(), 1);

  Rig cover(kUsbPolicy);
  cover.port.OpenPort("", "");
  for (Bytes reply : {Bytes{0x12}, Bytes{0x16}}) cover.transport.Reply(reply);
  EXPECT_EQ(cover.port.Claim(0, false), 1);
  EXPECT_EQ(cover.fields().isOpen.load(), 0);
  EXPECT_EQ(cover.transport.closes, 1);
  EXPECT_EQ(cover.port.Claim(0, false), 1);  // the port stays closed

  Rig paper(kTcpPolicy);
  paper.port.OpenPort("", "");
  for (Bytes reply : {Bytes{0x12}, Bytes{0x12}, Bytes{0x72}}) paper.transport.Reply(reply);
  EXPECT_EQ(paper.port.Claim(0, false), 1);

  Rig silent(kTcpPolicy);
  silent.port.OpenPort("", "");
  EXPECT_EQ(silent.port.Claim(0, false), 1);
  EXPECT_EQ(silent.transport.Written().size(), 2u);  // no answer to the first query

  // Answers the first query, then nothing: gives up after half a second.
  Rig late(kUsbPolicy);
  late.port.OpenPort("", "");
  late.transport.Reply({0x12});
  EXPECT_EQ(late.port.Claim(0, false), 1);
  EXPECT_GT(late.clock.NowMs(), 500);
  EXPECT_LT(late.clock.NowMs(), 800);
}

TEST(Port, ParallelClaimSkipsTheCheckAndAppliesTheTimeout) {
  Rig rig(kLptPolicy);
  rig.port.OpenPort("LPT1", "");
  EXPECT_EQ(rig.port.Claim(5000, false), 0);
  EXPECT_EQ(rig.transport.appliedTimeout.load(), 5000);
  EXPECT_TRUE(rig.transport.Written().empty());
  EXPECT_FALSE(rig.port.MonitorThreadRunning());
}

TEST_P(EachLibrary, ClaimWithMonitorRunsUntilClose) {
  Rig rig(*GetParam());
  rig.port.OpenPort("", "");
  rig.transport.repeatLastReply = true;
  rig.transport.Reply({0x14, 0x00, 0x00, 0x0F});
  EXPECT_EQ(rig.port.Claim(1000, true), 0);
  EXPECT_TRUE(rig.port.MonitorThreadRunning());
  ASSERT_TRUE(WaitUntil([&] { return rig.transport.CountWrites({0x1D, 0x61, 0xFF}) >= 1; }));
  // A second claim restarts the monitor instead of starting a second one.
  EXPECT_EQ(rig.port.Claim(2000, true), 0);
  EXPECT_EQ(rig.fields().claimTimeout.load(), 2000);
  EXPECT_FALSE(rig.fields().stopRequested.IsSet());
  rig.port.ClosePort();
  EXPECT_FALSE(rig.port.MonitorThreadRunning());
  EXPECT_EQ(rig.fields().isOpen.load(), 0);
  EXPECT_EQ(rig.fields().monitorRunning.load(), 0);
  EXPECT_EQ(rig.transport.closes, 1);
}

TEST(Port, CloseCutsADrawerPauseShort) {
  Rig rig(kTcpPolicy);
  rig.clock.blockFromMs = 1000;
  rig.port.OpenPort("", "");
  rig.transport.repeatLastReply = true;
  rig.transport.Reply({0x10, 0x00, 0x00, 0x00});
  rig.port.Claim(0, true);
  ASSERT_TRUE(WaitUntil([&] { return rig.clock.blockedPauses.load() == 1; }));
  rig.port.ClosePort();
  EXPECT_FALSE(rig.port.MonitorThreadRunning());
  EXPECT_EQ(rig.port.DrawerStatus(), 1);
}

TEST(CompletionWait, RepeatsTheRequestEveryTenSecondsUntilStopped) {
  Rig rig(kTcpPolicy);
  rig.port.OpenPort("", "");
  rig.clock.SetHook([&](int64_t now) {
    if (now >= 25000) rig.fields().stopRequested.Set();
  });
  EXPECT_FALSE(rig.port.WaitForCompletePrinting());
  EXPECT_EQ(rig.transport.CountWrites(kRequest), 3);  // at 0, 10 s and 20 s
  EXPECT_EQ(rig.fields().fastPoll.load(), 0);
}

TEST(CompletionWait, ReturnsWhenTheReplyArrives) {
  Rig rig(kUsbPolicy);
  rig.port.OpenPort("", "");
  rig.clock.SetHook([&](int64_t now) {
    EXPECT_EQ(rig.fields().fastPoll.load(), 1);
    if (now >= 3000) rig.fields().printComplete.store(1);
  });
  EXPECT_TRUE(rig.port.WaitForCompletePrinting());
  EXPECT_EQ(rig.transport.CountWrites(kRequest), 1);
  EXPECT_EQ(rig.fields().fastPoll.load(), 0);
}

TEST(CompletionWait, EndsOnAFailedRepeatOrAnErrorStatus) {
  Rig neverOpened(kTcpPolicy);
  EXPECT_FALSE(neverOpened.port.WaitForCompletePrinting());
  EXPECT_GE(neverOpened.clock.NowMs(), 10000);
  EXPECT_LT(neverOpened.clock.NowMs(), 10100);

  for (int32_t status : {kCoverOpen, kPaperEmpty, kReservedStatus, kOffline}) {
    Rig tcp(kTcpPolicy);
    tcp.port.OpenPort("", "");
    tcp.fields().printerStatus.store(status);
    EXPECT_FALSE(tcp.port.WaitForCompletePrinting());
    EXPECT_LT(tcp.clock.NowMs(), 100) << status;
  }
  // The USB library keeps waiting while the printer is offline.
  Rig usb(kUsbPolicy);
  usb.port.OpenPort("", "");
  usb.fields().printerStatus.store(kOffline);
  usb.clock.SetHook([&](int64_t now) {
    if (now >= 1000) usb.fields().printerStatus.store(kPaperEmpty);
  });
  EXPECT_FALSE(usb.port.WaitForCompletePrinting());
  EXPECT_GE(usb.clock.NowMs(), 1000);
}

TEST(UsbReconnect, AFailedWriteReopensThePrinter) {
  Rig rig(kUsbPolicy);
  rig.port.OpenPort("", "");
  rig.fields().connected.store(1);
  rig.fields().monitorMode.store(1);
  rig.transport.writesSucceed.store(false);
  const uint8_t data[2] = {1, 2};
  EXPECT_EQ(rig.port.WriteData(data, 2), 0);
  EXPECT_EQ(rig.transport.drops.load(), 1);
  EXPECT_EQ(rig.fields().printerStatus.load(), kOffline);
  EXPECT_EQ(rig.fields().statusRequest.load(), 1);
  // A second failure while reconnecting starts nothing new.
  EXPECT_EQ(rig.port.WriteData(data, 2), 0);
  EXPECT_EQ(rig.transport.drops.load(), 1);
  ASSERT_TRUE(WaitUntil([&] { return rig.transport.reopenAttempts.load() >= 2; }));
  rig.fields().statusRequest.store(0);  // the presence check saw the printer again
  rig.transport.reopenSucceeds.store(1);
  ASSERT_TRUE(WaitUntil([&] { return rig.fields().connected.load() == 1; }));
  EXPECT_EQ(rig.fields().isOpen.load(), 1);
  EXPECT_EQ(rig.fields().statusRequest.load(), 1);  // status back is asked for on the new device
  rig.transport.writesSucceed.store(true);
  EXPECT_EQ(rig.port.WriteData(data, 2), 1);
  rig.port.ClosePort();
}

TEST(UsbReconnect, CloseEndsAReconnectionInProgress) {
  Rig rig(kUsbPolicy);
  rig.port.OpenPort("", "");
  rig.transport.Reply({0x14, 0x00, 0x00, 0x0F});
  rig.port.Claim(0, true);
  rig.transport.writesSucceed.store(false);
  const uint8_t data[1] = {0};
  rig.port.WriteData(data, 1);
  ASSERT_TRUE(WaitUntil([&] { return rig.transport.reopenAttempts.load() >= 1; }));
  rig.port.ClosePort();
  const int attempts = rig.transport.reopenAttempts.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(rig.transport.reopenAttempts.load(), attempts);
  EXPECT_EQ(rig.fields().isOpen.load(), 0);
  EXPECT_FALSE(rig.port.MonitorThreadRunning());
  // A write after the close starts no reconnection.
  rig.port.WriteData(data, 1);
  EXPECT_EQ(rig.transport.drops.load(), 1);
}

}  // namespace
}  // namespace portlink
