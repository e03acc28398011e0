// The program's command-line switches: "Embedding" and "Automation" after a
// "/" or "-", anywhere in the arguments, in any case, matched as the start of
// what follows ("/AutomationX" counts). Both mean an automation client
// started the program. The program's own path is no argument: installed
// under "D:\pos-automation\" it must not read as a switch.
#pragma once

#include <string>
#include <string_view>

namespace quarvel {

struct AutomationSwitches {
  bool embedding = false;
  bool automation = false;
  std::string remaining;  // the command line with each recognised switch removed
  bool StartedByClient() const { return embedding || automation; }
};

// `arguments`: the command line without the program's path (ArgumentsOf).
AutomationSwitches ScanAutomationSwitches(std::string_view arguments);

// What follows the program's path in a whole command line (GetCommandLine):
// the path ends at its closing quote when it begins with one, else at the
// first space or tab; the blanks after it go too.
std::string_view ArgumentsOf(std::string_view commandLine);

}  // namespace quarvel
