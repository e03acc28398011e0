#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "printer_check.h"

namespace portlink {

// Receipt printers belong to group lp on Debian; the hint names the node's own.
std::string AccessHint(const std::string& devicePath) {
  struct stat node {};
  if (stat(devicePath.c_str(), &node) != 0 || access(devicePath.c_str(), R_OK | W_OK) == 0) return {};
  const group* owner = getgrgid(node.st_gid);
  if (owner == nullptr) return {};
  const std::string name = owner->gr_name;
  return "the device belongs to group " + name + ": add the user to it (sudo usermod -aG " + name +
         " $USER) and log in again";
}

}  // namespace portlink
