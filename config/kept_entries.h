// Entries of a configuration file that are neither the printer nor the cash
// drawer (a scanner, a line display): read as they stand and written back
// after ours, so editing the printer never loses the rest of the point of sale.
#pragma once

#include <string>
#include <vector>

namespace quarvel {

struct KeptEntry {
  std::string name;  // its logical name, as the file has it
  // Its lines as they stand, each ended by '\n': one string however many
  // lines the entry has, so that memory stays near the file's size.
  std::string text;
};
using KeptEntries = std::vector<KeptEntry>;

}  // namespace quarvel
