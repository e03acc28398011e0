// The port object of a library: the state behind its eleven JNI entry points,
// shared by the Java threads, the status monitor and the reconnect thread.
// The JNI glue only converts arguments and calls these methods; the library's
// PortPolicy says where the libraries differ.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>
#include <thread>

#include "clock.h"
#include "monitor_io.h"
#include "port_fields.h"
#include "port_policy.h"
#include "reconnect_thread.h"
#include "reopen_gate.h"
#include "transport.h"

namespace portlink {

// _OpenDrawer's results: the Java side knows only these two, so a kick that
// could not be sent (a closed port, a failed write) is refused as well.
inline constexpr int32_t kDrawerKickSent = 0;
inline constexpr int32_t kDrawerKickRefused = 1;

class Port final : private MonitorIo {
 public:
  Port(const PortPolicy& policy, Transport& transport, Clock& clock);
  // Stops the threads; the libraries' own port objects are never destroyed,
  // since the JVM may still run a monitor when it exits.
  ~Port() override;
  Port(const Port&) = delete;
  Port& operator=(const Port&) = delete;

  void OpenPort(std::string_view portName, std::string_view portSettings);
  void ClosePort();
  // Reads up to `capacity` (at most 256) bytes into `out`; the count.
  int ReadData(uint8_t* out, int capacity);
  // 1 or 0, or the count where the policy says so.
  int WriteData(const uint8_t* data, int length);
  // 0 claimed, 1 failed.
  int64_t Claim(int32_t timeoutMs, bool monitor);
  int32_t PrinterStatus() const { return fields_.printerStatus.load(); }
  int32_t DrawerStatus() const { return fields_.drawerStatus.load(); }
  int32_t OpenDrawer(int64_t pin, int64_t onTimeMs, int64_t offTimeMs);
  // Sends a completion request and waits for the monitor to see the reply.
  bool WaitForCompletePrinting();

  PortFields& Fields() { return fields_; }
  const PortPolicy& Policy() const { return policy_; }
  MonitorIo& Io() { return *this; }
  bool MonitorThreadRunning() const;

 private:
  // MonitorIo
  int Read(uint8_t* buffer, int capacity, int64_t& elapsedMs) override;
  bool WriteCommand(std::span<const uint8_t> command) override;
  bool WriteCommandUnlessBusy(std::span<const uint8_t> command) override;
  bool IsPrinterPresent() override { return transport_.IsPrinterPresent(); }

  // Writes in turn with other writers; WriteInTurn once the turn is taken.
  WriteOutcome Write(const uint8_t* data, int length, WriteKind kind);
  WriteOutcome WriteInTurn(const uint8_t* data, int length, WriteKind kind);
  WriteOutcome ReconnectAndResend(const uint8_t* data, int length, WriteKind kind);
  void ReportOffline();
  void ConnectionLost();
  bool CheckReady();
  void StartMonitor(int32_t timeoutMs, bool mode);
  void StopMonitorThread();
  void CloseDown();

  const PortPolicy& policy_;
  Transport& transport_;
  Clock& clock_;
  PortFields fields_;
  ReopenGate gate_;
  std::mutex readMutex_;               // the monitor's reads and _readData share the input
  std::mutex writeMutex_;              // one write (with its recovery) at a time
  mutable std::mutex lifecycleMutex_;  // open, claim and close from several Java threads
  std::thread monitorThread_;
  StopSignal monitorStop_;  // ends the monitor: set by a close and by a claim that replaces it
  std::unique_ptr<ReconnectThread> reconnect_;  // where failed writes reconnect in the background
};

}  // namespace portlink
