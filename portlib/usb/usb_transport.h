// PortLinkUsb's transport: the one receipt printer attached by USB, found by
// its vendor and product whatever the port name says, driven in timed pieces.
// A failed write is handed to the port's reconnect thread, which reopens the
// printer (perhaps at another path) once it is back.
#pragma once

#include <atomic>
#include <memory>
#include <shared_mutex>

#include "clock.h"
#include "device_file.h"
#include "transport.h"
#include "usb_printer_finder.h"

namespace portlink {

class UsbTransport final : public Transport {
 public:
  // `system`: the device's system calls, scripted by a test (Windows).
  explicit UsbTransport(Clock& clock, std::unique_ptr<UsbPrinterFinder> finder = MakeUsbPrinterFinder(),
                        DeviceSystem* system = nullptr);

  bool Open(std::string_view portName, std::string_view portSettings, OsClass os) override;
  ReadOutcome Read(uint8_t* buffer, int capacity) override;
  // Print data in pieces of 1024 bytes, commands in pieces of 64.
  WriteOutcome Write(const uint8_t* data, int length, WriteKind kind) override;
  void Close() override;
  void Cancel() override;
  // Applied when the device is next opened.
  void ApplyClaimTimeout(int32_t timeoutMs) override { claimTimeout_.store(timeoutMs); }
  void Drop() override;
  bool Reopen() override;
  bool IsPrinterPresent() override;

  // The system's reason for the last failure to open, read or write.
  std::string LastErrorText() override;

 private:
  bool OpenDeviceLocked();

  Clock& clock_;
  std::unique_ptr<UsbPrinterFinder> finder_;
  // Reads and writes share the device; replacing or closing it is exclusive,
  // so no thread uses a device another has closed.
  std::shared_mutex deviceMutex_;
  DeviceFile device_;
  std::atomic<OsClass> os_{OsClass::Nt5OrLater};
  std::atomic<int32_t> claimTimeout_{0};
  std::atomic<int> processorClass_{0};
  std::atomic<bool> closing_{false};  // set by a close until the next open
};

}  // namespace portlink
