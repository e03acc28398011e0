// Several threads call each library's entry points at once, against the
// simulated printer (TCP, and the parallel port on its pseudo-terminal) and
// a USB library that finds no printer, while a chaos thread makes the
// printer stall, drop its connections, open its cover and run out of paper.
// Records the slowest return of each entry point and compares it with the
// bound the README gives. Not a test: scripts/stress runs it, under Wine too.
//   port_stress SECONDS
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "library_port.h"
#include "simulator_control.h"

using portlink::testing::LibraryInfo;
using portlink::testing::LibraryPort;
using SteadyClock = std::chrono::steady_clock;

namespace {

// The slowest return the README allows each entry point under this load
// (jobs of at most 2 KB, claims with a time-out of 1 s), in milliseconds.
const std::map<std::string, int64_t> kBoundsMs = {
    {"openPort", 3000},       // a connect (1 s) behind a claim or a close of another thread
    {"closePort", 1000},      // ends what waits; a monitor pass ends within a slice (+ a claim ahead)
    {"claim", 3000},          // stops the earlier monitor, settles 0.5 s, checks readiness, behind an open
    {"release", 0},
    {"readData", 200},        // its read (0.1 s) behind one other read (+ an open or close ahead)
    {"writeData", 5000},      // its allowance (2.5 s), a drawer kick ahead of it, one reconnection
    {"OpenDrawer", 5000},     // the same turn as a write
    {"getPrinterStatus", 0},
    {"getCashDrawerStatus", 0},
    {"WaitForCompletePrinting", 10000},  // the printer's answer, asked again every 10 s
};

struct Slowest {
  std::mutex mutex;
  std::map<std::string, std::pair<int64_t, int64_t>> calls;  // name: count, slowest ms

  template <typename Call>
  void Time(const std::string& name, Call&& call) {
    const auto start = SteadyClock::now();
    call();
    const int64_t ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start).count();
    std::lock_guard lock(mutex);
    auto& [count, slowest] = calls[name];
    ++count;
    slowest = std::max(slowest, ms);
  }
};

struct Target {
  LibraryInfo info;
  std::string portName;
  std::string portSettings;
};

void Pause(std::mt19937& random, int maxMs) {
  std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution(0, maxMs)(random)));
}

// Five callers on one library until `stop`.
void Stress(LibraryPort& port, const Target& target, Slowest& slowest, const std::atomic<bool>& stop) {
  std::vector<std::function<void(std::mt19937&)>> callers = {
      [&](std::mt19937& r) {
        slowest.Time("openPort", [&] { port.OpenPort(target.portName, target.portSettings); });
        Pause(r, 2000);
        if (r() % 3 == 0) slowest.Time("closePort", [&] { port.ClosePort(); });
      },
      [&](std::mt19937& r) {
        slowest.Time("claim", [&] { port.Claim(1000, r() % 4 != 0); });
        Pause(r, 1500);
        if (r() % 4 == 0) slowest.Time("release", [&] { port.Release(); });
      },
      [&](std::mt19937& r) {
        const std::string job(std::uniform_int_distribution(1, 2048)(r), 'x');
        slowest.Time("writeData", [&] { port.WriteData(job + "\n"); });
        Pause(r, 40);
      },
      [&](std::mt19937& r) {
        jint count = 0;
        slowest.Time("readData", [&] { port.ReadData(count); });
        Pause(r, 20);
      },
      [&](std::mt19937& r) {
        slowest.Time("getPrinterStatus", [&] { port.PrinterStatus(); });
        slowest.Time("getCashDrawerStatus", [&] { port.DrawerStatus(); });
        if (r() % 20 == 0) slowest.Time("OpenDrawer", [&] { port.OpenDrawer(0, 100, 100); });
        if (r() % 40 == 0) slowest.Time("WaitForCompletePrinting", [&] { port.WaitForCompletePrinting(); });
        Pause(r, 50);
      },
  };
  std::vector<std::thread> threads;
  for (size_t i = 0; i < callers.size(); ++i) {
    threads.emplace_back([&, i] {
      std::mt19937 random(static_cast<unsigned>(i * 7919 + 1));
      while (!stop.load()) callers[i](random);
    });
  }
  for (std::thread& t : threads) t.join();
  port.ClosePort();
}

// The printer misbehaves now and then: pauses, resets, cover, paper, drawer.
void Chaos(quarvel::testing::SimulatorControl& printer, const std::atomic<bool>& stop) {
  const std::vector<std::vector<std::string>> episodes = {
      {"stall 300"}, {"stall 1500"}, {"drop"}, {"cover open", "cover close"}, {"paper out", "paper ok"},
      {"paper near-end", "paper ok"}, {"drawer open", "drawer close"}, {"online"}};
  std::mt19937 random(42);
  while (!stop.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution(200, 1500)(random)));
    for (const std::string& command : episodes[random() % episodes.size()]) {
      printer.Command(command, 2000);
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
  }
  printer.Command("resume", 2000);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  quarvel::testing::SimulatorControl printer;
  if (!printer.Connected()) {
    std::fprintf(stderr, "no simulated printer (run under tests/support/with_simulator.sh)\n");
    return 2;
  }
  const char* lptName = std::getenv("QUARVEL_LPT_NAME");
  const char* pty = std::getenv("QUARVEL_SIM_PTY");
  std::vector<Target> targets = {{portlink::testing::kTcpLibrary, printer.PortName(), printer.PortSettings()},
                                 {portlink::testing::kUsbLibrary, "USB", ""}};
  if (lptName != nullptr || (pty != nullptr && *pty != '\0')) {
    targets.push_back({portlink::testing::kLptLibrary, lptName != nullptr ? lptName : pty, ""});
  }

  std::atomic<bool> stop{false};
  std::vector<std::unique_ptr<LibraryPort>> ports;
  std::vector<std::unique_ptr<Slowest>> figures;
  std::vector<std::thread> runs;
  for (const Target& target : targets) {
    ports.push_back(std::make_unique<LibraryPort>(target.info));
    figures.push_back(std::make_unique<Slowest>());
    if (!ports.back()->Error().empty()) {
      std::fprintf(stderr, "%s\n", ports.back()->Error().c_str());
      return 2;
    }
  }
  for (size_t i = 0; i < targets.size(); ++i) {
    runs.emplace_back([&, i] { Stress(*ports[i], targets[i], *figures[i], stop); });
  }
  std::thread chaos([&] { Chaos(printer, stop); });
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  stop.store(true);
  const auto stopping = SteadyClock::now();
  for (std::thread& run : runs) run.join();
  chaos.join();
  const auto lastCalls = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - stopping);

  int over = 0;
  std::printf("%-12s %-24s %8s %10s %9s\n", "library", "entry point", "calls", "slowest", "bound");
  for (size_t i = 0; i < targets.size(); ++i) {
    for (const auto& [name, figure] : figures[i]->calls) {
      const int64_t bound = kBoundsMs.at(name);
      const bool overBound = figure.second > bound + 1000;
      over += overBound ? 1 : 0;
      std::printf("%-12s %-24s %8lld %7.3f s %7.3f s%s\n", targets[i].info.name, name.c_str(),
                  static_cast<long long>(figure.first), static_cast<double>(figure.second) / 1000.0, static_cast<double>(bound) / 1000.0,
                  overBound ? "  OVER (bound + 1 s)" : "");
    }
  }
  std::printf("%d seconds, %zu libraries, last calls ended %lld ms after the stop; %d over their bound + 1 s\n",
              seconds, targets.size(), static_cast<long long>(lastCalls.count()), over);
  return over == 0 ? 0 : 1;
}
