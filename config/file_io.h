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
// renames it over `path`, keeping the old file's mode (and owner, where the
// process may). Where that can't be done (a folder that takes no new file, a
// sticky folder, a file with other names, a file another program holds open)
// the file is written in place, the new bytes after the old ones first, so
// that a failure (a full disk) leaves it as it was. On any failure an existing
// file at `path` stays untouched. A read-only file is not replaced.
FileResult ReplaceFileAtomically(const std::string& path, const std::string& bytes);

// Reads the whole of a regular file as bytes; a device, a folder or a file of
// more than `maxBytes` is refused with the reason.
FileResult ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes);

}  // namespace quarvel
