// PortLinkTcp end to end: the built library (the DLL under Wine) against the
// simulated printer on the loopback address, through its JNI entry points.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "fakes.h"
#include "library_port.h"
#include "port_types.h"
#include "printer_scenarios.h"
#include "simulator_control.h"

namespace portlink {
namespace {

using quarvel::testing::SimulatorControl;
using testing::LibraryPort;
using testing::PrinterScenario;
using testing::WaitUntil;

using testing::Fnv1a64;
using testing::MillisecondsSince;
using testing::ReceiptOf;

class TcpScenario : public testing::SimulatorScenario {
 protected:
  TcpScenario() : SimulatorScenario(testing::kTcpLibrary) {}
  void Open() { port.OpenPort(sim.PortName(), sim.PortSettings()); }
  std::string Accepted() { return sim.StatusField("accepted"); }
};

// Wine's sockets are Linux's: a small job goes into Linux's send buffer at
// once, where a Windows socket without a send buffer would hold on to it.
#ifdef _WIN32
constexpr bool kUnderWine = true;
#else
constexpr bool kUnderWine = false;
#endif
constexpr const char* kNoZeroSendBuffer = "needs a socket without a send buffer, which Wine's are not";

TEST_F(TcpScenario, ClaimChecksThatThePrinterIsReady) {
  Open();
  EXPECT_EQ(port.Claim(1000, false), 0);
  EXPECT_EQ(port.WriteData("ready\n"), 1);
  port.ClosePort();

  sim.Command("cover open");
  Open();
  EXPECT_EQ(port.Claim(1000, false), 1);
  EXPECT_EQ(port.WriteData("x"), 0);  // the failed check closed the port
  EXPECT_EQ(port.Claim(1000, false), 1);

  sim.Command("cover close");
  sim.Command("paper out");
  Open();
  EXPECT_EQ(port.Claim(1000, false), 1);
}

TEST_F(TcpScenario, DroppedConnectionIsReopenedAndTheWriteSentAgain) {
  Open();
  ASSERT_EQ(port.WriteData("first\n"), 1);
  ASSERT_TRUE(WaitUntil([&] { return sim.Receipt().find("first") != std::string::npos; }));
  sim.Command("drop");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(port.WriteData("second line\n"), 1);
  EXPECT_EQ(port.PrinterStatus(), kNormal);
  EXPECT_TRUE(WaitUntil([&] { return sim.Receipt() == "first\nsecond line\n"; })) << sim.Receipt();
  EXPECT_EQ(Accepted(), "2");
}

TEST_F(TcpScenario, RefusedReconnectionReportsOffline) {
  Open();
  ASSERT_EQ(port.WriteData("before\n"), 1);
  ASSERT_TRUE(WaitUntil([&] { return sim.Receipt() == "before\n"; }));
  sim.Command("refuse");
  sim.Command("drop");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(port.WriteData("lost\n"), 0);
  EXPECT_EQ(port.PrinterStatus(), kOffline);
  EXPECT_EQ(port.WriteData("lost again\n"), 0);  // each write tries once more
  sim.Command("accept");
  EXPECT_EQ(port.WriteData("after\n"), 1);
  EXPECT_EQ(port.PrinterStatus(), kNormal);
  EXPECT_TRUE(WaitUntil([&] { return sim.Receipt() == "before\nafter\n"; })) << sim.Receipt();
}

// A printer with a small buffer (as real ones have), stalled for 3 s: the
// write answers 1 only once the printer has acknowledged every byte.
TEST_F(TcpScenario, OneMeansThePrinterAcknowledgedEveryByte) {
  if (kUnderWine) GTEST_SKIP() << kNoZeroSendBuffer;
  sim.Command("receive-buffer 2048");
  Open();
  const std::string job = ReceiptOf(20000);
  sim.Command("stall 3000");
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(port.WriteData(job), 1);
  EXPECT_GE(MillisecondsSince(started), 2500);
  EXPECT_EQ(sim.Command("wait-bytes 20000 5000"), "received 20000");
  EXPECT_EQ(port.PrinterStatus(), kNormal);
}

// A printer that takes nothing for longer than the write's allowance (1 ms a
// byte + 500 ms): Offline and 0, but the connection stays and nothing is
// sent twice: the printer prints what it took once it reads again.
TEST_F(TcpScenario, AStallPastTheAllowanceKeepsTheConnectionAndSendsNothingTwice) {
  if (kUnderWine) GTEST_SKIP() << kNoZeroSendBuffer;
  sim.Command("receive-buffer 2048");
  Open();
  const std::string job = ReceiptOf(6000);
  sim.Command("stall");
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(port.WriteData(job), 0);
  EXPECT_GE(MillisecondsSince(started), 6400);
  EXPECT_EQ(port.PrinterStatus(), kOffline);
  sim.Command("resume");
  EXPECT_EQ(sim.Command("wait-bytes 6000 5000"), "received 6000");
  EXPECT_EQ(port.WriteData("next\n"), 1);
  EXPECT_EQ(sim.Command("wait-bytes 6005 5000"), "received 6005");
  EXPECT_EQ(Accepted(), "1");
}

TEST_F(TcpScenario, SecondOpenKeepsTheFirstConnection) {
  Open();
  port.OpenPort("SOCKET:127.0.0.1", "9");
  EXPECT_EQ(port.WriteData("still here\n"), 1);
  EXPECT_TRUE(WaitUntil([&] { return sim.Receipt() == "still here\n"; })) << sim.Receipt().substr(0, 300)
                                                                           << sim.Command("status");
  EXPECT_EQ(Accepted(), "1");
}

TEST_F(TcpScenario, SocketPrefixVariants) {
  port.OpenPort("SOCKET:SOCKET:127.0.0.1", sim.PortSettings());
  EXPECT_EQ(port.WriteData("doubled prefix\n"), 1);
  port.ClosePort();
  const std::vector<std::string> refused = {"socket:127.0.0.1", "127.0.0.1", "SOCKET:" + std::string(130, '1'),
                                            "SOCKET:localhost"};
  for (const std::string& name : refused) {
    port.OpenPort(name, sim.PortSettings());
    EXPECT_EQ(port.Claim(1000, true), 1) << name;
  }
  EXPECT_TRUE(WaitUntil([&] { return sim.Receipt() == "doubled prefix\n"; }));
  EXPECT_EQ(Accepted(), "1");
}

TEST_F(TcpScenario, ACleanCloseIsSeenAndTheNextWriteReconnects) {
  Open();
  ASSERT_EQ(port.Claim(1000, true), 0);
  ASSERT_TRUE(StatusBecomes(kNormal));
  ASSERT_EQ(port.WriteData("before\n"), 1);
  ASSERT_TRUE(WaitUntil([&] { return sim.Receipt() == "before\n"; }));
  sim.Command("close");
  EXPECT_TRUE(StatusBecomes(kOffline));  // the monitor read the end of the stream
  EXPECT_EQ(port.WriteData("after\n"), 1);
  EXPECT_TRUE(WaitUntil([&] { return sim.Receipt() == "before\nafter\n"; })) << sim.Receipt();
  EXPECT_TRUE(StatusBecomes(kNormal));
  EXPECT_EQ(Accepted(), "2");
}

TEST_F(TcpScenario, AWriteNoticesACleanCloseWithoutAMonitor) {
  Open();
  ASSERT_EQ(port.WriteData("one\n"), 1);
  ASSERT_TRUE(WaitUntil([&] { return sim.Receipt() == "one\n"; }));
  sim.Command("close");
  ASSERT_TRUE(WaitUntil([&] { return sim.StatusField("connections") == "0"; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(port.WriteData("two\n"), 1);
  EXPECT_TRUE(WaitUntil([&] { return sim.Receipt() == "one\ntwo\n"; })) << sim.Receipt();
  EXPECT_EQ(Accepted(), "2");
}

// The printer resets the connection while the job's bytes sit unread in its
// buffers: they are gone, so the whole job goes out again on a new
// connection. What the old one had printed is printed twice: counted here.
TEST_F(TcpScenario, AResetMidJobSendsTheWholeJobOnTheNewConnection) {
  Open();
  const std::string job = ReceiptOf(3u << 20);
  sim.Command("rate 4000000");  // the job takes most of a second: it is surely under way at the reset
  jint result = -1;
  std::thread writer([&] { result = port.WriteData(job); });
  sim.Command("wait-bytes 262144 20000");
  sim.Command("reset-unread 50");
  writer.join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Accepted(), "2");
  std::string received;
  EXPECT_TRUE(WaitUntil([&] {
    received = sim.Command("received");
    return received.find(" last=" + std::to_string(job.size()) + " ") != std::string::npos;
  }, 30000)) << received;
  EXPECT_NE(received.find("last_fnv1a64=" + Fnv1a64(job)), std::string::npos) << received;
  const long long total = std::atoll(received.c_str() + std::string("received ").size());
  std::printf("[ reset mid-job ] %lld bytes printed for a job of %zu: %lld printed twice\n", total, job.size(),
              total - static_cast<long long>(job.size()));
}

TEST_F(TcpScenario, ASlowButSteadyPrinterIsNotTakenForLost) {
  Open();
  sim.Command("rate 400000");
  std::string job(200000, 'x');
  for (size_t i = 0; i < job.size(); i += 50) job[i] = '\n';
  EXPECT_EQ(port.WriteData(job), 1);
  EXPECT_EQ(sim.Command("wait-bytes 200000 20000"), "received 200000");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::string received = sim.Command("received");
  EXPECT_NE(received.find("received 200000 "), std::string::npos) << received;  // once
  EXPECT_NE(received.find("fnv1a64=" + Fnv1a64(job)), std::string::npos) << received;
  EXPECT_EQ(Accepted(), "1");
  EXPECT_EQ(port.PrinterStatus(), kNormal);
}

TEST_F(TcpScenario, ACloseDuringAReconnectionLeavesThePortClosed) {
  Open();
  ASSERT_EQ(port.WriteData("first\n"), 1);
  ASSERT_TRUE(WaitUntil([&] { return sim.Receipt() == "first\n"; }));
  sim.Command("drop");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  jint result = -1;
  std::thread writer([&] { result = port.WriteData("second\n"); });  // reconnects, then pauses
  ASSERT_TRUE(WaitUntil([&] { return Accepted() == "2"; }));
  port.ClosePort();
  writer.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(port.WriteData("late\n"), 0);
  EXPECT_TRUE(WaitUntil([&] { return sim.StatusField("connections") == "0"; }));
  Open();  // a fresh connection, not a revived one
  EXPECT_EQ(port.WriteData("fresh\n"), 1);
  EXPECT_TRUE(WaitUntil([&] { return sim.Receipt() == "first\nfresh\n"; })) << sim.Receipt();
  EXPECT_EQ(Accepted(), "3");
}

TEST_F(TcpScenario, LargeWriteArrivesCompleteAndInOrder) {
  Open();
  std::string job;
  for (int line = 0; job.size() < (1u << 20); ++line) job += "line " + std::to_string(line) + " of the long job\n";
  job.resize(1u << 20);
  ASSERT_EQ(port.WriteData(job), 1);
  EXPECT_EQ(sim.Command("wait-bytes 1048576 20000"), "received 1048576");
  const std::string received = sim.Command("received");
  EXPECT_NE(received.find("fnv1a64=" + Fnv1a64(job)), std::string::npos) << received;
  EXPECT_EQ(Accepted(), "1");
}

void OpenTcp(LibraryPort& port, SimulatorControl& sim) { port.OpenPort(sim.PortName(), sim.PortSettings()); }

INSTANTIATE_TEST_SUITE_P(Tcp, PrinterScenario,
                         ::testing::Values(testing::FrontEnd{"tcp", &testing::kTcpLibrary, &OpenTcp, false, true}));

}  // namespace
}  // namespace portlink
