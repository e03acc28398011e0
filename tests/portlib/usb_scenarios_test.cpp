// PortLinkUsb end to end on Linux: the built library, run under umockdev's
// preload, finds the printer in a mocked sysfs whose device node is a link to
// the simulated printer's pseudo-terminal. Unplugging removes the device and
// hangs the line up; plugging in again serves a new line, perhaps as another
// lpN.
#include <gtest/gtest.h>
#include <umockdev.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "fakes.h"
#include "library_port.h"
#include "simulator_control.h"

namespace portlink {
namespace {

using quarvel::testing::SimulatorControl;
using testing::LibraryPort;
using testing::WaitUntil;

constexpr jint kNormal = 0, kOffline = 8;

// The mocked USB devices: a printer is a USB device with its vendor and
// product, its printing interface, and the usbmisc lpN node below it.
class Testbed {
 public:
  Testbed() : bed_(umockdev_testbed_new()) {}
  ~Testbed() { g_object_unref(bed_); }

  void AddPrinter(int lp, const char* vendor, const char* product, const std::string& line) {
    const std::string n = std::to_string(lp);
    const std::string usbName = "1-" + std::to_string(lp + 1);
    gchar* usb = umockdev_testbed_add_device(bed_, "usb", usbName.c_str(), nullptr, "idVendor", vendor, "idProduct",
                                             product, nullptr, "DEVTYPE", "usb_device", nullptr);
    gchar* interface = umockdev_testbed_add_device(bed_, "usb", (usbName + ":1.0").c_str(), usb, "bInterfaceClass",
                                                   "07", nullptr, "DEVTYPE", "usb_interface", nullptr);
    const std::string node = "/dev/usb/lp" + n;
    gchar* lpPath = umockdev_testbed_add_device(bed_, "usbmisc", ("lp" + n).c_str(), interface, "dev",
                                                ("180:" + n).c_str(), nullptr, "DEVNAME", node.c_str(), nullptr);
    const std::string root = umockdev_testbed_get_root_dir(bed_);
    const std::string file = root + node;
    mkdir((root + "/dev").c_str(), 0755);
    mkdir((root + "/dev/usb").c_str(), 0755);
    unlink(file.c_str());
    EXPECT_EQ(symlink(line.c_str(), file.c_str()), 0) << file << ": " << std::strerror(errno);
    devices_.push_back(lpPath);
    devices_.push_back(interface);
    devices_.push_back(usb);
  }
  void UnplugAll() {
    for (gchar* path : devices_) {
      umockdev_testbed_remove_device(bed_, path);
      g_free(path);
    }
    devices_.clear();
  }

 private:
  UMockdevTestbed* bed_;
  std::vector<gchar*> devices_;
};

class UsbScenario : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Connected()) << "run beside the simulator with --pty, under umockdev-wrapper";
    ASSERT_EQ(sim.Command("reset"), "ok");
    ASSERT_EQ(port.Error(), "");
    line = sim.StatusField("pty");
  }
  void TearDown() override {
    port.ClosePort();
    testbed.UnplugAll();
  }
  void PlugIn(int lp = 0) { testbed.AddPrinter(lp, "0525", "a700", line); }
  bool StatusBecomes(jint status) {
    return WaitUntil([&] { return port.PrinterStatus() == status; }, 8000);
  }

  SimulatorControl sim;
  Testbed testbed;
  std::string line;
  LibraryPort port{testing::kUsbLibrary};
};

TEST_F(UsbScenario, FoundWhateverThePortNameAndDrivenEndToEnd) {
  PlugIn();
  port.OpenPort("COM7", "anything");
  ASSERT_EQ(port.Claim(1000, true), 0);
  EXPECT_TRUE(StatusBecomes(kNormal));
  sim.Command("cover open");
  EXPECT_TRUE(StatusBecomes(1));
  sim.Command("cover close");
  EXPECT_TRUE(StatusBecomes(kNormal));
  std::string job;
  for (int i = 0; i < 200; ++i) job += "line " + std::to_string(i) + " of the receipt\n";
  EXPECT_EQ(port.WriteData(job), 1);
  EXPECT_EQ(port.OpenDrawer(2, 200, 400), 0);
  EXPECT_TRUE(port.WaitForCompletePrinting());
  EXPECT_EQ(sim.Receipt().substr(0, job.size()), job);
  EXPECT_TRUE(WaitUntil([&] { return sim.Command("kicks") == "kicks 1 2:200:400"; }));
  EXPECT_TRUE(WaitUntil([&] { return port.DrawerStatus() == 1; }, 8000));
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
  testbed.AddPrinter(0, "04b8", "0202", line);
  port.OpenPort("USB", "");
  EXPECT_EQ(port.Claim(1000, true), 1);
  EXPECT_EQ(port.WriteData("x"), 0);
}

TEST_F(UsbScenario, OfTwoPrintersTheLowerLpIsOpened) {
  testbed.AddPrinter(1, "0525", "a700", "/dev/null");
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

  testbed.UnplugAll();
  sim.Command("close");  // the line hangs up
  EXPECT_EQ(port.WriteData("lost\n"), 0);
  EXPECT_EQ(port.PrinterStatus(), kOffline);

  line = sim.Command("pty").substr(4);  // plugged in again, on another line and as lp1
  PlugIn(1);
  EXPECT_TRUE(StatusBecomes(kNormal));
  EXPECT_TRUE(WaitUntil([&] { return port.WriteData("after\n") == 1; }, 8000));
  EXPECT_TRUE(WaitUntil([&] { return sim.Receipt().find("after\n") != std::string::npos; })) << sim.Receipt();
}

TEST_F(UsbScenario, CloseDuringTheReconnectionIsPrompt) {
  PlugIn();
  port.OpenPort("", "");
  ASSERT_EQ(port.Claim(1000, true), 0);
  testbed.UnplugAll();
  sim.Command("close");
  EXPECT_EQ(port.WriteData("lost\n"), 0);
  std::atomic<bool> closed{false};
  std::thread closer([&] {
    port.ClosePort();
    closed.store(true);
  });
  EXPECT_TRUE(WaitUntil([&] { return closed.load(); }, 3000));
  closer.join();
  line = sim.Command("pty").substr(4);  // the next test's line
}

}  // namespace
}  // namespace portlink
