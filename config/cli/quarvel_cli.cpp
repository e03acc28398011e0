#include "quarvel_cli.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>

#include "../file_io.h"
#include "../fixed_text.h"
#include "../inet_address.h"
#include "../jpos_reader.h"
#include "../jpos_writer.h"
#include "../settings_ops.h"
#include "check_command.h"
#include "discover_command.h"

namespace quarvel {

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  quarvel-cli show FILE\n"
    "      Reads FILE as \"Edit Existing XML File\" does and prints every setting as a\n"
    "      name=value line, then one kept=NAME line per entry of another device (written\n"
    "      back as it stands when the file is saved), then one message=TEXT line per reader\n"
    "      message (\"Unknown Settings\", and the entries left out because they are no\n"
    "      well-formed XML or carry values before their category).\n"
    "      Values are printed with \\\\ for a backslash, \\n \\r \\t for line feed, carriage\n"
    "      return and tab, and \\xHH for any other control character, so each stays on its line.\n"
    "  quarvel-cli show --as-options FILE\n"
    "      Prints on one line the write options that recreate FILE's printer and drawer,\n"
    "      quoted for sh and xargs, so that a configuration copies to other tills:\n"
    "        quarvel-cli show --as-options jpos.xml | ssh till xargs quarvel-cli write jpos.xml\n"
    "      Entries of other devices and the reader's messages are named on stderr.\n"
    "  quarvel-cli write FILE [options]\n"
    "      Writes FILE as Save does (\".xml\" is appended when FILE contains neither\n"
    "      \".xml\" nor \".XML\"). A device is present when any of its options is given;\n"
    "      with no device at all the file is an empty JposEntries document.\n"
    "  quarvel-cli edit FILE [options] [--no-printer] [--no-drawer]\n"
    "      Reads FILE as \"Edit Existing XML File\" does, changes what the options name\n"
    "      (an option of a device the file lacks adds it with the defaults of a new device;\n"
    "      --no-printer and --no-drawer delete one) and saves FILE back as Save does, the\n"
    "      entries of other devices kept. The reader's messages go to stderr; nothing is\n"
    "      written when an option is refused.\n"
    "  quarvel-cli check FILE [--print-test] [--kick] [--watch SECONDS]\n"
    "      Is the printer working? Reaches the printer of FILE as the JavaPOS service does\n"
    "      (portName, portSettings; the library that serves the port), claims it with status\n"
    "      back and prints the status it reads and how long that took. --print-test prints a\n"
    "      test receipt and waits for it; --kick fires the drawer with the file's pin and pulse\n"
    "      times and says whether the drawer sensor changed; --watch prints each status change\n"
    "      for SECONDS. Exit status: 0 ready, 1 not ready (the reason named), 2 could not open\n"
    "      (the system's reason), 3 a bad FILE or usage.\n"
    "  quarvel-cli discover [--probe HOST[:PORT]]...\n"
    "      What this machine can reach, a line each: the USB printers (vendor, product, the\n"
    "      one PortLinkUsb opens marked opens=yes), the parallel ports present, and for each\n"
    "      --probe (port 9100 by default) whether something listens there and answers a\n"
    "      real-time status request as an ESC/POS printer does.\n"
    "  quarvel-cli --help\n"
    "\n"
    "Printer options:\n"
    "  --printer NAME            logical name (default POSPrinter)\n"
    "  --printer-port PORT       COM1..COM9, LPT1..LPT3, USB or TCP/IP (default COM1)\n"
    "  --printer-rate RATE       4800, 9600, 19200, 38400 or 115200 (default 9600)\n"
    "  --printer-ip A.B.C.D      address of a TCP/IP printer (default 192.168.0.192)\n"
    "  --printer-tcp-port N      TCP port of a TCP/IP printer (default 9100)\n"
    "  --printer-class CLASS     Thermal or Dot (default Thermal)\n"
    "Cash drawer options:\n"
    "  --drawer NAME             logical name (default CashDrawer)\n"
    "  --drawer-port PORT        as for the printer (default COM1)\n"
    "  --drawer-rate RATE        as for the printer (default 9600)\n"
    "  --drawer-ip A.B.C.D       as for the printer\n"
    "  --drawer-tcp-port N       as for the printer\n"
    "  --drawer-pin PIN          drawer kick pin, 2 or 5 (default 2)\n"
    "  --drawer-pulse-on MS      pulse on time (default 200)\n"
    "  --drawer-pulse-off MS     pulse off time (default 400)\n"
    "\n"
    "The cash drawer's device class follows the printer's in the file.\n"
    "Exit status: 0 on success, 1 when the file can't be read or written, 2 on a usage error.\n";

constexpr int kExitFileError = 1;
constexpr int kExitUsage = 2;

struct UsageError {
  std::string message;
};

std::string Dotted(const uint8_t (&ip)[4]) {
  return std::to_string(ip[0]) + "." + std::to_string(ip[1]) + "." + std::to_string(ip[2]) + "." +
         std::to_string(ip[3]);
}

template <size_t N>
int32_t IndexIn(const std::array<std::string_view, N>& list, const std::string& option,
                const std::string& value) {
  for (size_t k = 0; k < N; ++k) {
    if (list[k] == value) return static_cast<int32_t>(k);
  }
  std::string choices;
  for (const auto& entry : list) choices += (choices.empty() ? "" : ", ") + std::string(entry);
  throw UsageError{option + ": '" + value + "' is not one of " + choices};
}

int32_t Integer(const std::string& option, const std::string& value) {
  // An optional sign and decimal digits, nothing else, within 32 bits.
  const size_t first = (!value.empty() && (value[0] == '-' || value[0] == '+')) ? 1 : 0;
  const std::string digits = value.substr(first);
  const bool wellFormed = !digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos;
  const size_t significant = wellFormed ? digits.size() - std::min(digits.find_first_not_of('0'), digits.size()) : 0;
  if (wellFormed && significant <= 10) {
    const int64_t magnitude = significant == 0 ? 0 : std::stoll(digits);
    const int64_t signedValue = value[0] == '-' ? -magnitude : magnitude;
    if (signedValue >= INT32_MIN && signedValue <= INT32_MAX) return static_cast<int32_t>(signedValue);
  }
  throw UsageError{option + ": '" + value + "' is not a 32-bit whole number"};
}

std::array<uint8_t, 4> Address(const std::string& option, const std::string& value) {
  // Only the plain dotted form a.b.c.d, each part 0 to 255 in decimal.
  std::array<uint8_t, 4> ip{};
  size_t part = 0, i = 0;
  while (part < 4) {
    size_t start = i;
    int v = 0;
    while (i < value.size() && value[i] >= '0' && value[i] <= '9' && i - start < 3) v = v * 10 + (value[i++] - '0');
    if (i == start || v > 255) break;
    ip[part++] = static_cast<uint8_t>(v);
    if (part < 4) {
      if (i >= value.size() || value[i] != '.') break;
      ++i;
    }
  }
  if (part != 4 || i != value.size()) throw UsageError{option + ": '" + value + "' is not an IPv4 address A.B.C.D"};
  return ip;
}

// What one device's options ask for; unset fields take the setup dialog's
// defaults for a new device.
struct DeviceRequest {
  bool present = false;
  std::optional<std::string> name;
  std::optional<int32_t> portIndex, baudIndex, portNumber, deviceClass, pinIndex, pulseOn, pulseOff;
  std::optional<std::array<uint8_t, 4>> ip;
  std::string ipOption, tcpPortOption;
};

template <typename Record>
void ApplyRequest(const DeviceRequest& request, const char* defaultName, Record& record) {
  StoreText(record.logicalName, request.name.value_or(defaultName));
  record.portIndex = request.portIndex.value_or(0);
  StoreText(record.portName, PortNameTable[static_cast<size_t>(record.portIndex)]);
  record.baudIndex = request.baudIndex.value_or(kDefaultBaudIndex);
  record.deviceClass = request.deviceClass.value_or(0);
  const auto ip = request.ip.value_or(std::array<uint8_t, 4>{192, 168, 0, 192});
  for (int k = 0; k < 4; ++k) record.ipAddress[k] = ip[static_cast<size_t>(k)];
  record.portNumber = request.portNumber.value_or(kDefaultTcpPort);
}

void CheckTcpOptions(const DeviceRequest& request) {
  if (request.portIndex.value_or(0) == kTcpPortIndex) return;
  for (const std::string& option : {request.ipOption, request.tcpPortOption}) {
    if (!option.empty()) throw UsageError{option + " applies only to a TCP/IP port (give the port as TCP/IP)"};
  }
}

// The program's one file message, then the system's reason on a line of its own.
int FileFailure(std::ostream& err, const std::string& reason) {
  err << "Open File Failed!!!\n";
  if (!reason.empty()) err << reason << "\n";
  return kExitFileError;
}

// A value on one line of its own: backslashes and control characters escaped.
std::string Shown(std::string_view value) {
  std::string shown;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '\\': shown += "\\\\"; break;
      case '\n': shown += "\\n"; break;
      case '\r': shown += "\\r"; break;
      case '\t': shown += "\\t"; break;
      default:
        if (byte < 0x20 || byte == 0x7F) {
          static constexpr char kHex[] = "0123456789ABCDEF";
          shown += "\\x";
          shown += kHex[byte >> 4];
          shown += kHex[byte & 0x0F];
        } else {
          shown += c;
        }
    }
  }
  return shown;
}

