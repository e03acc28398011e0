// The file operations of the configuration program, one implementation per
// platform (file_io_posix.cpp, file_io_win32.cpp). Paths are UTF-8.
#pragma once

#include <string>

namespace quarvel {

struct FileResult {
  bool ok = false;
  std::string detail;  // the system's reason when !ok
};

// Writes `bytes` to a temporary file beside `path`, flushes it to the disk and
// renames it over `path`. On any failure the temporary file is removed and an
// existing file at `path` stays untouched. A read-only file is not replaced.
FileResult ReplaceFileAtomically(const std::string& path, const std::string& bytes);

// Reads the whole of a regular file as bytes; a device, a folder or a file of
// more than `maxBytes` is refused with the reason.
FileResult ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes);

}  // namespace quarvel
