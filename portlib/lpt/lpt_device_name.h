// Which device a parallel port name opens.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace portlink {

// Windows opens the name exactly as received ("LPT1"). Linux opens LPT1 to
// LPT3 (any case) as /dev/lp0 to /dev/lp2 and a name that begins with "/" as
// that path (a USB-to-parallel adapter, a serial adapter); any other name
// opens nothing.
std::optional<std::string> ParallelDevicePath(std::string_view portName);

// The parallel ports this machine has: Linux's /dev/lpN and /dev/parportN
// nodes, Windows's LPT1 to LPT3 that exist.
std::vector<std::string> ParallelPortsPresent();

}  // namespace portlink
