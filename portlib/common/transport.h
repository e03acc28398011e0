// What the frame and the status monitor ask of a library's transport. Each
// library has one real implementation per platform (usb/, tcp/, lpt/).
//
// Thread safety: Read, WriteData and WriteCommand are called from Java threads
// and the monitor thread at once; the frame serialises reads (the monitor and
// _readData share the device's input), but writes may overlap, and a
// transport that replaces its device while others use it (a reconnection)
// guards that hand-over itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>

#include "port_fields.h"
#include "port_types.h"

namespace portlink {

class Transport {
 public:
  virtual ~Transport() = default;

  // The port object's fields, which the transport reads and sets (isOpen,
  // and the status a failed write reports). Called by the port.
  void AttachFields(PortFields& fields) { fields_ = &fields; }

  // Opens the port from the two texts of _openPort; 1 opened, 0 failed. Sets
  // the port's isOpen on success.
  virtual int Open(std::string_view portName, std::string_view portSettings) = 0;
  // Reads up to `capacity` bytes; the count, 0 when nothing came or closed.
  virtual int Read(uint8_t* buffer, int capacity) = 0;
  // Writes print data; the result _writeData returns (see each library).
  virtual int WriteData(const uint8_t* data, int length) = 0;
  // Writes a short printer command; nonzero when it went out.
  virtual int WriteCommand(const uint8_t* data, int length) = 0;
  // Releases the device (the last step of the close); acts only on what exists.
  virtual void CloseDevice() = 0;
  // The claim's time-out has been stored (the parallel port applies it).
  virtual void ApplyClaimTimeout(int32_t /*timeoutMs*/) {}
  virtual OsClass GetOsClass() { return OsClass::Nt5OrLater; }

 protected:
  PortFields* fields_ = nullptr;
};

// The USB library's transport adds the device search that its monitor and
// its reconnect thread use.
class UsbTransport : public Transport {
 public:
  // 1 when the printer's USB printing interface is listed.
  virtual int IsPrinterPresent() = 0;
  // Finds and opens the printer again; 1 opened.
  virtual int OpenPrinterDevice() = 0;
  // Closes the device handle after a failed write, before the reconnection.
  virtual void DropDevice() = 0;

  // The port hands a failed write over to its reconnect thread through this.
  void SetWriteFailureHandler(std::function<void()> handler) { onWriteFailure_ = std::move(handler); }

 protected:
  void ReportWriteFailure() {
    if (onWriteFailure_) onWriteFailure_();
  }

 private:
  std::function<void()> onWriteFailure_;
};

}  // namespace portlink
