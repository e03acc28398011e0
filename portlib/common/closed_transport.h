// A transport that finds no device: every open fails, so each entry point
// gives the results of a closed port. Stands in for a library's transport on
// a platform where it has none yet.
#pragma once

#include "transport.h"

namespace portlink {

class ClosedTransport final : public Transport {
 public:
  bool Open(std::string_view, std::string_view, OsClass) override { return false; }
  ReadOutcome Read(uint8_t*, int) override { return {}; }
  WriteOutcome Write(const uint8_t*, int, WriteKind) override { return {0, true}; }
  void Close() override {}
};

}  // namespace portlink
