#include <dlfcn.h>

#include "library_loader.h"

namespace portlink::testing {

std::string LibraryFileName(const std::string& name) { return "lib" + name + ".so"; }

void* LoadSharedLibrary(const std::string& path, std::string& error) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) error = dlerror();
  return library;
}

void* FindExport(void* library, const std::string& symbol) { return dlsym(library, symbol.c_str()); }

}  // namespace portlink::testing
