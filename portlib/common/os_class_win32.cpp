#include <windows.h>

#include "os_class.h"
#include "windows_version_win32.h"

namespace portlink {

bool QueryWindowsVersion(OSVERSIONINFOEXA& version) {
  version = {};
  version.dwOSVersionInfoSize = sizeof version;  // 156 bytes
  auto* plain = reinterpret_cast<OSVERSIONINFOA*>(&version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (GetVersionExA(plain)) return true;
  version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);  // 148 bytes
  return GetVersionExA(plain) != 0;
#pragma GCC diagnostic pop
}

OsClass GetOsClass() {
  OSVERSIONINFOEXA version;
  if (!QueryWindowsVersion(version)) return OsClass::Nt5OrLater;
  if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return OsClass::Win9x;
  if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion <= 4) return OsClass::Nt4OrEarlier;
  return OsClass::Nt5OrLater;
}

}  // namespace portlink
