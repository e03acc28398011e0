// One printer reached as the JavaPOS service reaches it, without a JVM: the
// library's port object over its transport, the very code behind the JNI
// entry points. For tools that check a till (quarvel-cli check).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "clock.h"
#include "port.h"
#include "transport.h"

namespace portlink {

enum class PortLibrary { None, Tcp, Parallel, Usb };

// The library that serves a port name of the configuration file: "SOCKET:…"
// PortLinkTcp, "LPTn" or a device path PortLinkLpt, "USB" PortLinkUsb; a
// serial port (or anything else) none.
PortLibrary LibraryFor(std::string_view portName);
const char* LibraryName(PortLibrary library);
// "Normal", "cover open", "paper empty", "paper near end", "offline".
std::string StatusName(int32_t printerStatus);

// Linux: for a device node the user may not open, the group that may, and
// how to join it; otherwise (and on Windows) empty.
std::string AccessHint(const std::string& devicePath);

class PrinterCheck {
 public:
  explicit PrinterCheck(PortLibrary library);
  ~PrinterCheck();
  PrinterCheck(const PrinterCheck&) = delete;
  PrinterCheck& operator=(const PrinterCheck&) = delete;

  // _openPort: true when the port opened.
  bool Open(std::string_view portName, std::string_view portSettings);
  // Why the open failed, as a technician reads it: the system's reason, the
  // address or device, and for a device the user may not open, its group.
  std::string OpenFailure(std::string_view portName, std::string_view portSettings);
  // _claim with status back, then the first status the monitor reads within
  // `timeoutMs`; none when the printer said nothing.
  std::optional<int32_t> ClaimAndReadStatus(int timeoutMs);
  int32_t Status() const { return port_->PrinterStatus(); }
  int32_t Drawer() const { return port_->DrawerStatus(); }
  // _writeData: true when the printer took every byte.
  bool Write(std::span<const uint8_t> bytes);
  // _WaitForCompletePrinting.
  bool WaitForCompletion() { return port_->WaitForCompletePrinting(); }
  // _OpenDrawer: true when the kick was sent.
  bool Kick(int64_t pin, int64_t onMs, int64_t offMs) { return port_->OpenDrawer(pin, onMs, offMs) == kDrawerKickSent; }
  void Close() { port_->ClosePort(); }

 private:
  PortLibrary library_;
  SystemClock clock_;
  std::unique_ptr<Transport> transport_;
  std::unique_ptr<Port> port_;
};

}  // namespace portlink
