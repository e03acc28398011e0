// The running Windows version record, asked for with the extended record
// (156 bytes) first, then with the plain one (148 bytes).
#pragma once

#include <windows.h>

namespace portlink {

// False when neither query succeeds.
bool QueryWindowsVersion(OSVERSIONINFOEXA& version);

}  // namespace portlink