// A word that sh and xargs read back as it is: quoted unless plainly safe.
std::string ShellWord(std::string_view text) {
  constexpr std::string_view kPlain = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_./:+,@%=";
  if (!text.empty() && text.find_first_not_of(kPlain) == std::string_view::npos) return std::string(text);
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The options of `write` that give this device's entry again.
template <typename Record>
void DeviceOptions(const std::string& prefix, const Record& record, std::vector<std::string>& options) {
  auto add = [&](const std::string& option, std::string_view value) {
    options.push_back(prefix + option);
    options.push_back(ShellWord(value));
  };
  add("", TextOf(record.logicalName));
  add("-port", PortNameTable[static_cast<size_t>(record.portIndex)]);
  if (record.portIndex == kTcpPortIndex) {
    add("-ip", Dotted(record.ipAddress));
    add("-tcp-port", std::to_string(record.portNumber));
  } else {
    add("-rate", RateText(record.baudIndex));  // written for every port but TCP/IP
  }
}

// The options that recreate FILE's printer and drawer with `write`, on one
// line; what they can't carry is named on stderr.
int ShowAsOptions(const SetupData& data, const LoadResult& loaded, std::ostream& out, std::ostream& err) {
  std::vector<std::string> options;
  if (data.printerPresent == 1) {
    DeviceOptions("--printer", data.printer, options);
    options.insert(options.end(), {"--printer-class", std::string(DeviceClassText(data.printer.deviceClass))});
  }
  if (data.drawerPresent == 1) {
    const CashDrawerSettings& d = data.drawer;
    DeviceOptions("--drawer", d, options);
    options.insert(options.end(), {"--drawer-pin", std::to_string(PinNumber(d.pinIndex)),
                                   "--drawer-pulse-on", std::to_string(d.pulseOnTime), "--drawer-pulse-off",
                                   std::to_string(d.pulseOffTime)});
  }
  std::string line;
  for (const std::string& option : options) line += (line.empty() ? "" : " ") + option;
  out << line << "\n";
  for (const KeptEntry& entry : loaded.kept) err << "not in the options: the entry of " << Shown(entry.name) << "\n";
  for (const std::string& message : loaded.messages) err << Shown(message) << "\n";
  return 0;
}

int RunShow(std::vector<std::string> args, std::ostream& out, std::ostream& err) {
  const auto asOptions = std::find(args.begin(), args.end(), "--as-options");
  const bool optionsWanted = asOptions != args.end();
  if (optionsWanted) args.erase(asOptions);
  if (args.size() != 2) throw UsageError{"show takes exactly one FILE"};
  SetupData data;
  ConfigPath path;
  ResetSettings(data, path);
  const LoadResult loaded = LoadConfigFile(args[1], data);
  if (!loaded.opened) return FileFailure(err, loaded.detail);
  if (optionsWanted) return ShowAsOptions(data, loaded, out, err);
  const PrinterSettings& p = data.printer;
  const CashDrawerSettings& d = data.drawer;
  out << "mode=" << static_cast<int32_t>(data.mode) << "\n"
      << "editKind=" << static_cast<int32_t>(data.editKind) << "\n"
      << "printerPresent=" << data.printerPresent << "\n"
      << "printer.portIndex=" << p.portIndex << "\n"
      << "printer.logicalName=" << Shown(TextOf(p.logicalName)) << "\n"
      << "printer.portName=" << Shown(TextOf(p.portName)) << "\n"
      << "printer.baudIndex=" << p.baudIndex << "\n"
      << "printer.portNumber=" << p.portNumber << "\n"
      << "printer.ipAddress=" << Dotted(p.ipAddress) << "\n"
      << "printer.deviceClass=" << p.deviceClass << "\n"
      << "drawerPresent=" << data.drawerPresent << "\n"
      << "drawer.portIndex=" << d.portIndex << "\n"
      << "drawer.logicalName=" << Shown(TextOf(d.logicalName)) << "\n"
      << "drawer.portName=" << Shown(TextOf(d.portName)) << "\n"
      << "drawer.baudIndex=" << d.baudIndex << "\n"
      << "drawer.portNumber=" << d.portNumber << "\n"
      << "drawer.ipAddress=" << Dotted(d.ipAddress) << "\n"
      << "drawer.pinIndex=" << d.pinIndex << "\n"
      << "drawer.pulseOnTime=" << d.pulseOnTime << "\n"
      << "drawer.pulseOffTime=" << d.pulseOffTime << "\n"
      << "drawer.deviceClass=" << d.deviceClass << "\n";
  for (const KeptEntry& entry : loaded.kept) out << "kept=" << Shown(entry.name) << "\n";
  for (const std::string& message : loaded.messages) out << "message=" << Shown(message) << "\n";
  return 0;
}

// Reads the device options from args[first] on; `deletions` are the flags
// without a value that an edit also takes (--no-printer, --no-drawer).
void ParseDeviceOptions(const std::vector<std::string>& args, size_t first, DeviceRequest& printer,
                        DeviceRequest& drawer, std::map<std::string, bool>* deletions) {
  using Setter = std::function<void(const std::string& option, const std::string& value)>;
  const std::map<std::string, std::pair<DeviceRequest*, Setter>> options = {
      {"--printer", {&printer, [&](auto&, auto& v) { printer.name = v; }}},
      {"--printer-port", {&printer, [&](auto& o, auto& v) { printer.portIndex = IndexIn(PortNameTable, o, v); }}},
      {"--printer-rate", {&printer, [&](auto& o, auto& v) { printer.baudIndex = IndexIn(BaudRateTable, o, v); }}},
      {"--printer-ip", {&printer, [&](auto& o, auto& v) { printer.ip = Address(o, v); printer.ipOption = o; }}},
      {"--printer-tcp-port", {&printer, [&](auto& o, auto& v) { printer.portNumber = Integer(o, v); printer.tcpPortOption = o; }}},
      {"--printer-class", {&printer, [&](auto& o, auto& v) { printer.deviceClass = IndexIn(DeviceClassList, o, v); }}},
      {"--drawer", {&drawer, [&](auto&, auto& v) { drawer.name = v; }}},
      {"--drawer-port", {&drawer, [&](auto& o, auto& v) { drawer.portIndex = IndexIn(PortNameTable, o, v); }}},
      {"--drawer-rate", {&drawer, [&](auto& o, auto& v) { drawer.baudIndex = IndexIn(BaudRateTable, o, v); }}},
      {"--drawer-ip", {&drawer, [&](auto& o, auto& v) { drawer.ip = Address(o, v); drawer.ipOption = o; }}},
      {"--drawer-tcp-port", {&drawer, [&](auto& o, auto& v) { drawer.portNumber = Integer(o, v); drawer.tcpPortOption = o; }}},
      {"--drawer-pin", {&drawer, [&](auto& o, auto& v) { drawer.pinIndex = IndexIn(PinNumberList, o, v); }}},
      {"--drawer-pulse-on", {&drawer, [&](auto& o, auto& v) { drawer.pulseOn = Integer(o, v); }}},
      {"--drawer-pulse-off", {&drawer, [&](auto& o, auto& v) { drawer.pulseOff = Integer(o, v); }}},
  };
  for (size_t i = first; i < args.size(); i += 2) {
    if (deletions != nullptr && deletions->count(args[i]) != 0) {
      (*deletions)[args[i]] = true;
      --i;  // a flag: no value follows
      continue;
    }
    const auto found = options.find(args[i]);
    if (found == options.end()) throw UsageError{"unknown option '" + args[i] + "'"};
    // "--printer --no-drawer": the next option is no value.
    if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0) throw UsageError{args[i] + " needs a value"};
    found->second.first->present = true;
    found->second.second(args[i], args[i + 1]);
  }
}

