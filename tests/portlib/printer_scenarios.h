// The scenarios every port library passes against the simulated printer: one
// table, run through each library's front end (the TCP socket, the parallel
// port's line, the mocked USB printer). Each scenario executable includes
// this once and instantiates it with its front end.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fakes.h"
#include "library_port.h"
#include "simulator_control.h"

namespace portlink::testing {

struct FrontEnd {
  const char* name;
  const LibraryInfo* library;
  // Opens the port on the simulated printer, after plugging it in where needed.
  void (*open)(LibraryPort& port, quarvel::testing::SimulatorControl& sim);
  bool writeReturnsCount;  // _writeData answers with the bytes written, not 1
  bool reportsNearEnd;     // the monitor tells paper near its end from a clean block
};

inline void PrintTo(const FrontEnd& front, std::ostream* os) { *os << front.name; }

// A library's port beside a fresh simulated printer: reset before each
// scenario, the port closed after it.
class SimulatorScenario : public ::testing::Test {
 protected:
  explicit SimulatorScenario(const LibraryInfo& library) : port(library) {}
  void SetUp() override {
    ASSERT_TRUE(sim.Connected()) << "run beside the simulator (tests/support/with_simulator.sh)";
    ASSERT_EQ(sim.Command("reset"), "ok");
    ASSERT_EQ(port.Error(), "");
  }
  void TearDown() override { port.ClosePort(); }
  bool StatusBecomes(jint status) {
    return WaitUntil([&] { return port.PrinterStatus() == status; });
  }
  bool DrawerBecomes(jint status) {
    return WaitUntil([&] { return port.DrawerStatus() == status; });
  }

  quarvel::testing::SimulatorControl sim;
  LibraryPort port;
};

class PrinterScenario : public SimulatorScenario, public ::testing::WithParamInterface<FrontEnd> {
 protected:
  PrinterScenario() : SimulatorScenario(*GetParam().library) {}
  void Open() { GetParam().open(port, sim); }
  jint AllWritten(const std::string& bytes) const {
    return GetParam().writeReturnsCount ? static_cast<jint>(bytes.size()) : 1;
  }
};

TEST_P(PrinterScenario, StatusChangesReachTheGetters) {
  Open();
  ASSERT_EQ(port.Claim(1000, true), 0);
  EXPECT_TRUE(StatusBecomes(0));
  EXPECT_TRUE(DrawerBecomes(0));
  sim.Command("cover open");
  EXPECT_TRUE(StatusBecomes(1));
  sim.Command("cover close");
  EXPECT_TRUE(StatusBecomes(0));
  if (GetParam().reportsNearEnd) {
    sim.Command("paper near-end");
    EXPECT_TRUE(StatusBecomes(16));
  }
  sim.Command("paper out");
  EXPECT_TRUE(StatusBecomes(2));
  sim.Command("paper ok");
  EXPECT_TRUE(StatusBecomes(0));
  sim.Command("drawer open");
  EXPECT_TRUE(DrawerBecomes(1));
  sim.Command("drawer close");
  EXPECT_TRUE(DrawerBecomes(0));
}

TEST_P(PrinterScenario, DrawerKickReachesThePrinter) {
  Open();
  ASSERT_EQ(port.Claim(1000, true), 0);
  EXPECT_EQ(port.OpenDrawer(2, 200, 400), 0);
  EXPECT_EQ(port.OpenDrawer(5, 100, 100), 0);
  EXPECT_EQ(port.OpenDrawer(4, 100, 100), 1);
  EXPECT_TRUE(WaitUntil([&] { return sim.Command("kicks") == "kicks 2 2:200:400 5:100:100"; }))
      << sim.Command("kicks");
  EXPECT_TRUE(DrawerBecomes(1));  // opened by the kick
  EXPECT_TRUE(DrawerBecomes(0));  // and pushed shut
}

TEST_P(PrinterScenario, CompletionWaitSeesTheReply) {
  Open();
  ASSERT_EQ(port.Claim(1000, true), 0);
  EXPECT_EQ(port.WriteData("Total 12.50\n"), AllWritten("Total 12.50\n"));
  EXPECT_TRUE(port.WaitForCompletePrinting());
  EXPECT_NE(sim.Receipt().find("Total 12.50"), std::string::npos);
}

TEST_P(PrinterScenario, ReadDataDeliversTheReply) {
  Open();
  ASSERT_EQ(port.WriteData("\x10\x04\x02"), AllWritten("\x10\x04\x02"));
  jint count = 0;
  std::vector<jbyte> bytes;
  ASSERT_TRUE(WaitUntil([&] {
    bytes = port.ReadData(count);
    return count > 0;
  }));
  EXPECT_EQ(count, 1);
  EXPECT_EQ(bytes[0], 0x12);
}

}  // namespace portlink::testing
