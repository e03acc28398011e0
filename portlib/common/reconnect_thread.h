// The USB library's reconnection: a failed write closes the device and starts
// a thread that reopens the printer every 500 ms until it succeeds or the port
// is closed.
#pragma once

#include <mutex>
#include <thread>

#include "clock.h"
#include "port_fields.h"
#include "stop_signal.h"
#include "transport.h"

namespace portlink {

class ReconnectThread {
 public:
  ReconnectThread(PortFields& fields, UsbTransport& transport, Clock& clock);
  ~ReconnectThread();
  ReconnectThread(const ReconnectThread&) = delete;
  ReconnectThread& operator=(const ReconnectThread&) = delete;

  // Called by a write that failed: while the port is open and connected, drops
  // the device, reports Offline, starts the thread and gives it a second.
  // Does nothing while a reconnection runs or after Stop().
  void HandOver();

  // Ends a running reconnection and waits for its thread; no new one starts
  // until Allow().
  void Stop();
  void Allow();

 private:
  void Run();

  PortFields& fields_;
  UsbTransport& transport_;
  Clock& clock_;
  std::mutex mutex_;  // guards thread_ and barred_
  std::thread thread_;
  StopSignal stop_;
  bool barred_ = false;
};

}  // namespace portlink
