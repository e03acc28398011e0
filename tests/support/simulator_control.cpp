#include "simulator_control.h"

#include <chrono>
#include <cstdlib>

namespace quarvel::testing {

namespace net = portlink::net;

SimulatorControl::SimulatorControl() {
  const char* printer = std::getenv("QUARVEL_SIM_PORT");
  const char* control = std::getenv("QUARVEL_SIM_CONTROL");
  if (printer == nullptr || control == nullptr || !net::StartSockets()) return;
  printerPort_ = std::atoi(printer);
  uint32_t loopback = 0;
  net::ParseIpv4("127.0.0.1", loopback);
  socket_ = net::Connect(loopback, static_cast<uint16_t>(std::atoi(control)), 2000);
}

SimulatorControl::~SimulatorControl() { net::CloseSocket(socket_); }

std::optional<std::string> SimulatorControl::ReadLine(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const size_t newline = pending_.find('\n');
    if (newline != std::string::npos) {
      std::string line = pending_.substr(0, newline);
      pending_.erase(0, newline + 1);
      return line;
    }
    if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
    uint8_t buffer[4096];
    const int n = net::ReceiveOnce(socket_, buffer, sizeof buffer);
    if (n == 0) return std::nullopt;
    if (n > 0) pending_.append(reinterpret_cast<char*>(buffer), static_cast<size_t>(n));
  }
}

bool SimulatorControl::Send(const std::string& line) {
  if (!Connected()) return false;
  const std::string text = line + "\n";
  return net::SendSome(socket_, reinterpret_cast<const uint8_t*>(text.data()), static_cast<int>(text.size()), 2000) ==
         static_cast<int>(text.size());
}

std::string SimulatorControl::Command(const std::string& line, int timeoutMs) {
  return Send(line) ? ReadLine(timeoutMs).value_or("") : std::string();
}

std::string SimulatorControl::StatusField(const std::string& key) {
  const std::string status = Command("status");
  const size_t at = status.find(" " + key + "=");
  if (at == std::string::npos) return {};
  const size_t start = at + key.size() + 2;
  return status.substr(start, status.find(' ', start) - start);
}

std::string SimulatorControl::Receipt() {
  std::string receipt;
  if (!Send("receipt")) return receipt;
  for (auto line = ReadLine(5000); line && *line != "."; line = ReadLine(5000)) receipt += *line + "\n";
  return receipt;
}

}  // namespace quarvel::testing
