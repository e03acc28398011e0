#include <windows.h>

#include "lpt_device_name.h"

namespace portlink {

std::optional<std::string> ParallelDevicePath(std::string_view portName) { return std::string(portName); }

std::vector<std::string> ParallelPortsPresent() {
  std::vector<std::string> ports;
  for (const char* name : {"LPT1", "LPT2", "LPT3"}) {
    char target[512] = {};
    if (QueryDosDeviceA(name, target, sizeof target) != 0) ports.emplace_back(name);
  }
  return ports;
}

}  // namespace portlink
