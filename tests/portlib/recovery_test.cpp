// The port's write recovery, end of stream and close against a scripted
// printer: nothing revives a closed port, nothing lost is reported sent, and
// a close never waits for the printer.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "fake_jni_env.h"
#include "fakes.h"
#include "jni_glue.h"
#include "port.h"
#include "port_rig.h"
#include "printer_protocol.h"
#include "status_monitor.h"
#include "tcp_policy.h"
#include "usb_policy.h"

namespace portlink {
namespace {

using testing::Bytes;
using testing::FakeClock;
using testing::ScriptedTransport;
using testing::WaitUntil;

// A port opened on a TCP address.
struct Rig : testing::PortRig {
  explicit Rig(const PortPolicy& policy, Clock* realClock = nullptr) : PortRig(policy, realClock) {
    port.OpenPort("SOCKET:10.0.0.5", "9100");
  }
};

const Bytes kJob = {'T', 'o', 't', 'a', 'l', ' ', '9', '\n'};

TEST(WriteRecovery, ResendsTheWholeJobAfterReconnecting) {
  Rig rig(kTcpPolicy);
  rig.transport.writesSucceed.store(false);
  rig.transport.writtenOnFailure = 5;  // the lost connection had taken part of it
  rig.transport.reopenSucceeds.store(1);
  rig.transport.onReopen = [&] { rig.transport.writesSucceed.store(true); };
  EXPECT_EQ(rig.port.WriteData(kJob.data(), static_cast<int>(kJob.size())), 1);
  ASSERT_EQ(rig.transport.Written().size(), 1u);
  EXPECT_EQ(rig.transport.Written()[0], kJob);  // from its first byte
  EXPECT_EQ(rig.fields().printerStatus.load(), kNormal);
  EXPECT_EQ(rig.fields().statusRequest.load(), 1);
  EXPECT_EQ(rig.clock.pausedMs.load(), 1000);

  // A resend that fails too is reported as failed, not as sent.
  rig.transport.writesSucceed.store(false);
  rig.transport.onReopen = nullptr;
  EXPECT_EQ(rig.port.WriteData(kJob.data(), static_cast<int>(kJob.size())), 0);
  EXPECT_EQ(rig.fields().printerStatus.load(), kOffline);
}

// The printer paused past the write's allowance on a live connection: it
// keeps what it took, so nothing is sent again and the connection stays.
TEST(WriteRecovery, AWriteThatRanOutOfTimeIsNotSentAgain) {
  Rig rig(kTcpPolicy);
  rig.transport.writesSucceed.store(false);
  rig.transport.failureIsLoss.store(false);
  rig.transport.reopenSucceeds.store(1);
  EXPECT_EQ(rig.port.WriteData(kJob.data(), static_cast<int>(kJob.size())), 0);
  EXPECT_EQ(rig.fields().printerStatus.load(), kOffline);
  EXPECT_EQ(rig.fields().statusRequest.load(), 1);
  EXPECT_EQ(rig.transport.reopenAttempts.load(), 0);
  EXPECT_EQ(rig.transport.drops.load(), 0);
}

TEST(WriteRecovery, EndOfStreamMakesTheNextWriteReconnectFirst) {
  Rig rig(kTcpPolicy);
  rig.transport.ReplyEndOfStream();
  uint8_t buffer[256];
  EXPECT_EQ(rig.port.ReadData(buffer, 256), 0);
  EXPECT_EQ(rig.fields().printerStatus.load(), kOffline);
  EXPECT_EQ(rig.fields().statusRequest.load(), 1);
  EXPECT_EQ(rig.transport.drops.load(), 0);  // the monitor's read leaves the device to the writers

  // Even a write of nothing tries the connection.
  rig.transport.reopenSucceeds.store(1);
  EXPECT_EQ(rig.port.WriteData(kJob.data(), 0), 1);
  EXPECT_EQ(rig.transport.reopenAttempts.load(), 1);
  EXPECT_TRUE(rig.transport.DeviceOpen());
  EXPECT_EQ(rig.port.WriteData(kJob.data(), static_cast<int>(kJob.size())), 1);
  EXPECT_EQ(rig.transport.Written().back(), kJob);
  EXPECT_EQ(rig.fields().printerStatus.load(), kNormal);
}

TEST(WriteRecovery, ACloseDuringAReconnectionLeavesThePortClosed) {
  Rig rig(kTcpPolicy);
  std::promise<void> reopening, release;
  std::shared_future<void> released = release.get_future().share();
  rig.transport.writesSucceed.store(false);
  rig.transport.reopenSucceeds.store(1);
  rig.transport.onReopen = [&] {
    reopening.set_value();
    released.wait();
  };
  int written = -1;
  std::thread writer([&] { written = rig.port.WriteData(kJob.data(), static_cast<int>(kJob.size())); });
  reopening.get_future().wait();
  std::thread closer([&] { rig.port.ClosePort(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));  // the close waits for the reopen
  release.set_value();
  closer.join();
  writer.join();

  EXPECT_EQ(written, 0);
  EXPECT_EQ(rig.fields().isOpen.load(), 0);
  EXPECT_FALSE(rig.transport.DeviceOpen());  // closed after the reopen, not left open
  rig.transport.onReopen = nullptr;
  EXPECT_EQ(rig.port.WriteData(kJob.data(), 1), 0);
  EXPECT_EQ(rig.transport.reopenAttempts.load(), 1);
}

TEST(WriteRecovery, CloseIsPromptWhileTheReconnectThreadFindsNoPrinter) {
  SystemClock realTime;
  Rig rig(kUsbPolicy, &realTime);
  rig.transport.repeatLastReply = true;
  rig.transport.Reply({0x14, 0x00, 0x00, 0x0F});
  ASSERT_EQ(rig.port.Claim(0, true), 0);
  rig.transport.writesSucceed.store(false);  // the printer is gone and stays gone
  std::thread writer([&] { rig.port.WriteData(kJob.data(), 1); });
  ASSERT_TRUE(WaitUntil([&] { return rig.transport.reopenAttempts.load() >= 1; }));
  std::atomic<bool> closed{false};
  std::thread closer([&] {
    rig.port.ClosePort();
    closed.store(true);
  });
  EXPECT_TRUE(WaitUntil([&] { return closed.load(); }, 3000));  // a pass at most, never the printer's return
  closer.join();
  writer.join();
  const int attempts = rig.transport.reopenAttempts.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_EQ(rig.transport.reopenAttempts.load(), attempts);
  EXPECT_FALSE(rig.port.MonitorThreadRunning());
}

// The printer answers each status query; a monitor still running would take
// the answers away from the readiness check.
TEST(Claim, ASecondClaimStopsTheFirstMonitorBeforeCheckingReadiness) {
  Rig rig(kTcpPolicy);
  rig.transport.onWrite = [&](const Bytes& w) {
    if (w == Bytes{0x10, 0x04, 0x02} || w == Bytes{0x10, 0x04, 0x04}) rig.transport.Reply({0x12});
  };
  ASSERT_EQ(rig.port.Claim(0, true), 0);
  ASSERT_TRUE(rig.port.MonitorThreadRunning());
  EXPECT_EQ(rig.port.Claim(0, false), 0);
  EXPECT_FALSE(rig.port.MonitorThreadRunning());
  EXPECT_FALSE(rig.fields().stopRequested.IsSet());  // a completion wait still waits
}

// Another thread's _readData holds the device while the monitor waits for
// its turn: that wait is not the printer being slow.
TEST(Monitor, WaitingForAReadersTurnIsNoSlowRead) {
  Rig rig(kUsbPolicy);
  StatusMonitor monitor(MonitorKind::StatusBackWithPresence, kUsbPolicy, rig.fields(), rig.port.Io(), rig.clock);
  for (int round = 0; round < 2; ++round) {
    std::promise<void> inRead, release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> first{true};
    rig.transport.onRead = [&] {
      if (!first.exchange(false)) return;
      inRead.set_value();
      released.wait();
      rig.clock.Advance(200);
    };
    std::thread reader([&] {
      uint8_t buffer[256];
      rig.port.ReadData(buffer, 256);
    });
    inRead.get_future().wait();
    std::thread pass([&] { monitor.RunPass(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    release.set_value();
    reader.join();
    pass.join();
  }
  EXPECT_EQ(rig.fields().printerStatus.load(), kNormal);
}

TEST(JniGlue, NothingThrownReachesTheVm) {
  Rig rig(kTcpPolicy);
  testing::FakeJniEnv fake;
  testing::FakeByteArray data{{1, 2, 3}};
  rig.transport.throwOnWrite = true;
  EXPECT_EQ(jni::WriteData(fake.Env(), rig.port, testing::FakeJniEnv::Array(data), 3), 0);
  EXPECT_EQ(fake.arraysHeld, 0);
  EXPECT_EQ(jni::OpenDrawer(rig.port, 2, 100, 100), kDrawerKickRefused);
  EXPECT_EQ(jni::WaitForCompletePrinting(rig.port), JNI_FALSE);
  EXPECT_EQ(jni::Claim(rig.port, 0, JNI_FALSE), 1);
}

}  // namespace
}  // namespace portlink
