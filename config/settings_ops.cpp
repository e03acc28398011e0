#include "settings_ops.h"

#include <cstring>

#include "fixed_text.h"

namespace quarvel {

namespace {

template <typename Record>
void ResetRecord(Record& record) {
  record.portIndex = 0;
  StoreText(record.logicalName, "");
  StoreText(record.portName, "");
  record.baudIndex = kDefaultBaudIndex;
  record.portNumber = kDefaultTcpPort;
  std::memset(record.ipAddress, 0, sizeof record.ipAddress);
  record.deviceClass = 0;
}

template <typename Record>
void ClearDeletedRecord(Record& record) {
  StoreText(record.logicalName, "");
  StoreText(record.portName, "");
  record.baudIndex = 0;
  record.portNumber = 0;
  std::memset(record.ipAddress, 0, sizeof record.ipAddress);
  record.deviceClass = 0;
}

template <typename Record>
void CopyRecordIn(const Record& from, Record& to) {
  to.portIndex = from.portIndex;
  to.baudIndex = from.baudIndex;
  to.portNumber = from.portNumber;
  std::memcpy(to.ipAddress, from.ipAddress, sizeof to.ipAddress);
  to.deviceClass = from.deviceClass;
  StoreText(to.logicalName, TextOf(from.logicalName));
}

template <typename Record>
void CopyRecordBack(const Record& from, Record& to) {
  StoreText(to.logicalName, TextOf(from.logicalName));
  to.portIndex = from.portIndex;
  to.baudIndex = from.baudIndex;
  StoreText(to.portName, TextOf(from.portName));
  to.deviceClass = from.deviceClass;
  if (from.portIndex == kTcpPortIndex) {
    std::memcpy(to.ipAddress, from.ipAddress, sizeof to.ipAddress);
    to.portNumber = from.portNumber;
  }
}

}  // namespace

void ResetSettings(SetupData& data, ConfigPath& path) {
  data.mode = SetupMode::None;
  data.editKind = DeviceKind::None;
  data.printerPresent = 0;
  data.drawerPresent = 0;
  ResetRecord(data.printer);
  ResetRecord(data.drawer);
  data.drawer.pinIndex = 0;
  data.drawer.pulseOnTime = 0;
  data.drawer.pulseOffTime = 0;
  StoreText(path.text, "");
}

void CreateNewConfiguration(SetupData& data) {
  data.mode = SetupMode::NewFile;
  data.printerPresent = 0;
  data.drawerPresent = 0;
  data.printer.deviceClass = 0;
  data.drawer.deviceClass = 0;
}

void DeletePrinter(SetupData& data) {
  data.printerPresent = 0;
  ClearDeletedRecord(data.printer);
}

void DeleteCashDrawer(SetupData& data) {
  data.drawerPresent = 0;
  ClearDeletedRecord(data.drawer);
}

void PrepareDeviceEdit(SetupData& master, SetupData& working, DeviceKind kind) {
  master.editKind = kind;
  working.mode = master.mode;
  working.editKind = kind;
  if (kind == DeviceKind::Printer) {
    working.printerPresent = master.printerPresent;
    CopyRecordIn(master.printer, working.printer);
  } else {
    working.drawerPresent = master.drawerPresent;
    CopyRecordIn(master.drawer, working.drawer);
    working.drawer.pinIndex = master.drawer.pinIndex;
    working.drawer.pulseOnTime = master.drawer.pulseOnTime;
    working.drawer.pulseOffTime = master.drawer.pulseOffTime;
  }
}

void AcceptDeviceEdit(SetupData& master, const SetupData& working, DeviceKind kind) {
  if (kind == DeviceKind::Printer) {
    CopyRecordBack(working.printer, master.printer);
    master.printerPresent = 1;
  } else {
    CopyRecordBack(working.drawer, master.drawer);
    master.drawer.pinIndex = working.drawer.pinIndex;
    master.drawer.pulseOnTime = working.drawer.pulseOnTime;
    master.drawer.pulseOffTime = working.drawer.pulseOffTime;
    master.drawerPresent = 1;
  }
}

bool IsValidBaudIndex(int32_t baudIndex) {
  return baudIndex >= 0 && baudIndex < static_cast<int32_t>(BaudRateTable.size());
}

std::string_view RateText(int32_t baudIndex) {
  return BaudRateTable[IsValidBaudIndex(baudIndex) ? baudIndex : kDefaultBaudIndex];
}

int32_t PinNumber(int32_t pinIndex) { return pinIndex != 0 ? 5 : 2; }

std::string_view DeviceClassText(int32_t deviceClass) {
  return DeviceClassList[deviceClass != 0 ? 1 : 0];
}

}  // namespace quarvel
