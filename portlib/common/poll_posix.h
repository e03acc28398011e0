// Waiting on a descriptor, for the POSIX files of the transports.
#pragma once

#include <poll.h>

#include <cerrno>

#include "deadline.h"

namespace portlink::posix {

// Waits up to `timeoutMs` for `events`; true when ready, or when the
// descriptor has an error or hang-up for the next call to report. A signal
// that interrupts the wait does not restart it: it goes on with what is left.
inline bool WaitFor(int fd, short events, int timeoutMs) {
  const Deadline deadline(timeoutMs);
  pollfd entry{fd, events, 0};
  for (int waitMs = timeoutMs;; waitMs = static_cast<int>(deadline.LeftMs())) {
    const int ready = poll(&entry, 1, waitMs);
    if (ready >= 0 || errno != EINTR) return ready > 0;
    if (deadline.Passed()) return false;
  }
}

}  // namespace portlink::posix
