#include <glob.h>

#include "lpt_device_name.h"

namespace portlink {

std::optional<std::string> ParallelDevicePath(std::string_view portName) {
  if (!portName.empty() && portName.front() == '/') return std::string(portName);
  if (portName.size() != 4) return std::nullopt;
  const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  const bool lpt = upper(portName[0]) == 'L' && upper(portName[1]) == 'P' && upper(portName[2]) == 'T';
  if (!lpt || portName[3] < '1' || portName[3] > '3') return std::nullopt;
  return "/dev/lp" + std::string(1, static_cast<char>(portName[3] - 1));
}

std::vector<std::string> ParallelPortsPresent() {
  std::vector<std::string> nodes;
  for (const char* pattern : {"/dev/lp[0-9]*", "/dev/parport[0-9]*"}) {
    glob_t found{};
    if (glob(pattern, 0, nullptr, &found) == 0) {
      for (size_t i = 0; i < found.gl_pathc; ++i) nodes.emplace_back(found.gl_pathv[i]);
    }
    globfree(&found);
  }
  return nodes;
}

}  // namespace portlink
