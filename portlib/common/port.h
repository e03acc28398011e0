// The port object of a library: the state behind its eleven JNI entry points,
// shared by the Java threads, the status monitor and (USB) the reconnect
// thread. The JNI glue only converts arguments and calls these methods.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "clock.h"
#include "port_fields.h"
#include "port_types.h"
#include "reconnect_thread.h"
#include "transport.h"

namespace portlink {

// _OpenDrawer's results.
inline constexpr int32_t kDrawerKickSent = 0;
inline constexpr int32_t kDrawerPinNotSupported = 1;
inline constexpr int32_t kDrawerKickNotSent = 2;  // the port is closed or the write failed

class Port {
 public:
  // For Flavor::Usb the transport must be a UsbTransport.
  Port(Flavor flavor, Transport& transport, Clock& clock);
  // Stops the threads; the libraries' own port objects are never destroyed,
  // since the JVM may still run a monitor when it exits.
  ~Port();
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  void OpenPort(std::string_view portName, std::string_view portSettings);
  void ClosePort();
  // Reads up to `capacity` (at most 256) bytes into `out`; the count.
  int ReadData(uint8_t* out, int capacity);
  int WriteData(const uint8_t* data, int length);
  // 0 claimed, 1 failed.
  int64_t Claim(int32_t timeoutMs, bool monitor);
  int32_t PrinterStatus() const { return fields_.printerStatus.load(); }
  int32_t DrawerStatus() const { return fields_.drawerStatus.load(); }
  int32_t OpenDrawer(int64_t pin, int64_t onTimeMs, int64_t offTimeMs);
  // Sends a completion request and waits for the monitor to see the reply.
  bool WaitForCompletePrinting();

  PortFields& Fields() { return fields_; }
  Flavor GetFlavor() const { return flavor_; }
  bool MonitorThreadRunning() const;

 private:
  bool CheckReady();
  void StartMonitor(int32_t timeoutMs, bool mode);
  void StopMonitorThread();
  void CloseDown();
  int ReadLocked(uint8_t* buffer, int capacity);
  int WriteCommand(const uint8_t* data, int length);

  Flavor flavor_;
  Transport& transport_;
  UsbTransport* usb_;
  Clock& clock_;
  PortFields fields_;
  std::mutex readMutex_;               // the monitor's reads and _readData share the input
  mutable std::mutex lifecycleMutex_;  // open, claim and close from several Java threads
  std::thread monitorThread_;
  std::unique_ptr<ReconnectThread> reconnect_;  // USB only
};

}  // namespace portlink
