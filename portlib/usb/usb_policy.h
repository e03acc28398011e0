// How PortLinkUsb's frame and monitors behave.
#pragma once

#include "port_policy.h"

namespace portlink {

extern const PortPolicy kUsbPolicy;

}  // namespace portlink
