#include "printer_check.h"

#include <chrono>
#include <thread>

#include "lpt_device_name.h"
#include "socket_port_name.h"
#include "lpt_policy.h"
#include "lpt_transport.h"
#include "tcp_policy.h"
#include "tcp_transport.h"
#include "usb_policy.h"
#include "usb_transport.h"

namespace portlink {

namespace {
constexpr int kClaimTimeoutMs = 1000;
constexpr int kStatusPollMs = 10;

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if ((text[i] | 0x20) != (prefix[i] | 0x20)) return false;
  }
  return true;
}
}  // namespace

// The TCP library's own reading of the name decides, so check picks it
// exactly where the Java service would reach a printer through it.
PortLibrary LibraryFor(std::string_view portName) {
  if (!ParseSocketPortName(portName, "").address.empty()) return PortLibrary::Tcp;
  if (StartsWithIgnoringCase(portName, "USB") && portName.size() == 3) return PortLibrary::Usb;
  if ((StartsWithIgnoringCase(portName, "LPT") && portName.size() == 4) || portName.starts_with('/')) {
    return PortLibrary::Parallel;
  }
  return PortLibrary::None;
}

const char* LibraryName(PortLibrary library) {
  switch (library) {
    case PortLibrary::Tcp: return "PortLinkTcp";
    case PortLibrary::Parallel: return "PortLinkLpt";
    case PortLibrary::Usb: return "PortLinkUsb";
    case PortLibrary::None: break;
  }
  return "none";
}

std::string StatusName(int32_t printerStatus) {
  switch (printerStatus) {
    case kNormal: return "Normal";
    case kCoverOpen: return "cover open";
    case kPaperEmpty: return "paper empty";
    case kPaperNearEnd: return "paper near end";
    case kOffline: return "offline";
    default: return "status " + std::to_string(printerStatus);
  }
}

PrinterCheck::PrinterCheck(PortLibrary library) : library_(library) {
  switch (library) {
    case PortLibrary::Usb:
      transport_ = std::make_unique<UsbTransport>(clock_);
      port_ = std::make_unique<Port>(kUsbPolicy, *transport_, clock_);
      break;
    case PortLibrary::Parallel:
      transport_ = std::make_unique<LptTransport>(clock_);
      port_ = std::make_unique<Port>(kLptPolicy, *transport_, clock_);
      break;
    case PortLibrary::Tcp:
    case PortLibrary::None:
      transport_ = std::make_unique<TcpTransport>();
      port_ = std::make_unique<Port>(kTcpPolicy, *transport_, clock_);
      break;
  }
}

PrinterCheck::~PrinterCheck() { port_->ClosePort(); }

std::string PrinterCheck::OpenFailure(std::string_view portName, std::string_view portSettings) {
  const std::string reason = transport_->LastErrorText();
  std::optional<std::string> device;
  switch (library_) {
    case PortLibrary::Tcp: {
      const SocketAddress target = ParseSocketPortName(portName, portSettings);
      return reason + " (" + target.address + " port " + std::to_string(target.port) + ")";
    }
    case PortLibrary::Usb:
      device = MakeUsbPrinterFinder()->Find(GetOsClass());
      if (!device) return "no USB printer found (USB vendor 0525, product A700)";
      break;
    case PortLibrary::Parallel: device = ParallelDevicePath(portName); break;
    case PortLibrary::None: return reason;
  }
  const std::string hint = device ? AccessHint(*device) : "";
  return reason + (device ? " (" + *device + ")" : "") + (hint.empty() ? "" : "; " + hint);
}

bool PrinterCheck::Open(std::string_view portName, std::string_view portSettings) {
  port_->OpenPort(portName, portSettings);
  return port_->Fields().isOpen.load() == 1;
}

std::optional<int32_t> PrinterCheck::ClaimAndReadStatus(int timeoutMs) {
  const uint32_t before = port_->Fields().statusReports.load();
  if (port_->Claim(kClaimTimeoutMs, true) != 0) return std::nullopt;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (port_->Fields().statusReports.load() == before) {
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(kStatusPollMs));
  }
  return port_->PrinterStatus();
}

bool PrinterCheck::Write(std::span<const uint8_t> bytes) {
  const int length = static_cast<int>(bytes.size());
  const int written = port_->WriteData(bytes.data(), length);
  return port_->Policy().writeReturnsCount ? written == length : written == 1;
}

}  // namespace portlink
