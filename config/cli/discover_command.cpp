#include "discover_command.h"

#include <cstdint>

#include "check_command.h"
#include "lpt_device_name.h"
#include "os_class.h"
#include "printer_probe.h"
#include "usb_printer_finder.h"

namespace quarvel {

namespace {

constexpr uint16_t kDefaultPrinterPort = 9100;

struct Target {
  std::string address;
  uint16_t port = kDefaultPrinterPort;
};

bool ParseTarget(const std::string& text, Target& target) {
  const size_t colon = text.find(':');
  target.address = text.substr(0, colon);
  if (colon == std::string::npos) return !target.address.empty();
  const std::string port = text.substr(colon + 1);
  if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return false;
  const int number = std::stoi(port);
  if (number < 1 || number > 65535) return false;
  target.port = static_cast<uint16_t>(number);
  return !target.address.empty();
}

void ListUsbPrinters(std::ostream& out) {
  const std::unique_ptr<portlink::UsbPrinterFinder> finder = portlink::MakeUsbPrinterFinder();
  if (!finder->Load()) {
    out << "usb error=the USB printer enumeration can't be had\n";
    return;
  }
  const std::optional<std::string> picked = finder->Find(portlink::GetOsClass());
  for (const portlink::UsbPrinterEntry& printer : finder->List()) {
    const bool ours = picked && picked->rfind(printer.path, 0) == 0;
    out << "usb path=" << printer.path << " vendor=" << printer.vendor << " product=" << printer.product
        << " opens=" << (ours ? "yes" : "no") << "\n";
  }
  finder->Release();
}

}  // namespace

int RunDiscover(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::vector<Target> probes;
  for (size_t i = 1; i < args.size(); i += 2) {  // each --probe with its value
    Target target;
    if (args[i] != "--probe" || i + 1 >= args.size() || !ParseTarget(args[i + 1], target)) {
      err << "quarvel-cli: discover takes --probe HOST[:PORT] only (see quarvel-cli --help)\n";
      return kCheckBadInput;
    }
    probes.push_back(target);
  }
  ListUsbPrinters(out);
  for (const std::string& port : portlink::ParallelPortsPresent()) out << "parallel path=" << port << "\n";
  for (const Target& target : probes) {
    const portlink::ProbeResult probe = portlink::ProbeEscposPrinter(target.address, target.port);
    out << "probe address=" << target.address << " port=" << target.port
        << " listening=" << (probe.listening ? "yes" : "no");
    if (!probe.listening) out << " reason=" << probe.reason;
    if (probe.listening) out << " escpos=" << (probe.escpos ? "yes" : "no");
    if (probe.statusByte >= 0) {
      static const char kHex[] = "0123456789abcdef";
      out << " status=0x" << kHex[probe.statusByte >> 4] << kHex[probe.statusByte & 0xF];
    }
    out << "\n";
  }
  return 0;
}

}  // namespace quarvel
