#include <windows.h>

#include "os_class.h"

namespace portlink {

// Asks with the extended version record first, then with the plain one.
OsClass GetOsClass() {
  OSVERSIONINFOEXA extended{};
  extended.dwOSVersionInfoSize = sizeof extended;  // 156 bytes
  OSVERSIONINFOA* info = reinterpret_cast<OSVERSIONINFOA*>(&extended);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  BOOL ok = GetVersionExA(info);
  if (!ok) {
    extended.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);  // 148 bytes
    ok = GetVersionExA(info);
  }
#pragma GCC diagnostic pop
  if (!ok) return OsClass::Nt5OrLater;
  if (info->dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return OsClass::Win9x;
  if (info->dwPlatformId == VER_PLATFORM_WIN32_NT && info->dwMajorVersion <= 4) return OsClass::Nt4OrEarlier;
  return OsClass::Nt5OrLater;
}

}  // namespace portlink
