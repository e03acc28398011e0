// The program's command-line switches: "Embedding" and "Automation" after a
// "/" or "-", anywhere, in any case, matched as the start of what follows
// ("/AutomationX" counts). Both mean an automation client started the
// program.
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

AutomationSwitches ScanAutomationSwitches(std::string_view commandLine);

}  // namespace quarvel
