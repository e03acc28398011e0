// quarvel-cli discover: what this machine can reach. One line per device,
// name=value fields: the USB printers the USB library would look at (the one
// it would open marked), the parallel ports present, and for each --probe
// HOST[:PORT] whether something listens there and answers as an ESC/POS
// printer does.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quarvel {

// args[0] is "discover". 0, or 3 on a usage error.
int RunDiscover(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quarvel
