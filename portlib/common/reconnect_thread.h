// Reconnection in the background: a failed write drops the device and starts
// a thread that reopens it every 500 ms until it succeeds or the port closes.
#pragma once

#include <mutex>
#include <thread>

#include "clock.h"
#include "port_fields.h"
#include "reopen_gate.h"
#include "stop_signal.h"
#include "transport.h"

namespace portlink {

class ReconnectThread {
 public:
  ReconnectThread(PortFields& fields, Transport& transport, Clock& clock, ReopenGate& gate);
  ~ReconnectThread();
  ReconnectThread(const ReconnectThread&) = delete;
  ReconnectThread& operator=(const ReconnectThread&) = delete;

  // Called by a write that failed: while the port is open and connected,
  // drops the device, reports Offline, starts the thread and gives it a
  // second. Does nothing while a reconnection runs or once a close began.
  void HandOver();
  // Ends a running reconnection at once and waits for its thread.
  void Stop();

 private:
  void Run();

  PortFields& fields_;
  Transport& transport_;
  Clock& clock_;
  ReopenGate& gate_;
  std::mutex mutex_;  // guards thread_
  std::thread thread_;
  StopSignal stop_;
};

}  // namespace portlink
