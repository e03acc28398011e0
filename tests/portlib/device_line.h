// A line to a device whose far end the test holds: a pseudo-terminal on
// Linux, a named pipe on Windows. The port opens Path(); the test plays the
// printer with Send and Receive, or stalls it by not receiving.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace portlink::testing {

class DeviceLine {
 public:
#ifdef _WIN32
  DeviceLine() {
    static int count = 0;
    path_ = "\\\\.\\pipe\\quarvel-line-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
    far_ = CreateNamedPipeA(path_.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
  }
  ~DeviceLine() { CloseHandle(far_); }
  void Send(const std::string& bytes) {
    DWORD n = 0;
    WriteFile(far_, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
  }
  // What has arrived so far.
  std::string Receive() {
    std::string got;
    DWORD available = 0;
    while (PeekNamedPipe(far_, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
      std::string chunk(available, '\0');
      DWORD n = 0;
      ReadFile(far_, chunk.data(), available, &n, nullptr);
      got.append(chunk, 0, n);
    }
    return got;
  }
#else
  DeviceLine() {
    far_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (far_ < 0 || grantpt(far_) != 0 || unlockpt(far_) != 0) return;
    path_ = ptsname(far_);
    termios raw{};
    tcgetattr(far_, &raw);
    cfmakeraw(&raw);
    tcsetattr(far_, TCSANOW, &raw);
    fcntl(far_, F_SETFL, O_NONBLOCK);
  }
  ~DeviceLine() { HangUp(); }
  void Send(const std::string& bytes) {
    if (write(far_, bytes.data(), bytes.size()) < 0) return;
  }
  std::string Receive() {
    std::string got;
    char buffer[4096];
    for (ssize_t n; (n = read(far_, buffer, sizeof buffer)) > 0;) got.append(buffer, static_cast<size_t>(n));
    return got;
  }
  // The device is unplugged: the port's reads and writes fail.
  void HangUp() {
    if (far_ >= 0) close(far_);
    far_ = -1;
  }
#endif
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
#ifdef _WIN32
  HANDLE far_;
#else
  int far_ = -1;
#endif
};

}  // namespace portlink::testing
