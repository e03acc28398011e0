#include "lpt_device_name.h"

namespace portlink {

std::optional<std::string> ParallelDevicePath(std::string_view portName) { return std::string(portName); }

}  // namespace portlink
