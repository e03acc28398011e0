// A port of the frame over a scripted transport on virtual time, for the
// tests that drive the frame directly.
#pragma once

#include "fakes.h"
#include "port.h"

namespace portlink::testing {

struct PortRig {
  explicit PortRig(const PortPolicy& policy, Clock* realClock = nullptr)
      : port(policy, transport, realClock != nullptr ? *realClock : clock) {
    transport.clock = &clock;
  }
  ScriptedTransport transport;
  FakeClock clock;
  Port port;
  PortFields& fields() { return port.Fields(); }
};

}  // namespace portlink::testing
