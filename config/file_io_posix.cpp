#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "file_io.h"

namespace quarvel {

namespace {

FileResult Failure(const std::string& what) {
  return {false, what + ": " + std::strerror(errno)};
}

bool WriteAllAt(int fd, const std::string& bytes, off_t offset) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a path means: a symbolic link is followed to the file it names,
// so saving through it replaces that file and the link stays.
std::string FileMeant(const std::string& path) {
  struct stat link {};
  if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
  // A dangling link (or a chain of them): the file the last one names is
  // created, every link stays a link.
  std::string at = path;
  for (int hops = 0; hops < 40 && ::lstat(at.c_str(), &link) == 0 && S_ISLNK(link.st_mode); ++hops) {
    std::string target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(at.c_str(), target.data(), target.size() - 1);
    if (n <= 0) return at;
    target.resize(static_cast<size_t>(n));
    at = target.front() == '/' ? target : DirectoryOf(at) + "/" + target;
  }
  return at;
}

// Writes the prepared bytes over the file itself: for a folder that takes no
// new file, a file with other names (hard links) or one a sticky folder
// won't let us replace. Nothing is lost when the write fails: the new bytes
// go after the old ones first, where a full disk or a size limit stops them
// and the file is cut back to what it was; only once all of them are on the
// disk are they written to the front, over blocks the file already has, and
// the file cut to them.
FileResult WriteInPlace(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return Failure("cannot write " + path);
  struct stat old {};
  bool ok = ::fstat(fd, &old) == 0;
  if (ok && !(WriteAllAt(fd, bytes, old.st_size) && ::fsync(fd) == 0)) {
    const int savedErrno = errno;
    if (::ftruncate(fd, old.st_size) == 0) ::fsync(fd);
    ::close(fd);
    errno = savedErrno;
    return Failure("cannot write " + path + " (left as it was)");
  }
  ok = ok && WriteAllAt(fd, bytes, 0) && ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
  const int savedErrno = errno;
  ::close(fd);
  errno = savedErrno;
  return ok ? FileResult{true, {}} : Failure("cannot write " + path);
}

}  // namespace

FileResult ReplaceFileAtomically(const std::string& requested, const std::string& bytes) {
  const std::string path = FileMeant(requested);
  struct stat existing {};
  const bool exists = ::stat(path.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) return {false, path + ": not a regular file"};
  if (exists && ::access(path.c_str(), W_OK) != 0) return Failure("cannot write");
  // A rename would leave the file's other names with the old content.
  if (exists && existing.st_nlink > 1) return WriteInPlace(path, bytes);

  // A short name beside the file, so that any name valid for the file works.
  std::string temp = DirectoryOf(path) + "/.qv.XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    if (exists && (errno == EACCES || errno == EROFS || errno == EPERM)) return WriteInPlace(path, bytes);
    return Failure("cannot create a file in " + DirectoryOf(path));
  }

  // mkstemp creates 0600; give the file the mode the old one had, or the
  // usual mode for a new file.
  mode_t mode = existing.st_mode & 07777;
  if (!exists) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  // The owner and group stay where the process may keep them (root saving a user's file).
  if (exists && (existing.st_uid != ::geteuid() || existing.st_gid != ::getegid())) {
    if (::fchown(fd, existing.st_uid, existing.st_gid) != 0) {}  // else the file becomes ours, as any new file
  }
  bool ok = ::fchmod(fd, mode) == 0 && WriteAllAt(fd, bytes, 0) && ::fsync(fd) == 0;
  int savedErrno = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return {true, {}};
  if (ok) savedErrno = errno;
  ::unlink(temp.c_str());
  // A sticky folder refuses to replace another user's file that we may write.
  if (ok && exists && (savedErrno == EPERM || savedErrno == EACCES)) return WriteInPlace(path, bytes);
  errno = savedErrno;
  return Failure("cannot write " + path);
}

void FileLock::Release() {
  if (handle_ == kNone) return;
  ::close(static_cast<int>(handle_));  // ends the lock
  handle_ = kNone;
}

FileLock FileLock::Acquire(const std::string& requested, Kind kind, FileResult& result) {
  const std::string path = FileMeant(requested);
  const int operation = (kind == Kind::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  result = {true, {}};
  for (int waitedMs = 0;;) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {};  // no file yet (or none we may read, which the read will say): nothing to lock
    FileLock lock;
    lock.handle_ = fd;
    while (::flock(fd, operation) != 0) {
      if (errno != EWOULDBLOCK && errno != EINTR) return {};  // a file system without locks
      if (waitedMs >= kWaitMs) {
        result = {false, path + ": another program is saving it (waited " + std::to_string(kWaitMs / 1000) + " s)"};
        return {};
      }
      ::usleep(20 * 1000);
      waitedMs += 20;
    }
    // A save that replaced the file while we waited: the lock must be on the new one.
    struct stat locked {}, now {};
    if (::fstat(fd, &locked) == 0 && ::stat(path.c_str(), &now) == 0 &&
        (locked.st_dev != now.st_dev || locked.st_ino != now.st_ino)) {
      continue;
    }
    return lock;
  }
}

FileResult ReadWholeFile(const std::string& path, std::string& bytes, size_t maxBytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a FIFO must not block the open
  if (fd < 0) return Failure("cannot open " + path);
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return {false, path + ": not a regular file"};
  }
  if (static_cast<uint64_t>(info.st_size) > maxBytes) {
    ::close(fd);
    return {false, path + ": larger than " + std::to_string(maxBytes >> 20) + " MiB, not a configuration file"};
  }
  bytes.clear();
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const FileResult failed = Failure("cannot read " + path);
      ::close(fd);
      return failed;
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<size_t>(n) > maxBytes) {
      ::close(fd);
      bytes.clear();
      return {false, path + ": larger than " + std::to_string(maxBytes >> 20) + " MiB, not a configuration file"};
    }
    bytes.append(buffer, static_cast<size_t>(n));
  }
  ::close(fd);
  return {true, {}};
}

}  // namespace quarvel
