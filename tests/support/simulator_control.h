// A client of the simulated printer's control port (see tools/escpos_simulator.py).
#pragma once

#include <optional>
#include <string>

#include "tcp_socket.h"

namespace quarvel::testing {

class SimulatorControl {
 public:
  // Connects to the simulator named by QUARVEL_SIM_PORT and QUARVEL_SIM_CONTROL.
  SimulatorControl();
  ~SimulatorControl();
  SimulatorControl(const SimulatorControl&) = delete;
  SimulatorControl& operator=(const SimulatorControl&) = delete;

  bool Connected() const { return socket_ != portlink::net::kNoSocket; }
  int PrinterPort() const { return printerPort_; }
  // "SOCKET:127.0.0.1" and the port number, as the configuration file has them.
  std::string PortName() const { return "SOCKET:127.0.0.1"; }
  std::string PortSettings() const { return std::to_string(printerPort_); }

  // Sends one command and returns its one-line answer ("" when none came).
  std::string Command(const std::string& line, int timeoutMs = 15000);
  // The value of `key=` in the answer to "status".
  std::string StatusField(const std::string& key);
  // The receipt printed so far.
  std::string Receipt();

 private:
  bool Send(const std::string& line);
  std::optional<std::string> ReadLine(int timeoutMs);

  portlink::net::SocketHandle socket_ = portlink::net::kNoSocket;
  int printerPort_ = 0;
  std::string pending_;
};

}  // namespace quarvel::testing
