#include "check_command.h"

#include <chrono>
#include <ctime>
#include <iomanip>
#include <sstream>
#include <thread>

#include "../fixed_text.h"
#include "../jpos_reader.h"
#include "../settings_ops.h"
#include "printer_check.h"

namespace quarvel {

namespace {

using portlink::PortLibrary;
using SteadyClock = std::chrono::steady_clock;
constexpr int kStatusWaitMs = 5000;  // a USB monitor pauses a second per drawer change it reads
constexpr int kDrawerWaitMs = 2000;

struct CheckOptions {
  std::string file;
  bool printTest = false;
  bool kick = false;
  int watchSeconds = 0;
};

std::string Seconds(SteadyClock::time_point since) {
  const double seconds = std::chrono::duration<double>(SteadyClock::now() - since).count();
  std::ostringstream text;
  text << std::fixed << std::setprecision(2) << seconds << " s";
  return text.str();
}

CheckOptions ParseCheck(const std::vector<std::string>& args, std::ostream& err, bool& ok) {
  CheckOptions options;
  ok = false;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--print-test") {
      options.printTest = true;
    } else if (args[i] == "--kick") {
      options.kick = true;
    } else if (args[i] == "--watch" && i + 1 < args.size()) {
      std::istringstream value(args[++i]);
      if (!(value >> options.watchSeconds) || !value.eof() || options.watchSeconds < 0) {
        err << "quarvel-cli: --watch needs a number of seconds, not '" << args[i] << "'\n";
        return options;
      }
    } else if (args[i].rfind("--", 0) != 0 && options.file.empty()) {
      options.file = args[i];
    } else {
      err << "quarvel-cli: check: unexpected '" << args[i] << "' (see quarvel-cli --help)\n";
      return options;
    }
  }
  if (options.file.empty()) {
    err << "quarvel-cli: check needs a FILE (see quarvel-cli --help)\n";
    return options;
  }
  ok = true;
  return options;
}

// A receipt that shows the settings, every printable character, the time, then a cut.
std::vector<uint8_t> TestReceipt(const std::string& name, const std::string& portName, const std::string& settings) {
  std::string text = "\x1B@Quarvel test receipt\n\n";
  text += "printer:  " + name + "\nport:     " + portName + (settings.empty() ? "" : " " + settings) + "\n\n";
  for (char c = 0x20; c < 0x7F; ++c) {
    text += c;
    if ((c - 0x1F) % 32 == 0) text += '\n';
  }
  const std::time_t now = std::time(nullptr);
  char when[64] = {};
  std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
  text += "\n\nprinted:  " + std::string(when) + "\n\x1B" "d\x04\x1DV\x01";
  return {text.begin(), text.end()};
}

}  // namespace

int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  bool parsed = false;
  const CheckOptions options = ParseCheck(args, err, parsed);
  if (!parsed) return kCheckBadInput;
  SetupData data;
  ConfigPath path;
  ResetSettings(data, path);
  const LoadResult loaded = LoadConfigFile(options.file, data);
  if (!loaded.opened) {
    err << "quarvel-cli: " << options.file << ": " << loaded.detail << "\n";
    return kCheckBadInput;
  }
  if (data.printerPresent == 0) {
    err << "quarvel-cli: " << options.file << " has no printer entry\n";
    return kCheckBadInput;
  }
  const PrinterSettings& printer = data.printer;
  const std::string portName(TextOf(printer.portName));
  const PortLibrary library = portlink::LibraryFor(portName);
  // The service passes portSettings as the file has it: the TCP port number.
  const std::string settings = library == PortLibrary::Tcp ? std::to_string(printer.portNumber) : "";
  out << "printer=" << TextOf(printer.logicalName) << "\nportName=" << portName << "\nportSettings=" << settings
      << "\nlibrary=" << portlink::LibraryName(library) << "\n";
  if (library == PortLibrary::None) {
    err << "quarvel-cli: " << portName << ": no port library of this system serves this port "
        << "(TCP/IP, LPT1-LPT3 or a device path, and USB are served)\n";
    return kCheckNotOpened;
  }

  const auto started = SteadyClock::now();
  portlink::PrinterCheck check(library);
  if (!check.Open(portName, settings)) {
    const std::string reason = check.OpenFailure(portName, settings);
    out << "verdict=not opened\ntime=" << Seconds(started) << "\n";
    err << "quarvel-cli: could not open " << portName << ": " << reason << "\n";
    return kCheckNotOpened;
  }
  const std::optional<int32_t> status = check.ClaimAndReadStatus(kStatusWaitMs);
  const int32_t shown = status.value_or(portlink::kOffline);
  const bool ready = status && (shown == portlink::kNormal || shown == portlink::kPaperNearEnd);
  out << "status=" << portlink::StatusName(shown) << (status ? "" : " (no status from the printer)")
      << "\ntime=" << Seconds(started) << "\n";
  if (!ready) {
    out << "verdict=not ready\n";
    err << "quarvel-cli: the printer is not ready: " << portlink::StatusName(shown)
        << (status ? "" : " (it sent no status within " + std::to_string(kStatusWaitMs / 1000) + " s)") << "\n";
    return kCheckNotReady;
  }

  int result = kCheckReady;
  if (options.printTest) {
    const bool written = check.Write(TestReceipt(std::string(TextOf(printer.logicalName)), portName, settings));
    const bool complete = written && check.WaitForCompletion();
    out << "printTest=" << (complete ? "printed" : written ? "sent, no completion reply" : "not sent") << "\n";
    if (!complete) result = kCheckNotReady;
  }
  if (options.kick) {
    if (data.drawerPresent == 0) {
      err << "quarvel-cli: " << options.file << " has no cash drawer entry to take the kick's pin and times from\n";
      return kCheckBadInput;
    }
    const CashDrawerSettings& drawer = data.drawer;
    const int pin = drawer.pinIndex == 1 ? 5 : 2;
    const int32_t before = check.Drawer();
    const bool sent = check.Kick(pin, drawer.pulseOnTime, drawer.pulseOffTime);
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(kDrawerWaitMs);
    while (sent && check.Drawer() == before && SteadyClock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    out << "kick=" << (sent ? "sent" : "not sent") << " pin " << pin << ", " << drawer.pulseOnTime << " ms on, "
        << drawer.pulseOffTime << " ms off\ndrawer=" << (check.Drawer() == 1 ? "open" : "closed")
        << (check.Drawer() != before ? " (the sensor changed)" : " (the sensor did not change)") << "\n";
    if (!sent) result = kCheckNotReady;
  }
  if (options.watchSeconds > 0) {
    const auto watchStart = SteadyClock::now();
    const auto end = watchStart + std::chrono::seconds(options.watchSeconds);
    int32_t last = check.Status();
    out << "watch=" << options.watchSeconds << " s" << std::endl;
    while (SteadyClock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      const int32_t now = check.Status();
      if (now == last) continue;
      last = now;
      out << Seconds(watchStart) << " status=" << portlink::StatusName(now) << std::endl;
    }
  }
  check.Close();
  out << "verdict=" << (result == kCheckReady ? "ready" : "not ready") << "\n";
  return result;
}

}  // namespace quarvel
