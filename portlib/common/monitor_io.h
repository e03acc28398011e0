// The port as its status monitor and readiness check see it: reads that take
// turns with _readData, and commands through the port's write path (with its
// recovery), so the state a read or a write reports is applied in one place.
#pragma once

#include <cstdint>
#include <span>

namespace portlink {

class MonitorIo {
 public:
  virtual ~MonitorIo() = default;
  // Reads up to `capacity` bytes; `elapsedMs` is the time of the read itself,
  // not of the wait for its turn.
  virtual int Read(uint8_t* buffer, int capacity, int64_t& elapsedMs) = 0;
  // True when the command went out.
  virtual bool WriteCommand(std::span<const uint8_t> command) = 0;
  // The same, but while another write is under way nothing is sent: true
  // then too, since that write reports for the printer.
  virtual bool WriteCommandUnlessBusy(std::span<const uint8_t> command) = 0;
  virtual bool IsPrinterPresent() = 0;
};

}  // namespace portlink
