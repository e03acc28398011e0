// The Windows version class that the monitors and transports consult; every
// other system counts as Nt5OrLater.
#pragma once

#include "port_types.h"

namespace portlink {

OsClass GetOsClass();

}  // namespace portlink
