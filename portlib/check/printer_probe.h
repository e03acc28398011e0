// Whether something listens at an address and answers a real-time status
// request (DLE EOT 2) as an ESC/POS printer does: with one status byte whose
// bits 1 and 4 are set and bits 0 and 7 clear.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace portlink {

struct ProbeResult {
  bool listening = false;
  std::string reason;  // why nothing listens: the system's text
  bool escpos = false;
  int statusByte = -1;  // the answer, -1 when none came
};

ProbeResult ProbeEscposPrinter(std::string_view address, uint16_t port, int timeoutMs = 1000);

}  // namespace portlink
