// Loads a shared library by file name and finds its exports, as a JVM does.
#pragma once

#include <string>

namespace portlink::testing {

// The platform's file name for a library: libNAME.so or NAME.dll.
std::string LibraryFileName(const std::string& name);
// Null when the library can't be loaded; `error` says why.
void* LoadSharedLibrary(const std::string& path, std::string& error);
void* FindExport(void* library, const std::string& symbol);

}  // namespace portlink::testing
