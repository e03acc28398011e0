// The file operations of the configuration program, one implementation per
// platform (file_io_posix.cpp, file_io_win32.cpp). Paths are UTF-8.
#pragma once

#include <cstdint>
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

// An advisory lock on a configuration file (flock, LockFileEx far beyond its
// end, so that reads and writes stay free): exclusive for one save or one
// read-modify-write, shared for a read, so that concurrent edits take turns
// instead of losing an update and a reader never sees a save half done. A
// file replaced while we waited is locked afresh. A file that does not exist
// needs none. Held until destroyed.
class FileLock {
 public:
  enum class Kind { Shared, Exclusive };
  static constexpr int kWaitMs = 10000;

  FileLock() = default;
  FileLock(FileLock&& other) noexcept : handle_(other.handle_) { other.handle_ = kNone; }
  FileLock& operator=(FileLock&& other) noexcept {
    if (this != &other) {
      Release();
      handle_ = other.handle_;
      other.handle_ = kNone;
    }
    return *this;
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock() { Release(); }

  // Waits up to kWaitMs; on failure `result` says why (another program holds it).
  static FileLock Acquire(const std::string& path, Kind kind, FileResult& result);

 private:
  static constexpr intptr_t kNone = -1;
  void Release();
  intptr_t handle_ = kNone;
};

// Reads the whole of a regular file as bytes; a device, a folder or a file of
// more than `maxBytes` is refused with the reason.
FileResult ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes);

}  // namespace quarvel
