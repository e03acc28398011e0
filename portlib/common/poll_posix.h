// Waiting on a descriptor, for the POSIX files of the transports.
#pragma once

#include <poll.h>

#include <cerrno>

namespace portlink::posix {

// Waits up to `timeoutMs` for `events`; true when ready, or when the
// descriptor has an error or hang-up for the next call to report.
inline bool WaitFor(int fd, short events, int timeoutMs) {
  pollfd entry{fd, events, 0};
  int ready;
  do {
    ready = poll(&entry, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  return ready > 0;
}

}  // namespace portlink::posix
