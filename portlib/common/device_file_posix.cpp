#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "device_file.h"
#include "deadline.h"
#include "poll_posix.h"

namespace portlink {

namespace {

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

}  // namespace

void DeviceFile::Fail() { lastError_ = errno; }

std::string DeviceFile::LastErrorText() const { return std::strerror(lastError_); }

bool DeviceFile::Open(const std::string& path, Mode mode) {
  Close();
  const int flags = O_RDWR | O_NOCTTY | O_CLOEXEC | (mode == Mode::Waitable ? O_NONBLOCK : 0);
  const int fd = open(path.c_str(), flags);
  if (fd < 0) {
    Fail();
    return false;
  }
  handle_ = fd;
  mode_ = mode;
  cancelled_.store(false);
  // Only a device: whoever edits the port name must not make us print into
  // a file. No sharing: a device another program holds is refused.
  if (!IsDevice()) {
    Close();
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    Fail();
    Close();
    return false;
  }
  return true;
}

// A character device; links that lead to one (as udev makes them) are fine.
bool DeviceFile::IsDevice() {
  struct stat status {};
  if (fstat(static_cast<int>(handle_), &status) != 0) {
    Fail();
    return false;
  }
  if (S_ISCHR(status.st_mode)) return true;
  lastError_ = ENODEV;
  return false;
}

void DeviceFile::Close() {
  if (handle_ == kNoHandle) return;
  close(static_cast<int>(handle_));
  handle_ = kNoHandle;
}

DeviceFile::Result DeviceFile::Write(const uint8_t* data, int length, int64_t allowanceMs, int /*pollMs*/) {
  const int fd = static_cast<int>(handle_);
  const Deadline deadline(allowanceMs);
  Result result;
  while (result.count < length) {
    if (cancelled_.load()) {
      lastError_ = ECANCELED;
      result.ok = false;
      return result;
    }
    const ssize_t n = write(fd, data + result.count, static_cast<size_t>(length - result.count));
    if (n > 0) {
      result.count += static_cast<int>(n);
      if (mode_ == Mode::Blocking) break;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && !WouldBlock(errno)) {
      Fail();
      result.ok = false;
      return result;
    }
    if (mode_ == Mode::Blocking || deadline.Passed()) {
      lastError_ = ETIMEDOUT;  // the device took nothing more within the allowance
      result.ok = false;
      return result;
    }
    posix::WaitFor(fd, POLLOUT, deadline.SliceMs());
  }
  result.ok = result.count == length;
  return result;
}

// poll tells what is queued on every device, so `ifUnknown` never applies.
DeviceFile::Result DeviceFile::Read(uint8_t* buffer, int capacity, int timeoutMs, IfQueueUnknown) {
  const int fd = static_cast<int>(handle_);
  const Deadline deadline(timeoutMs);
  while (!posix::WaitFor(fd, POLLIN, deadline.SliceMs())) {
    if (cancelled_.load() || deadline.Passed()) return {};
  }
  for (;;) {
    const ssize_t n = read(fd, buffer, static_cast<size_t>(capacity));
    if (n >= 0) return {static_cast<int>(n), true};
    if (errno == EINTR) continue;
    if (WouldBlock(errno)) return {};
    Fail();
    return {0, false};
  }
}

int DeviceFile::QueuedInput() {
  int queued = 0;
  if (ioctl(static_cast<int>(handle_), FIONREAD, &queued) != 0) {
    Fail();
    return -1;
  }
  return queued;
}

// Terminals have queues to flush; other devices have nothing to purge.
void DeviceFile::PurgeInput() { tcflush(static_cast<int>(handle_), TCIFLUSH); }
void DeviceFile::PurgeOutput() { tcflush(static_cast<int>(handle_), TCOFLUSH); }
void DeviceFile::SetQueueSizes(uint32_t, uint32_t) {}
void DeviceFile::SetTimeouts(const DeviceTimeouts&) {}

}  // namespace portlink
