// A transport that finds no device: every open fails, so each entry point
// gives the results of a closed port. Stands in for a library's transport on
// a platform where it has none.
#pragma once

#include "transport.h"

namespace portlink {

class ClosedTransport : public UsbTransport {
 public:
  int Open(std::string_view, std::string_view) override { return 0; }
  int Read(uint8_t*, int) override { return 0; }
  int WriteData(const uint8_t*, int) override { return 0; }
  int WriteCommand(const uint8_t*, int) override { return 0; }
  void CloseDevice() override {}
  int IsPrinterPresent() override { return 0; }
  int OpenPrinterDevice() override { return 0; }
  void DropDevice() override {}
};

}  // namespace portlink
