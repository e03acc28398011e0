// PortLinkUsb end to end on Linux: the built library, run under umockdev's
// preload, finds the printer among the simulator's mocked USB devices, whose
// device node is a link to the simulated printer's pseudo-terminal.
// Unplugging removes the device and hangs the line up; plugging in again
// serves a new line, perhaps as another lpN.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

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

// Beside the simulator with --pty --usb-testbed, under umockdev's preload.
class UsbScenario : public testing::SimulatorScenario {
 protected:
  UsbScenario() : SimulatorScenario(testing::kUsbLibrary) {}
  void PlugIn(int lp = 0) { ASSERT_EQ(sim.Command("usb plug " + std::to_string(lp)), "ok"); }
  void Unplug() { ASSERT_EQ(sim.Command("usb unplug"), "ok"); }
};

// Plugged in, the printer is found whatever the port name says.
void PlugInAndOpen(LibraryPort& port, SimulatorControl& sim) {
  ASSERT_EQ(sim.Command("usb plug 0"), "ok");
  port.OpenPort("COM7", "anything");
}

INSTANTIATE_TEST_SUITE_P(Usb, PrinterScenario,
                         ::testing::Values(testing::FrontEnd{"usb", &testing::kUsbLibrary, &PlugInAndOpen, false,
                                                             false}));

TEST_F(UsbScenario, AReceiptArrivesCompleteAndInOrder) {
  PlugIn();
  port.OpenPort("", "");
  ASSERT_EQ(port.Claim(1000, true), 0);
  std::string job;
  for (int i = 0; i < 200; ++i) job += "line " + std::to_string(i) + " of the receipt\n";
  EXPECT_EQ(port.WriteData(job), 1);
  EXPECT_TRUE(port.WaitForCompletePrinting());
  EXPECT_EQ(sim.Receipt(), job);
}

TEST_F(UsbScenario, ClaimWithoutStatusBackChecksReadiness) {
  PlugIn();
  port.OpenPort("", "");
  ASSERT_EQ(port.Claim(1000, false), 0);
  EXPECT_EQ(port.WriteData("plain\n"), 1);
  EXPECT_TRUE(WaitUntil([&] { return sim.Receipt() == "plain\n"; })) << sim.Receipt();
  port.ClosePort();
  sim.Command("cover open");
  port.OpenPort("", "");
  EXPECT_EQ(port.Claim(1000, false), 1);
}

TEST_F(UsbScenario, NoPrinterOrAnotherVendorsIsNotOpened) {
  port.OpenPort("USB", "");
  EXPECT_EQ(port.Claim(1000, true), 1);
  ASSERT_EQ(sim.Command("usb plug 0 04b8 0202"), "ok");
  port.OpenPort("USB", "");
  EXPECT_EQ(port.Claim(1000, true), 1);
  EXPECT_EQ(port.WriteData("x"), 0);
}

TEST_F(UsbScenario, OfTwoPrintersTheLowerLpIsOpened) {
  ASSERT_EQ(sim.Command("usb plug 1 0525 a700 /dev/null"), "ok");
  PlugIn(0);
  port.OpenPort("", "");
  EXPECT_EQ(port.WriteData("to lp0\n"), 1);
  EXPECT_TRUE(WaitUntil([&] { return sim.Receipt() == "to lp0\n"; })) << sim.Receipt();
}

TEST_F(UsbScenario, UnplugReportsOfflineAndReplugRecoversByItself) {
  PlugIn();
  port.OpenPort("", "");
  ASSERT_EQ(port.Claim(1000, true), 0);
  ASSERT_TRUE(StatusBecomes(kNormal));

  Unplug();
  EXPECT_EQ(port.WriteData("lost\n"), 0);
  EXPECT_EQ(port.PrinterStatus(), kOffline);

  sim.Command("pty");  // plugged in again, on another line and as lp1
  PlugIn(1);
  EXPECT_TRUE(StatusBecomes(kNormal));
  EXPECT_TRUE(WaitUntil([&] { return port.WriteData("after\n") == 1; }, 8000));
  EXPECT_TRUE(WaitUntil([&] { return sim.Receipt().find("after\n") != std::string::npos; })) << sim.Receipt();
}

TEST_F(UsbScenario, CloseDuringTheReconnectionIsPrompt) {
  PlugIn();
  port.OpenPort("", "");
  ASSERT_EQ(port.Claim(1000, true), 0);
  Unplug();
  EXPECT_EQ(port.WriteData("lost\n"), 0);
  std::atomic<bool> closed{false};
  std::thread closer([&] {
    port.ClosePort();
    closed.store(true);
  });
  EXPECT_TRUE(WaitUntil([&] { return closed.load(); }, 3000));
  closer.join();
  sim.Command("pty");  // the next test's line
}

}  // namespace
}  // namespace portlink
