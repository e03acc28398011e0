#include "reconnect_thread.h"

#include "port_types.h"

namespace portlink {

namespace {
constexpr int kAttemptPauseMs = 500;
constexpr int kWriterPauseMs = 1000;
}  // namespace

ReconnectThread::ReconnectThread(PortFields& fields, Transport& transport, Clock& clock, ReopenGate& gate)
    : fields_(fields), transport_(transport), clock_(clock), gate_(gate) {}

ReconnectThread::~ReconnectThread() { Stop(); }

void ReconnectThread::HandOver() {
  std::thread earlier;
  {
    std::lock_guard lock(mutex_);
    if (gate_.Barred().IsSet() || fields_.isOpen.load() != 1 || fields_.connected.load() != 1) return;
    transport_.Drop();
    fields_.printerStatus.store(kOffline);
    if (fields_.monitorMode.load() == 1) fields_.statusRequest.store(1);
    fields_.connected.store(0);
    // An earlier reconnection may still be in its last attempt (a claim set
    // connected under it): it ends before the new one starts, so that two
    // never reopen the device at once.
    stop_.Set();
    earlier = std::move(thread_);
  }
  if (earlier.joinable()) earlier.join();
  {
    std::lock_guard lock(mutex_);
    if (gate_.Barred().IsSet()) return;  // a close came meanwhile; Stop() has run or will find no thread
    stop_.Clear();
    try {
      thread_ = std::thread(&ReconnectThread::Run, this);
    } catch (...) {
      fields_.connected.store(1);  // no thread: the next failed write tries again
    }
  }
  clock_.Pause(kWriterPauseMs, &gate_.Barred());
}

void ReconnectThread::Run() {
  while (fields_.connected.load() == 0) {
    if (!clock_.Pause(kAttemptPauseMs, &stop_)) return;
    bool barred = true;
    const bool reopened = gate_.Run([&] {
      barred = false;
      const bool opened = transport_.Reopen();
      fields_.isOpen.store(opened ? 1 : 0);
      return opened;
    });
    if (barred) return;  // the close owns the device from here
    if (reopened) {
      fields_.connected.store(1);
      // The printer came back with status back off: ask for it again, or the
      // status would stay Offline until the printer happened to say more.
      if (fields_.monitorMode.load() == 1) fields_.statusRequest.store(1);
    } else {
      fields_.printerStatus.store(kOffline);
    }
  }
}

void ReconnectThread::Stop() {
  std::thread running;
  {
    std::lock_guard lock(mutex_);
    stop_.Set();
    running = std::move(thread_);
  }
  if (running.joinable()) running.join();
}

}  // namespace portlink
