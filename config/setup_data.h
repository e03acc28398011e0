// The settings of one receipt printer and one cash drawer, as the configuration
// program edits them. Fixed-width records: choices are positions in the constant
// lists below; the texts and numbers of the file are derived when it is written.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace quarvel {

enum class SetupMode : int32_t { None = 0, NewFile = 1, EditFile = 2 };
enum class DeviceKind : int32_t { None = 0, Printer = 1, CashDrawer = 2 };

// Logical and port names hold 63 characters; in UTF-8 one takes up to 4 bytes.
inline constexpr int kNameChars = 63;
inline constexpr int kNameWidth = 4 * kNameChars + 1;  // bytes of a name field, NUL included
inline constexpr int kPathWidth = 256;     // configuration file path, 255 characters + NUL
inline constexpr int kTcpPortIndex = 13;   // "TCP/IP" in the port list
inline constexpr int kFirstNonSerialPortIndex = 9;
inline constexpr int kDefaultBaudIndex = 1;  // "9600"
inline constexpr int32_t kDefaultTcpPort = 9100;

inline constexpr std::array<std::string_view, 14> PortNameTable = {
    "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
    "COM8", "COM9", "LPT1", "LPT2", "LPT3", "USB",  "TCP/IP"};

inline constexpr std::array<std::string_view, 5> BaudRateTable = {
    "4800", "9600", "19200", "38400", "115200"};

inline constexpr std::array<std::string_view, 2> PinNumberList = {"2", "5"};
inline constexpr std::array<std::string_view, 2> DeviceClassList = {"Thermal", "Dot"};

struct PrinterSettings {
  int32_t portIndex = 0;
  char logicalName[kNameWidth] = {};
  char portName[kNameWidth] = {};
  int32_t baudIndex = 0;
  int32_t portNumber = 0;
  uint8_t ipAddress[4] = {};
  int32_t deviceClass = 0;
};

struct CashDrawerSettings {
  int32_t portIndex = 0;
  char logicalName[kNameWidth] = {};
  char portName[kNameWidth] = {};
  int32_t baudIndex = 0;
  int32_t portNumber = 0;
  uint8_t ipAddress[4] = {};
  int32_t pinIndex = 0;
  int32_t pulseOnTime = 0;
  int32_t pulseOffTime = 0;
  int32_t deviceClass = 0;
};

struct SetupData {
  SetupMode mode = SetupMode::None;
  DeviceKind editKind = DeviceKind::None;
  int32_t printerPresent = 0;
  PrinterSettings printer;
  int32_t drawerPresent = 0;
  CashDrawerSettings drawer;
};

// The path of the file being edited; lives beside the master SetupData.
struct ConfigPath {
  char text[kPathWidth] = {};
};

}  // namespace quarvel
