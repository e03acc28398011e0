// PortLinkLpt end to end: the built library (the DLL under Wine, through
// LPT1) against the simulated printer on a pseudo-terminal, through its JNI
// entry points.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "fakes.h"
#include "library_port.h"
#include "lpt_policy.h"
#include "lpt_transport.h"
#include "port.h"
#include "simulator_control.h"

namespace portlink {
namespace {

using quarvel::testing::SimulatorControl;
using testing::LibraryPort;
using testing::WaitUntil;

constexpr jint kNormal = 0, kCoverOpen = 1, kPaperEmpty = 2, kOffline = 8;

// The name the library opens: LPT1 where the platform maps it to the
// simulator's pseudo-terminal, else the pseudo-terminal's path.
std::string PortName() {
  const char* name = std::getenv("QUARVEL_LPT_NAME");
  if (name != nullptr && *name != '\0') return name;
  const char* pty = std::getenv("QUARVEL_SIM_PTY");
  return pty != nullptr ? pty : "";
}

class LptScenario : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Connected()) << "run beside the simulator with --pty";
    ASSERT_FALSE(PortName().empty());
    ASSERT_EQ(sim.Command("reset"), "ok");
    ASSERT_EQ(port.Error(), "");
  }
  void TearDown() override { port.ClosePort(); }

  void Open() { port.OpenPort(PortName(), "ignored"); }
  bool StatusBecomes(jint status) {
    return WaitUntil([&] { return port.PrinterStatus() == status; });
  }

  SimulatorControl sim;
  LibraryPort port{testing::kLptLibrary};
};

TEST_F(LptScenario, ClaimWithoutMonitorWritesAndReturnsTheCount) {
  Open();
  EXPECT_EQ(port.Claim(5000, false), 0);
  EXPECT_EQ(port.WriteData("Hello LPT\n\n"), 11);  // the count, not 1
  EXPECT_TRUE(WaitUntil([&] { return sim.Receipt() == "Hello LPT\n\n"; })) << sim.Receipt();
}

TEST_F(LptScenario, StatusFollowsThePrinter) {
  Open();
  ASSERT_EQ(port.Claim(1000, true), 0);
  EXPECT_TRUE(StatusBecomes(kNormal));
  sim.Command("cover open");
  EXPECT_TRUE(StatusBecomes(kCoverOpen));
  sim.Command("cover close");
  EXPECT_TRUE(StatusBecomes(kNormal));
  sim.Command("paper out");
  EXPECT_TRUE(StatusBecomes(kPaperEmpty));
  sim.Command("paper ok");
  EXPECT_TRUE(StatusBecomes(kNormal));
}

TEST_F(LptScenario, DrawerKickAndCompletionWait) {
  Open();
  ASSERT_EQ(port.Claim(1000, true), 0);
  EXPECT_EQ(port.OpenDrawer(2, 200, 400), 0);
  EXPECT_TRUE(WaitUntil([&] { return sim.Command("kicks") == "kicks 1 2:200:400"; })) << sim.Command("kicks");
  EXPECT_TRUE(WaitUntil([&] { return port.DrawerStatus() == 1; }));
  EXPECT_EQ(port.WriteData("Total 3.20\n"), 11);
  EXPECT_TRUE(port.WaitForCompletePrinting());
  EXPECT_NE(sim.Receipt().find("Total 3.20"), std::string::npos);
}

TEST_F(LptScenario, ReadDataDeliversTheReply) {
  Open();
  ASSERT_EQ(port.WriteData("\x10\x04\x02"), 3);
  jint count = 0;
  std::vector<jbyte> bytes;
  ASSERT_TRUE(WaitUntil([&] {
    bytes = port.ReadData(count);
    return count > 0;
  }));
  EXPECT_EQ(count, 1);
  EXPECT_EQ(bytes[0], 0x12);
}

// The printer stops reading: once the line is full, a write gives up within
// its allowance, returns what went out and reports Offline.
TEST_F(LptScenario, AStalledPrinterShortensTheWriteAndGoesOffline) {
  Open();
  sim.Command("stall");
  const std::string block(400, 'x');
  jint written = 400;
  for (int i = 0; written == 400 && i < 4000; ++i) written = port.WriteData(block);
  EXPECT_LT(written, 400);
  EXPECT_EQ(port.PrinterStatus(), kOffline);
  sim.Command("resume");
}

TEST_F(LptScenario, UnknownNameFailsAndASecondOpenKeepsTheFirstDevice) {
  port.OpenPort("LPT9", "");  // no such port (and never a real serial device)
  EXPECT_EQ(port.Claim(1000, false), 1);
  EXPECT_EQ(port.WriteData("x"), 0);

  Open();
  port.OpenPort("LPT3", "");  // ignored: the port is open
  EXPECT_EQ(port.WriteData("kept\n"), 5);
  EXPECT_TRUE(WaitUntil([&] { return sim.Receipt() == "kept\n"; })) << sim.Receipt();
}

// The oldest systems drive the port with blocking calls: one write of all
// the bytes, a read bounded by the claim's time-outs, the input purged after.
TEST_F(LptScenario, OldSystemsWriteAndReadBlocking) {
  PortPolicy oldSystem = kLptPolicy;
  oldSystem.osClass = [] { return OsClass::Win9x; };
  SystemClock clock;
  LptTransport transport(clock);
  Port direct(oldSystem, transport, clock);
  direct.OpenPort(PortName(), "");
  ASSERT_EQ(direct.Claim(1000, false), 0) << transport.LastErrorText();
  const uint8_t query[3] = {0x10, 0x04, 0x02};
  EXPECT_EQ(direct.WriteData(query, 3), 3);
  uint8_t reply[256] = {};
  EXPECT_TRUE(WaitUntil([&] { return direct.ReadData(reply, 256) == 1; }));
  EXPECT_EQ(reply[0], 0x12);
  direct.ClosePort();
  EXPECT_EQ(direct.WriteData(query, 3), 0);
}

}  // namespace
}  // namespace portlink
