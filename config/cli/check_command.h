// quarvel-cli check: the printer of a jpos.xml reached as the JavaPOS service
// reaches it, its status read, optionally a test receipt, a drawer kick and
// the status followed for a while.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace quarvel {

// Exit status of check.
inline constexpr int kCheckReady = 0;
inline constexpr int kCheckNotReady = 1;
inline constexpr int kCheckNotOpened = 2;
inline constexpr int kCheckBadInput = 3;

// args[0] is "check".
int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace quarvel
