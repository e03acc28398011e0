// The scenarios every port library passes against the simulated printer: one
// table, run through each library's front end (the TCP socket, the parallel
// port's line, the mocked USB printer). Each scenario executable includes
// this once and instantiates it with its front end.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

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

// The FNV-1a (64 bit) of bytes, as the simulator's "received" gives it.
inline std::string Fnv1a64(const std::string& bytes) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (unsigned char c : bytes) hash = (hash ^ c) * 0x100000001B3ull;
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

// A receipt of `size` bytes in lines, so that a duplicate or a gap shows.
inline std::string ReceiptOf(size_t size) {
  std::string job;
  for (int line = 0; job.size() < size; ++line) job += "receipt line " + std::to_string(line) + "\n";
  job.resize(size);
  return job;
}

inline int64_t MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

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

// A printer that pauses mid-job (a cut, a logo) or reads slowly is no lost
// printer: the job is answered as written, and every byte arrives once.
TEST_P(PrinterScenario, PausesAndASlowPrinterGetEveryByteOnce) {
  Open();  // no monitor: the printer receives the jobs alone
  struct Case {
    int pauseMs;  // 0: no pause, the steady rate alone
    int rate;
    size_t bytes;
  };
  std::string all;  // what the printer should have received, once
  for (const Case& c : {Case{150, 400000, 200000}, Case{300, 400000, 200000}, Case{0, 100000, 100000}}) {
    const std::string job = ReceiptOf(c.bytes);
    sim.Command("rate " + std::to_string(c.rate));
    jint result = -1;
    std::thread writer([&] { result = port.WriteData(job); });
    if (c.pauseMs > 0) {
      sim.Command("wait-bytes " + std::to_string(all.size() + c.bytes / 4) + " 20000");
      sim.Command("stall " + std::to_string(c.pauseMs));
    }
    writer.join();
    all += job;
    EXPECT_EQ(result, AllWritten(job)) << "pause " << c.pauseMs << " ms, rate " << c.rate;
    const std::string total = std::to_string(all.size());
    EXPECT_EQ(sim.Command("wait-bytes " + total + " 20000"), "received " + total);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // anything sent twice would arrive by now
  const std::string received = sim.Command("received");
  EXPECT_NE(received.find("received " + std::to_string(all.size()) + " "), std::string::npos) << received;
  EXPECT_NE(received.find("last_fnv1a64=" + Fnv1a64(all)), std::string::npos) << received;
  EXPECT_EQ(port.PrinterStatus(), 0);
  if (std::string(GetParam().name) == "tcp") {
    EXPECT_EQ(sim.StatusField("accepted"), "1");  // one connection
  }
}

// A close ends a write to a printer that stopped reading at once; the write
// returns what went out, and nothing waits for the printer.
TEST_P(PrinterScenario, ACloseEndsAPendingWriteAtOnce) {
  Open();
  ASSERT_EQ(port.Claim(1000, true), 0);
  sim.Command("stall");
  const std::string job = ReceiptOf(4u << 20);  // more than every buffer on the way holds
  std::atomic<bool> returned{false};
  jint result = -1;
  std::thread writer([&] {
    result = port.WriteData(job);
    returned.store(true);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  ASSERT_FALSE(returned.load()) << "the write did not wait for the stalled printer";
  const auto started = std::chrono::steady_clock::now();
  port.ClosePort();
  const int64_t closeMs = MillisecondsSince(started);
  EXPECT_TRUE(WaitUntil([&] { return returned.load(); }, 2000));
  writer.join();
  EXPECT_LT(closeMs, 1500) << "the close waited behind the write";  // 100 ms and the monitor's join, with room
  EXPECT_LT(result, AllWritten(job));
  std::printf("[ %s ] close during a stalled write took %lld ms\n", GetParam().name, static_cast<long long>(closeMs));
  sim.Command("resume");
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
