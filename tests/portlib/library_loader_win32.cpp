#include <windows.h>

#include "library_loader.h"

namespace portlink::testing {

std::string LibraryFileName(const std::string& name) { return name + ".dll"; }

void* LoadSharedLibrary(const std::string& path, std::string& error) {
  HMODULE library = LoadLibraryA(path.c_str());
  if (library == nullptr) error = "LoadLibrary failed with error " + std::to_string(GetLastError());
  return reinterpret_cast<void*>(library);
}

void* FindExport(void* library, const std::string& symbol) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), symbol.c_str()));
}

}  // namespace portlink::testing
