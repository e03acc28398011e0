#include "device_setup_presenter.h"

#include <cstring>

#include "control_ids.h"
#include "fixed_text.h"
#include "settings_ops.h"

namespace quarvel {

namespace {

constexpr std::array<uint8_t, 4> kDefaultAddress = {192, 168, 0, 192};
constexpr size_t kDecimalFieldChars = 63;

// The record fields both device records share.
struct RecordRef {
  int32_t& portIndex;
  char (&logicalName)[kNameWidth];
  char (&portName)[kNameWidth];
  int32_t& baudIndex;
  int32_t& portNumber;
  uint8_t (&ipAddress)[4];
  int32_t& deviceClass;
};

RecordRef RecordOf(SetupData& d) {
  if (d.editKind == DeviceKind::Printer) {
    PrinterSettings& p = d.printer;
    return {p.portIndex, p.logicalName, p.portName, p.baudIndex, p.portNumber, p.ipAddress, p.deviceClass};
  }
  CashDrawerSettings& c = d.drawer;
  return {c.portIndex, c.logicalName, c.portName, c.baudIndex, c.portNumber, c.ipAddress, c.deviceClass};
}

int32_t DecimalOfField(DialogView& view, int id) {
  const std::string text = view.Text(id);
  return ParseDecimal32(std::string_view(text).substr(0, std::min(text.size(), kDecimalFieldChars)));
}

bool IsPortPosition(int32_t p) { return p >= 0 && p < static_cast<int32_t>(PortNameTable.size()); }

}  // namespace

void DeviceSetupPresenter::ApplyPortRule(DialogView& view, int port) {
  const bool tcp = port == kTcpPortIndex;
  for (int id : {IDC_IP_ADDRESS, IDC_PORT_NUMBER, IDC_IP_LABEL, IDC_PORT_NUMBER_LABEL}) view.Show(id, tcp);
  view.Enable(IDC_BAUD_RATE, !tcp && port >= 0 && port < kFirstNonSerialPortIndex);
}

void DeviceSetupPresenter::Initialise(DialogView& view) {
  for (std::string_view port : PortNameTable) view.AddItem(IDC_PORT_NAME, port);
  for (std::string_view rate : BaudRateTable) view.AddItem(IDC_BAUD_RATE, rate);
  for (std::string_view type : DeviceClassList) view.AddItem(IDC_DEVICE_TYPE, type);
  view.SetAddress(IDC_IP_ADDRESS, kDefaultAddress);

  RecordRef r = RecordOf(data_);
  const bool present = (EditsPrinter() ? data_.printerPresent : data_.drawerPresent) == 1;
  const int port = present && IsPortPosition(r.portIndex) ? r.portIndex : 0;
  ApplyPortRule(view, port);
  if (port == kTcpPortIndex) {
    view.SetAddress(IDC_IP_ADDRESS, {r.ipAddress[0], r.ipAddress[1], r.ipAddress[2], r.ipAddress[3]});
    view.SetText(IDC_PORT_NUMBER, std::to_string(r.portNumber));
  } else {
    view.SetText(IDC_PORT_NUMBER, "9100");
  }

  if (EditsPrinter()) {
    for (int id : {IDC_DRAWER_GROUP, IDC_PIN_LABEL, IDC_PULSE_ON_LABEL, IDC_PULSE_OFF_LABEL, IDC_PIN_NUMBER,
                   IDC_PULSE_ON, IDC_PULSE_OFF}) {
      view.Show(id, false);
    }
  }

  if (present) {
    view.SetText(IDC_LOGICAL_NAME, TextOf(r.logicalName));
    view.Select(IDC_PORT_NAME, port);
  } else {
    view.SetText(IDC_LOGICAL_NAME, EditsPrinter() ? "POSPrinter" : "CashDrawer");
    view.Select(IDC_PORT_NAME, 0);
  }
  // A rate position outside the list shows as "9600".
  view.Select(IDC_BAUD_RATE, present ? (IsValidBaudIndex(r.baudIndex) ? r.baudIndex : kDefaultBaudIndex)
                                     : kDefaultBaudIndex);

  if (!EditsPrinter()) {
    for (std::string_view pin : PinNumberList) view.AddItem(IDC_PIN_NUMBER, pin);
    CashDrawerSettings& drawer = data_.drawer;
    if (present) {
      view.Select(IDC_PIN_NUMBER, drawer.pinIndex);
      view.SetText(IDC_PULSE_ON, std::to_string(drawer.pulseOnTime));
      view.SetText(IDC_PULSE_OFF, std::to_string(drawer.pulseOffTime));
    } else {
      drawer.pinIndex = 0;
      view.Select(IDC_PIN_NUMBER, 0);
      view.SetText(IDC_PULSE_ON, "200");
      view.SetText(IDC_PULSE_OFF, "400");
    }
  }
  view.Select(IDC_DEVICE_TYPE, r.deviceClass);
}

void DeviceSetupPresenter::OnPortSelectionChanged(DialogView& view) {
  ApplyPortRule(view, view.Selection(IDC_PORT_NAME));
  const int32_t baud = RecordOf(data_).baudIndex;
  view.Select(IDC_BAUD_RATE, IsValidBaudIndex(baud) ? baud : kDefaultBaudIndex);
}

bool DeviceSetupPresenter::OnOk(DialogView& view, std::string& refusal) {
  RecordRef r = RecordOf(data_);
  const int port = view.Selection(IDC_PORT_NAME);
  r.portIndex = port;
  StoreText(r.logicalName, view.Text(IDC_LOGICAL_NAME));
  if (!IsPortPosition(port)) {
    refusal = kNoPortSelected;
    return false;
  }
  StoreText(r.portName, PortNameTable[static_cast<size_t>(port)]);
  if (port == kTcpPortIndex) {
    const auto octets = view.Address(IDC_IP_ADDRESS);
    std::memcpy(r.ipAddress, octets.data(), 4);
    r.portNumber = DecimalOfField(view, IDC_PORT_NUMBER);
  } else {
    const int baud = view.Selection(IDC_BAUD_RATE);
    if (baud < 0) {
      refusal = kNoRateSelected;
      return false;
    }
    r.baudIndex = baud;
  }
  if (!EditsPrinter()) {
    data_.drawer.pinIndex = view.Selection(IDC_PIN_NUMBER);
    data_.drawer.pulseOnTime = DecimalOfField(view, IDC_PULSE_ON);
    data_.drawer.pulseOffTime = DecimalOfField(view, IDC_PULSE_OFF);
  }
  r.deviceClass = view.Selection(IDC_DEVICE_TYPE);
  return true;
}

}  // namespace quarvel
