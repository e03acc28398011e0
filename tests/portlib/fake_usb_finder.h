// A USB printer search the test controls: it finds the path it is given and,
// as the system's search does, probes it by opening it unshared first (where
// the device allows: a named pipe takes one client, which a probe would use up).
#pragma once

#include <atomic>
#include <mutex>
#include <optional>
#include <string>

#include "device_file.h"
#include "usb_printer_finder.h"

namespace portlink::testing {

class FakeFinder : public UsbPrinterFinder {
 public:
  struct State {
    std::mutex mutex;
    bool loads = true;
    bool probes = true;
    std::string path;  // empty: no printer
    std::atomic<int> finds{0};
    std::atomic<int> releases{0};
  };
  explicit FakeFinder(State& state, DeviceSystem* system = nullptr) : state_(state), system_(system) {}
  bool Load() override { return state_.loads; }
  void Release() override { state_.releases.fetch_add(1); }
  std::optional<std::string> Find(OsClass) override {
    state_.finds.fetch_add(1);
    std::lock_guard lock(state_.mutex);
    DeviceFile probe(system_);
    if (state_.path.empty()) return std::nullopt;
    if (state_.probes && !probe.Open(state_.path, DeviceFile::Mode::Waitable)) return std::nullopt;
    return state_.path;
  }
  bool IsPresent(OsClass) override {
    std::lock_guard lock(state_.mutex);
    return !state_.path.empty();
  }

 private:
  State& state_;
  DeviceSystem* system_;
};

}  // namespace portlink::testing