int RunWrite(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 2 || args[1].rfind("--", 0) == 0) throw UsageError{"write needs a FILE before its options"};
  DeviceRequest printer, drawer;
  ParseDeviceOptions(args, 2, printer, drawer, nullptr);
  CheckTcpOptions(printer);
  CheckTcpOptions(drawer);

  SetupData data;
  ConfigPath path;
  ResetSettings(data, path);
  CreateNewConfiguration(data);
  if (printer.present) {
    ApplyRequest(printer, "POSPrinter", data.printer);
    data.printerPresent = 1;
  }
  if (drawer.present) {
    ApplyRequest(drawer, "CashDrawer", data.drawer);
    data.drawer.pinIndex = drawer.pinIndex.value_or(0);
    data.drawer.pulseOnTime = drawer.pulseOn.value_or(200);
    data.drawer.pulseOffTime = drawer.pulseOff.value_or(400);
    data.drawerPresent = 1;
  }
  const SaveResult saved = SaveConfigFile(args[1], data);
  if (!saved.ok) return FileFailure(err, saved.detail);
  out << saved.path << "\n";
  return 0;
}

// Changes only what an option names in a device that is there; a device that
// is not takes the setup dialog's defaults for a new one first.
template <typename Record>
void EditRecord(const DeviceRequest& request, Record& record) {
  if (request.name) StoreText(record.logicalName, *request.name);
  if (request.portIndex) {
    record.portIndex = *request.portIndex;
    StoreText(record.portName, PortNameTable[static_cast<size_t>(record.portIndex)]);
  }
  if (request.baudIndex) record.baudIndex = *request.baudIndex;
  if (request.deviceClass) record.deviceClass = *request.deviceClass;
  if (request.ip) {
    for (int k = 0; k < 4; ++k) record.ipAddress[k] = (*request.ip)[static_cast<size_t>(k)];
  }
  if (request.portNumber) record.portNumber = *request.portNumber;
}

