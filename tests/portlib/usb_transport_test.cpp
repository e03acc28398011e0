// The USB transport under the port, with a finder the test controls and the
// printer on a device line: pieces reach the printer, a second open keeps the
// printer, a printer that stops taking data fails the write within its
// allowance and, once claimed, hands the device to the reconnection, which
// finds the printer again.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "device_line.h"
#include "fake_usb_finder.h"
#include "fakes.h"
#include "port.h"
#include "usb_policy.h"
#include "usb_transport.h"

namespace portlink {
namespace {

using testing::FakeFinder;
using testing::WaitUntil;

struct UsbRig {
  UsbRig() : transport(clock, std::make_unique<FakeFinder>(printer)), port(kUsbPolicy, transport, clock) {
#ifdef _WIN32
    printer.probes = false;  // the line is a named pipe; the scripted device shows the probe on Windows
#endif
  }
  FakeFinder::State printer;
  SystemClock clock;
  UsbTransport transport;
  Port port;
};

TEST(UsbTransport, NoEnumerationOrNoPrinterOpensNothing) {
  UsbRig rig;
  rig.printer.loads = false;
  rig.port.OpenPort("", "");
  EXPECT_EQ(rig.port.Claim(0, true), 1);
  rig.printer.loads = true;
  const int releases = rig.printer.releases.load();
  rig.port.OpenPort("", "");
  EXPECT_EQ(rig.port.Claim(0, true), 1);
  EXPECT_GT(rig.printer.releases.load(), releases);  // what the search loaded is given back
}

TEST(UsbTransport, WritesReachThePrinterInPieces) {
  testing::DeviceLine line;
  UsbRig rig;
  rig.printer.path = line.Path();
  rig.port.OpenPort("ignored", "");
#ifndef _WIN32  // a named pipe can't be opened again; the scripted device shows it on Windows
  rig.port.OpenPort("again", "");  // the search must not take our own handle for another program's
  ASSERT_EQ(rig.port.Fields().isOpen.load(), 1);
#endif
  std::string job;
  for (int i = 0; job.size() < 2500; ++i) job += "row " + std::to_string(i) + "\n";
  job.resize(2500);  // 1024, 1024 and 452
  std::string received;
  std::thread printer([&] {
    WaitUntil([&] {
      received += line.Receive();
      return received.size() >= job.size();
    });
  });
  EXPECT_EQ(rig.port.WriteData(reinterpret_cast<const uint8_t*>(job.data()), int(job.size())), 1);
  printer.join();
  EXPECT_EQ(received, job);
  const uint8_t nothing = 0;
  EXPECT_EQ(rig.port.WriteData(&nothing, 0), 1);
}

TEST(UsbTransport, AStalledPrinterFailsTheWriteAndTheReconnectionFindsItAgain) {
  auto line = std::make_unique<testing::DeviceLine>();  // never read: it fills up
  UsbRig rig;
  rig.printer.path = line->Path();
  rig.port.OpenPort("", "");
  const std::string piece(1024, 'x');  // 1.5 s allowed for each
  int result = 1;
  for (int i = 0; result == 1 && i < 1000; ++i) {
    result = rig.port.WriteData(reinterpret_cast<const uint8_t*>(piece.data()), int(piece.size()));
  }
  EXPECT_EQ(result, 0);
  // Before a claim the device is kept: nothing to reconnect.
  EXPECT_EQ(rig.port.PrinterStatus(), kNormal);
  EXPECT_EQ(rig.printer.finds.load(), 1);
  ASSERT_EQ(rig.port.Claim(0, true), 0);
  {
    std::lock_guard lock(rig.printer.mutex);
    rig.printer.path.clear();  // the search finds it no more
  }
  EXPECT_EQ(rig.port.WriteData(reinterpret_cast<const uint8_t*>(piece.data()), int(piece.size())), 0);
  EXPECT_EQ(rig.port.PrinterStatus(), kOffline);
  EXPECT_EQ(rig.port.Fields().connected.load(), 0);

  auto back = std::make_unique<testing::DeviceLine>();  // plugged in again
  {
    std::lock_guard lock(rig.printer.mutex);
    rig.printer.path = back->Path();
  }
  EXPECT_TRUE(WaitUntil([&] { return rig.port.Fields().connected.load() == 1; }));
  const std::string after = "after\n";
  EXPECT_EQ(rig.port.WriteData(reinterpret_cast<const uint8_t*>(after.data()), int(after.size())), 1);
  EXPECT_TRUE(WaitUntil([&] { return back->Receive() == after; }));
  rig.port.ClosePort();
}

}  // namespace
}  // namespace portlink
