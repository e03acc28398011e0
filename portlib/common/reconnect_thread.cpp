#include "reconnect_thread.h"

namespace portlink {

namespace {
constexpr int kAttemptPauseMs = 500;
constexpr int kWriterPauseMs = 1000;
}  // namespace

ReconnectThread::ReconnectThread(PortFields& fields, UsbTransport& transport, Clock& clock)
    : fields_(fields), transport_(transport), clock_(clock) {}

ReconnectThread::~ReconnectThread() { Stop(); }

void ReconnectThread::HandOver() {
  {
    std::lock_guard lock(mutex_);
    if (barred_ || fields_.isOpen.load() != 1 || fields_.connected.load() != 1) return;
    transport_.DropDevice();
    fields_.printerStatus.store(kOffline);
    if (fields_.monitorMode.load() == 1) fields_.statusRequest.store(1);
    fields_.connected.store(0);
    if (thread_.joinable()) thread_.join();  // a finished earlier reconnection
    stop_.Clear();
    thread_ = std::thread(&ReconnectThread::Run, this);
  }
  clock_.Pause(kWriterPauseMs, &stop_);
}

void ReconnectThread::Run() {
  while (fields_.connected.load() == 0) {
    if (!clock_.Pause(kAttemptPauseMs, &stop_)) return;
    const int opened = transport_.OpenPrinterDevice();
    if (stop_.IsSet()) return;  // the close step owns the device from here
    fields_.isOpen.store(opened);
    if (opened == 1) {
      fields_.connected.store(1);
    } else {
      fields_.printerStatus.store(kOffline);
    }
  }
}

void ReconnectThread::Stop() {
  std::thread finishing;
  {
    std::lock_guard lock(mutex_);
    barred_ = true;
    stop_.Set();
    finishing = std::move(thread_);
  }
  if (finishing.joinable()) finishing.join();
}

void ReconnectThread::Allow() {
  std::lock_guard lock(mutex_);
  barred_ = false;
}

}  // namespace portlink