void CheckTcpOptionsFor(const DeviceRequest& request, int32_t currentPort) {
  DeviceRequest resolved = request;
  resolved.portIndex = request.portIndex.value_or(currentPort);
  CheckTcpOptions(resolved);
}

int RunEdit(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() < 2 || args[1].rfind("--", 0) == 0) throw UsageError{"edit needs a FILE before its options"};
  DeviceRequest printer, drawer;
  std::map<std::string, bool> deletions = {{"--no-printer", false}, {"--no-drawer", false}};
  ParseDeviceOptions(args, 2, printer, drawer, &deletions);
  if (deletions["--no-printer"] && printer.present) throw UsageError{"--no-printer with printer options"};
  if (deletions["--no-drawer"] && drawer.present) throw UsageError{"--no-drawer with drawer options"};

  // One read-modify-write under the file's exclusive lock: concurrent edits take turns.
  FileResult locked;
  const FileLock lock = FileLock::Acquire(args[1], FileLock::Kind::Exclusive, locked);
  if (!locked.ok) return FileFailure(err, locked.detail);
  SetupData data;
  ConfigPath path;
  ResetSettings(data, path);
  const LoadResult loaded = LoadConfigFile(args[1], data, false);
  if (!loaded.opened) return FileFailure(err, loaded.detail);
  for (const std::string& message : loaded.messages) err << message << "\n";
  CheckTcpOptionsFor(printer, data.printerPresent == 1 ? data.printer.portIndex : 0);
  CheckTcpOptionsFor(drawer, data.drawerPresent == 1 ? data.drawer.portIndex : 0);

  if (printer.present) {
    if (data.printerPresent != 1) {
      ApplyRequest(DeviceRequest{}, "POSPrinter", data.printer);
      data.printerPresent = 1;
    }
    EditRecord(printer, data.printer);
  }
  if (drawer.present) {
    if (data.drawerPresent != 1) {
      ApplyRequest(DeviceRequest{}, "CashDrawer", data.drawer);
      data.drawer.pinIndex = 0;
      data.drawer.pulseOnTime = 200;
      data.drawer.pulseOffTime = 400;
      data.drawerPresent = 1;
    }
    EditRecord(drawer, data.drawer);
    if (drawer.pinIndex) data.drawer.pinIndex = *drawer.pinIndex;
    if (drawer.pulseOn) data.drawer.pulseOnTime = *drawer.pulseOn;
    if (drawer.pulseOff) data.drawer.pulseOffTime = *drawer.pulseOff;
  }
  if (deletions["--no-printer"]) DeletePrinter(data);
  if (deletions["--no-drawer"]) DeleteCashDrawer(data);
  const SaveResult saved = SaveConfigFile(args[1], data, loaded.kept, WithXmlExtension(args[1]) != args[1]);
  if (!saved.ok) return FileFailure(err, saved.detail);
  out << saved.path << "\n";
  return 0;
}

}  // namespace

int RunQuarvelCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    if (args.empty()) throw UsageError{"no command given"};
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
      out << kUsage;
      return 0;
    }
    if (args[0] == "show") return RunShow(args, out, err);
    if (args[0] == "write") return RunWrite(args, out, err);
    if (args[0] == "edit") return RunEdit(args, out, err);
    if (args[0] == "check") return RunCheck(args, out, err);
    if (args[0] == "discover") return RunDiscover(args, out, err);
    throw UsageError{"unknown command '" + args[0] + "'"};
  } catch (const UsageError& error) {
    err << "quarvel-cli: " << error.message << " (see quarvel-cli --help)\n";
    return kExitUsage;
  }
}

}  // namespace quarvel
