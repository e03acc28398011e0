#include <libudev.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "usb_printer_finder.h"

namespace portlink {

namespace {

constexpr const char* kVendor = "0525";
constexpr const char* kProduct = "a700";

// The kernel's usblp devices: subsystem usbmisc, named lpN, below the USB
// device whose vendor and product they carry. Each call asks udev afresh, so
// a printer unplugged and plugged in again (perhaps as another lpN) is found.
class UdevPrinterFinder final : public UsbPrinterFinder {
 public:
  bool Load() override { return true; }
  void Release() override {}

  std::optional<std::string> Find(OsClass) override {
    std::optional<std::string> best;
    long bestNumber = LONG_MAX;
    Walk([&](long number, const std::string& node, const char* vendor, const char* product) {
      if (number < bestNumber && IsOurs(vendor, product)) {
        bestNumber = number;
        best = node;
      }
    });
    return best;
  }

  std::vector<UsbPrinterEntry> List() override {
    std::vector<std::pair<long, UsbPrinterEntry>> found;
    Walk([&](long number, const std::string& node, const char* vendor, const char* product) {
      found.push_back({number, {node, vendor != nullptr ? vendor : "", product != nullptr ? product : ""}});
    });
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<UsbPrinterEntry> entries;
    for (auto& [number, entry] : found) entries.push_back(std::move(entry));
    return entries;
  }

  bool IsPresent(OsClass os) override { return Find(os).has_value(); }

 private:
  static long LpNumber(const char* name) {
    if (name == nullptr || std::strncmp(name, "lp", 2) != 0 || name[2] == '\0') return -1;
    char* end = nullptr;
    const long number = std::strtol(name + 2, &end, 10);
    return *end == '\0' ? number : -1;
  }
  static bool IsOurs(const char* vendor, const char* product) {
    return vendor != nullptr && product != nullptr && strcasecmp(vendor, kVendor) == 0 &&
           strcasecmp(product, kProduct) == 0;
  }

  // Calls `visit` with the number, node, vendor and product (none where the
  // USB device above can't be found) of every lpN of subsystem usbmisc.
  template <typename Visit>
  static void Walk(Visit visit) {
    udev* context = udev_new();
    if (context == nullptr) return;
    udev_enumerate* list = udev_enumerate_new(context);
    udev_enumerate_add_match_subsystem(list, "usbmisc");
    udev_enumerate_add_match_sysname(list, "lp*");
    udev_enumerate_scan_devices(list);
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(list)) {
      udev_device* device = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
      if (device == nullptr) continue;
      const char* name = udev_device_get_sysname(device);
      const long number = LpNumber(name);
      if (number >= 0) {
        const char* node = udev_device_get_devnode(device);
        // The USB device above the lp node: the nearest ancestor that carries a vendor and a product.
        const char* vendor = nullptr;
        const char* product = nullptr;
        for (udev_device* up = udev_device_get_parent(device); up != nullptr && vendor == nullptr;
             up = udev_device_get_parent(up)) {
          vendor = udev_device_get_sysattr_value(up, "idVendor");
          product = udev_device_get_sysattr_value(up, "idProduct");
          if (product == nullptr) vendor = nullptr;
        }
        visit(number, node != nullptr ? std::string(node) : "/dev/usb/" + std::string(name), vendor, product);
      }
      udev_device_unref(device);
    }
    udev_enumerate_unref(list);
    udev_unref(context);
  }
};

}  // namespace

std::unique_ptr<UsbPrinterFinder> MakeUsbPrinterFinder() { return std::make_unique<UdevPrinterFinder>(); }

// The printer's replies are polled: a read takes what has arrived.
int DetectProcessorClass(int) { return 0; }

}  // namespace portlink
