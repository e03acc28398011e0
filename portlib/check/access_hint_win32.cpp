#include "printer_check.h"

namespace portlink {

// Windows grants access to printer ports by other means; the system's reason says enough.
std::string AccessHint(const std::string&) { return {}; }

}  // namespace portlink
