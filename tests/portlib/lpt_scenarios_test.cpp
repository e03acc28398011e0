// PortLinkLpt end to end: the built library (the DLL under Wine, through
// LPT1) against the simulated printer on a pseudo-terminal, through its JNI
// entry points.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "fakes.h"
#include "library_port.h"
#include "port_types.h"
#include "printer_scenarios.h"
#include "lpt_policy.h"
#include "lpt_transport.h"
#include "port.h"
#include "simulator_control.h"

namespace portlink {
namespace {

using quarvel::testing::SimulatorControl;
using testing::LibraryPort;
using testing::PrinterScenario;
using testing::WaitUntil;

// The name the library opens: LPT1 where the platform maps it to the
// simulator's pseudo-terminal, else the pseudo-terminal's path.
std::string PortName() {
  const char* name = std::getenv("QUARVEL_LPT_NAME");
  if (name != nullptr && *name != '\0') return name;
  const char* pty = std::getenv("QUARVEL_SIM_PTY");
  return pty != nullptr ? pty : "";
}

class LptScenario : public testing::SimulatorScenario {
 protected:
  LptScenario() : SimulatorScenario(testing::kLptLibrary) {}
  void Open() { port.OpenPort(PortName(), "ignored"); }
};

TEST_F(LptScenario, ClaimWithoutMonitorWritesAndReturnsTheCount) {
  Open();
  EXPECT_EQ(port.Claim(5000, false), 0);
  EXPECT_EQ(port.WriteData("Hello LPT\n\n"), 11);  // the count, not 1
  EXPECT_TRUE(WaitUntil([&] { return sim.Receipt() == "Hello LPT\n\n"; })) << sim.Receipt();
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

void OpenLpt(LibraryPort& port, SimulatorControl&) { port.OpenPort(PortName(), "ignored"); }

INSTANTIATE_TEST_SUITE_P(Lpt, PrinterScenario,
                         ::testing::Values(testing::FrontEnd{"lpt", &testing::kLptLibrary, &OpenLpt, true, true}));

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
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // each read purges what comes after it
  uint8_t reply[256] = {};
  EXPECT_EQ(direct.ReadData(reply, 256), 1);
  EXPECT_EQ(reply[0], 0x12);
  direct.ClosePort();
  EXPECT_EQ(direct.WriteData(query, 3), 0);
}

}  // namespace
}  // namespace portlink
