// quarvel-cli: reads and writes configuration files from scripts, through the
// same settings model, writer and reader as the dialogs.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quarvel {

// Runs the command line `args` (without the program name). Returns the exit code.
int RunQuarvelCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quarvel
