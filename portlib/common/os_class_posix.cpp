#include "os_class.h"

namespace portlink {

OsClass GetOsClass() { return OsClass::Nt5OrLater; }

}  // namespace portlink
