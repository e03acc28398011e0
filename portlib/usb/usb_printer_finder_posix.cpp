#include <libudev.h>

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
    udev* context = udev_new();
    if (context == nullptr) return std::nullopt;
    udev_enumerate* list = udev_enumerate_new(context);
    udev_enumerate_add_match_subsystem(list, "usbmisc");
    udev_enumerate_add_match_sysname(list, "lp*");
    udev_enumerate_scan_devices(list);
    std::optional<std::string> best;
    long bestNumber = LONG_MAX;
    udev_list_entry* entry;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(list)) {
      udev_device* device = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
      if (device == nullptr) continue;
      const char* name = udev_device_get_sysname(device);
      const long number = LpNumber(name);
      if (number >= 0 && number < bestNumber && IsOurPrinter(device)) {
        const char* node = udev_device_get_devnode(device);
        bestNumber = number;
        best = node != nullptr ? std::string(node) : "/dev/usb/" + std::string(name);
      }
      udev_device_unref(device);
    }
    udev_enumerate_unref(list);
    udev_unref(context);
    return best;
  }

  bool IsPresent(OsClass os) override { return Find(os).has_value(); }

 private:
  static long LpNumber(const char* name) {
    if (name == nullptr || std::strncmp(name, "lp", 2) != 0 || name[2] == '\0') return -1;
    char* end = nullptr;
    const long number = std::strtol(name + 2, &end, 10);
    return *end == '\0' ? number : -1;
  }
  // The USB device above the lp node: the nearest ancestor that carries a
  // vendor and a product.
  static bool IsOurPrinter(udev_device* device) {
    for (udev_device* up = udev_device_get_parent(device); up != nullptr; up = udev_device_get_parent(up)) {
      const char* vendor = udev_device_get_sysattr_value(up, "idVendor");
      const char* product = udev_device_get_sysattr_value(up, "idProduct");
      if (vendor != nullptr && product != nullptr) {
        return strcasecmp(vendor, kVendor) == 0 && strcasecmp(product, kProduct) == 0;
      }
    }
    return false;
  }
};

}  // namespace

std::unique_ptr<UsbPrinterFinder> MakeUsbPrinterFinder() { return std::make_unique<UdevPrinterFinder>(); }

// The printer's replies are polled: a read takes what has arrived.
int DetectProcessorClass(int) { return 0; }

}  // namespace portlink
