// How PortLinkTcp's frame and monitor behave.
#pragma once

#include "port_policy.h"

namespace portlink {

extern const PortPolicy kTcpPolicy;

}  // namespace portlink
