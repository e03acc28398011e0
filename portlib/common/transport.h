// What the frame asks of a library's transport: one device (or connection)
// opened, read, written and closed. A transport only reports what happened;
// the port applies the state changes (isOpen, printerStatus, statusRequest).
//
// Thread safety: Read and Write are called from Java threads and the monitor
// thread at once; the port serialises reads with reads and writes with
// writes, but a read and a write may overlap each other and a Close or Drop.
// A transport that replaces its device guards that hand-over itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "port_types.h"

namespace portlink {

struct ReadOutcome {
  int count = 0;      // bytes read; 0 when nothing came
  bool lost = false;  // the connection ended (the printer closed it)
  // Nothing came before the read's own time-out ran out, or nothing was
  // queued: an idle printer, not a slow one.
  bool idle = false;
};

struct WriteOutcome {
  int written = 0;      // bytes the device took
  bool failed = false;  // the device refused or lost a write, or its time ran out (a retry may still have finished it)
  // Why it failed, where the transport can tell:
  bool lost = false;       // the connection ended, so what it took may never reach the printer
  bool cancelled = false;  // a close ended the write; nobody is to recover it
};

// Print data goes out in large pieces, the short printer commands in small ones.
enum class WriteKind { Data, Command };

class Transport {
 public:
  virtual ~Transport() = default;

  // Opens the port from the two texts of _openPort on a system of class
  // `os` (which may choose how the device is driven); an open device is kept.
  virtual bool Open(std::string_view portName, std::string_view portSettings, OsClass os) = 0;
  // Reads up to `capacity` bytes.
  virtual ReadOutcome Read(uint8_t* buffer, int capacity) = 0;
  virtual WriteOutcome Write(const uint8_t* data, int length, WriteKind kind) = 0;
  // Releases the device; the last step of the close. Acts only on what exists.
  virtual void Close() = 0;
  // The first step of the close: reads, writes and connects in progress on
  // other threads end within a moment (a write with what went out), and
  // nothing reopens the device, until the next Open.
  virtual void Cancel() {}

  // The claim's time-out, stored by every claim.
  virtual void ApplyClaimTimeout(int32_t /*timeoutMs*/) {}
  // For ports that recover a lost device: close it but keep what reopening
  // needs; open it again as the last Open did.
  virtual void Drop() {}
  virtual bool Reopen() { return false; }
  // Whether the printer is attached at all (a USB device that was unplugged).
  virtual bool IsPrinterPresent() { return true; }
  // The system's reason for the last failure to open, read or write; empty when it has none.
  virtual std::string LastErrorText() { return {}; }
};

}  // namespace portlink
