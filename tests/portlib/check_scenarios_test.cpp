// quarvel-cli check against the simulated printer through each front end
// (TCP; the pseudo-terminal as a parallel port, as LPT1 under Wine; a mocked
// USB printer under umockdev): a ready printer, a
// cover open, paper out, the test receipt and the kick, --watch; then the
// ports that can't be opened, each with its reason and exit status.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "check_command.h"
#include "quarvel_cli.h"
#include "simulator_control.h"
#include "temp_dir.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace quarvel {
namespace {

using testing::SimulatorControl;

struct CliRun {
  int exit;
  std::string out;  // stdout and stderr
};

CliRun Cli(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int exit = RunQuarvelCli(args, out, err);
  return {exit, out.str() + err.str()};
}

// A jpos.xml with the printer on `port` (the writer's name) and a drawer on
// pin 5, 100 ms on, 300 ms off; `portName` replaces the written port name.
std::string ConfigFile(const std::string& dir, const std::vector<std::string>& printer, const std::string& portName = "") {
  const std::string file = dir + "/jpos.xml";
  std::vector<std::string> args = {"write", file, "--drawer-pin", "5", "--drawer-pulse-on", "100",
                                   "--drawer-pulse-off", "300"};
  args.insert(args.end(), printer.begin(), printer.end());
  EXPECT_EQ(Cli(args).exit, 0);
  if (portName.empty()) return file;
  std::ifstream in(file);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  const size_t at = text.find("value=\"LPT1\"");
  text.replace(at, 12, "value=\"" + portName + "\"");
  std::ofstream(file, std::ios::trunc) << text;
  return file;
}

struct FrontEnd {
  const char* name;
  std::vector<std::string> printer;  // write options
  std::string portName;              // written over LPT1 when set
};

// Under umockdev only the mocked USB printer (its preload keeps the
// pseudo-terminal's own path from the port); elsewhere TCP and the parallel port.
std::vector<FrontEnd> FrontEnds(SimulatorControl& sim) {
  if (std::getenv("UMOCKDEV_DIR") != nullptr) {
    if (sim.Command("usb plug 0") != "ok") return {};
    return {{"USB", {"--printer-port", "USB"}, ""}};
  }
  std::vector<FrontEnd> fronts = {
      {"TCP", {"--printer-port", "TCP/IP", "--printer-ip", "127.0.0.1", "--printer-tcp-port",
               std::to_string(sim.PrinterPort())}, ""}};
  const char* lpt = std::getenv("QUARVEL_LPT_NAME");
  const char* pty = std::getenv("QUARVEL_SIM_PTY");
  if (lpt != nullptr && *lpt != '\0') fronts.push_back({"LPT1", {"--printer-port", "LPT1"}, ""});
  else if (pty != nullptr && *pty != '\0') fronts.push_back({"parallel", {"--printer-port", "LPT1"}, pty});
  return fronts;
}

// The printer as it was: cover closed, paper in, drawer closed (what it
// printed stays: a clear would also cut the pseudo-terminal's link off).
void Reset(SimulatorControl& sim) {
  for (const char* command : {"cover close", "paper ok", "drawer close"}) sim.Command(command);
}

TEST(CheckCommand, EachFrontEndReportsWhatThePrinterSays) {
  SimulatorControl sim;
  ASSERT_TRUE(sim.Connected());
  testing::TempDir dir;
  const std::string root = dir.Path().string();
  struct Case {
    const char* what;
    std::vector<std::string> printer;  // simulator commands first
    std::vector<std::string> options;
    int exit;
    std::vector<std::string> says;
  };
  const std::vector<Case> cases = {
      {"ready", {}, {}, kCheckReady, {"status=Normal", "verdict=ready"}},
      {"cover open", {"cover open"}, {}, kCheckNotReady, {"status=cover open", "not ready: cover open"}},
      {"paper out", {"paper out"}, {}, kCheckNotReady, {"status=paper empty"}},
      {"test receipt and kick", {}, {"--print-test", "--kick"}, kCheckReady,
       {"printTest=printed", "kick=sent pin 5, 100 ms on, 300 ms off", "the sensor changed"}},
  };
  for (const FrontEnd& front : FrontEnds(sim)) {
    const std::string file = ConfigFile(root, front.printer, front.portName);
    // --watch sees the cover open and close. First: what a closed USB port
    // leaves queued (status blocks of every change since) slows the monitor's
    // first passes.
    Reset(sim);
    std::thread printer([&] {
      // Apart by more than a monitor pass, which reports the last status it
      // read (the USB monitor's pass pauses a second for each drawer change).
      std::this_thread::sleep_for(std::chrono::milliseconds(1000));
      sim.Command("cover open");
      std::this_thread::sleep_for(std::chrono::milliseconds(3000));
      sim.Command("cover close");
    });
    const CliRun watched = Cli({"check", file, "--watch", "7"});
    printer.join();
    const size_t opened = watched.out.find("status=cover open", watched.out.find("watch="));
    EXPECT_NE(opened, std::string::npos) << front.name << "\n" << watched.out;
    EXPECT_NE(watched.out.find("status=Normal", opened), std::string::npos) << front.name << "\n" << watched.out;
    for (const Case& c : cases) {
      Reset(sim);
      for (const std::string& command : c.printer) sim.Command(command);
      std::vector<std::string> args = {"check", file};
      args.insert(args.end(), c.options.begin(), c.options.end());
      const CliRun run = Cli(args);
      EXPECT_EQ(run.exit, c.exit) << front.name << ", " << c.what << "\n" << run.out;
      for (const std::string& text : c.says) {
        EXPECT_NE(run.out.find(text), std::string::npos) << front.name << ", " << c.what << ": " << text << "\n" << run.out;
      }
    }
    EXPECT_NE(sim.Receipt().find("Quarvel test receipt"), std::string::npos) << front.name;
    EXPECT_NE(sim.Receipt().find("@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_\n`abcdefghijklmnopqrstuvwxyz{|}~"),
              std::string::npos) << front.name << "\n" << sim.Receipt();
    EXPECT_NE(sim.Receipt().find("cut"), std::string::npos) << front.name;
    EXPECT_NE(sim.Command("kicks").find("5:100:300"), std::string::npos) << front.name;
  }
}

// discover: the mocked USB printers (ours marked), LPT1 under Wine, and
// the probes: the simulated printer answers as a printer, a closed port refuses.
TEST(CheckCommand, DiscoverListsWhatThisMachineReaches) {
  SimulatorControl sim;
  ASSERT_TRUE(sim.Connected());
  const bool usb = std::getenv("UMOCKDEV_DIR") != nullptr;
  if (usb) {
    sim.Command("usb unplug");  // what an earlier test plugged in
    ASSERT_EQ(sim.Command("usb plug 0"), "ok");
    ASSERT_EQ(sim.Command("usb plug 1 04b8 0202"), "ok");
  }
  const std::string printer = "127.0.0.1:" + std::to_string(sim.PrinterPort());
  const CliRun run = Cli({"discover", "--probe", printer, "--probe", "127.0.0.1:1"});
  EXPECT_EQ(run.exit, 0) << run.out;
  std::vector<std::string> says = {
      "probe address=127.0.0.1 port=" + std::to_string(sim.PrinterPort()) + " listening=yes escpos=yes status=0x",
      "probe address=127.0.0.1 port=1 listening=no reason="};
  if (usb) {
    says.push_back("usb path=/dev/usb/lp0 vendor=0525 product=a700 opens=yes\n");
    says.push_back("usb path=/dev/usb/lp1 vendor=04b8 product=0202 opens=no\n");
  }
  if (std::getenv("QUARVEL_LPT_NAME") != nullptr) says.push_back("parallel path=LPT1\n");
  for (const std::string& text : says) EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
}

TEST(CheckCommand, APortThatCantBeOpenedSaysWhy) {
  testing::TempDir dir;
  const std::string root = dir.Path().string();
  const std::string nothing = ConfigFile(root, {"--printer-port", "TCP/IP", "--printer-ip", "127.0.0.1",
                                                      "--printer-tcp-port", "1"});
  CliRun run = Cli({"check", nothing});
  EXPECT_EQ(run.exit, kCheckNotOpened) << run.out;
  EXPECT_NE(run.out.find("could not open SOCKET:127.0.0.1: "), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("(127.0.0.1 port 1)"), std::string::npos) << run.out;

  run = Cli({"check", ConfigFile(root, {"--printer-port", "COM3"})});
  EXPECT_EQ(run.exit, kCheckNotOpened);
  EXPECT_NE(run.out.find("COM3: no port library of this system serves this port"), std::string::npos) << run.out;

  EXPECT_EQ(Cli({"check", root + "/missing.xml"}).exit, kCheckBadInput);

#ifndef _WIN32
  // A device node the user may not open: the system's reason and the group to join.
  const char* pty = std::getenv("QUARVEL_SIM_PTY");
  if (geteuid() != 0 || pty == nullptr || *pty == '\0') GTEST_SKIP() << "needs root and the printer's pseudo-terminal";
  const std::string file = ConfigFile(root, {"--printer-port", "LPT1"}, pty);
  // A copy of the program user nobody can reach, wherever the build is.
  const std::string command = "cp " + std::string(QUARVEL_CLI) + " " + root + "/quarvel-cli && chmod a+rx " + root +
                              " " + root + "/quarvel-cli && chmod a+r " + file + " && runuser -u nobody -- " + root +
                              "/quarvel-cli check " + file + " > " + root + "/out 2>&1";
  EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), kCheckNotOpened);
  std::ifstream in(root + "/out");
  const std::string said((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(said.find("Permission denied"), std::string::npos) << said;
  EXPECT_NE(said.find("the device belongs to group "), std::string::npos) << said;
#endif
}

}  // namespace
}  // namespace quarvel
