// PortLinkTcp end to end: the built library (the DLL under Wine) against the
// simulated printer on the loopback address, through its JNI entry points.
#include <gtest/gtest.h>

#include <chrono>
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

uint64_t Fnv1a64(const std::string& bytes) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (unsigned char c : bytes) hash = (hash ^ c) * 0x100000001B3ull;
  return hash;
}

std::string Hex64(uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

class TcpScenario : public testing::SimulatorScenario {
 protected:
  TcpScenario() : SimulatorScenario(testing::kTcpLibrary) {}
  void Open() { port.OpenPort(sim.PortName(), sim.PortSettings()); }
  std::string Accepted() { return sim.StatusField("accepted"); }
};

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

TEST_F(TcpScenario, StalledPrinterFailsTheWriteInsteadOfReportingSuccess) {
  Open();
  sim.Command("stall");
  const std::string job(32 << 20, 'x');  // more than the socket buffers hold
  EXPECT_EQ(port.WriteData(job), 0);
  EXPECT_EQ(port.PrinterStatus(), kOffline);
  sim.Command("resume");
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
// buffers: they are gone, so the whole job goes out again.
TEST_F(TcpScenario, AResetWithUnreadInputResendsTheWholeJob) {
  Open();
  std::string job;
  for (int line = 0; job.size() < (3u << 20); ++line) job += "receipt line " + std::to_string(line) + "\n";
  job.resize(3u << 20);
  sim.Command("rate 4000000");  // the job takes most of a second: it is surely under way at the reset
  jint result = -1;
  std::thread writer([&] { result = port.WriteData(job); });
  sim.Command("wait-bytes 262144 20000");
  sim.Command("reset-unread 50");
  writer.join();
  EXPECT_EQ(result, 1);
  EXPECT_EQ(sim.Command("wait-bytes 3145728 30000", 35000), "received 3145728");
  const std::string received = sim.Command("received");
  EXPECT_NE(received.find("fnv1a64=" + Hex64(Fnv1a64(job))), std::string::npos) << received;
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
  EXPECT_NE(received.find("fnv1a64=" + Hex64(Fnv1a64(job))), std::string::npos) << received;
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
  EXPECT_NE(received.find("fnv1a64=" + Hex64(Fnv1a64(job))), std::string::npos) << received;
  EXPECT_EQ(Accepted(), "1");
}

void OpenTcp(LibraryPort& port, SimulatorControl& sim) { port.OpenPort(sim.PortName(), sim.PortSettings()); }

INSTANTIATE_TEST_SUITE_P(Tcp, PrinterScenario,
                         ::testing::Values(testing::FrontEnd{"tcp", &testing::kTcpLibrary, &OpenTcp, false, true}));

}  // namespace
}  // namespace portlink
