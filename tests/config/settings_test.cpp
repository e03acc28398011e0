#include <gtest/gtest.h>

#include "fixed_text.h"
#include "inet_address.h"
#include "settings_ops.h"
#include "xml_text.h"

namespace quarvel {
namespace {

TEST(FixedText, CutsToTheFieldOnACharacterBoundary) {
  char field[8];
  StoreText(field, "abcdefghij");
  EXPECT_EQ(TextOf(field), "abcdefg");
  // "é" is two bytes; cutting at 7 bytes must not split the last one.
  StoreText(field, "abcde\xC3\xA9xyz");
  EXPECT_EQ(TextOf(field), "abcde\xC3\xA9");
  StoreText(field, "abcdef\xC3\xA9");
  EXPECT_EQ(TextOf(field), "abcdef");
  StoreText(field, "");
  EXPECT_EQ(TextOf(field), "");
}

TEST(FixedText, DecimalReadsLikeAtoiAndSaturates) {
  EXPECT_EQ(ParseDecimal32("9100"), 9100);
  EXPECT_EQ(ParseDecimal32("  -42abc"), -42);
  EXPECT_EQ(ParseDecimal32("+7"), 7);
  EXPECT_EQ(ParseDecimal32("abc"), 0);
  EXPECT_EQ(ParseDecimal32(""), 0);
  EXPECT_EQ(ParseDecimal32("- 5"), 0);
  EXPECT_EQ(ParseDecimal32("2147483647"), 2147483647);
  EXPECT_EQ(ParseDecimal32("2147483648"), 2147483647);
  EXPECT_EQ(ParseDecimal32("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(ParseDecimal32("-99999999999999999999999"), -2147483647 - 1);
}

TEST(InetAddress, FollowsTheClassicParser) {
  using A = std::array<uint8_t, 4>;
  EXPECT_EQ(ParseInetAddress("192.168.0.192"), (A{192, 168, 0, 192}));
  EXPECT_EQ(ParseInetAddress("10.1"), (A{10, 0, 0, 1}));
  EXPECT_EQ(ParseInetAddress("10.1.258"), (A{10, 1, 1, 2}));
  EXPECT_EQ(ParseInetAddress("0x7f.1"), (A{127, 0, 0, 1}));
  EXPECT_EQ(ParseInetAddress("010.0.0.1"), (A{8, 0, 0, 1}));
  EXPECT_EQ(ParseInetAddress("1.2.3.4 trailing"), (A{1, 2, 3, 4}));
  EXPECT_FALSE(ParseInetAddress(""));
  EXPECT_FALSE(ParseInetAddress("1.2.3.256"));
  EXPECT_FALSE(ParseInetAddress("1.2.3.4.5"));
  EXPECT_FALSE(ParseInetAddress("1..2"));
  EXPECT_FALSE(ParseInetAddress("09.1.1.1"));
  EXPECT_FALSE(ParseInetAddress("host.example"));
  EXPECT_FALSE(ParseInetAddress("1.2.3.4x"));
  EXPECT_EQ(InetAddrOrNone("nonsense"), (A{255, 255, 255, 255}));
}

TEST(XmlText, EscapesAndRestoresTheSpecialCharacters) {
  EXPECT_EQ(EscapeAttribute("A&B <\"x\"> 'y'"), "A&amp;B &lt;&quot;x&quot;> 'y'");  // > and ' need none
  EXPECT_EQ(UnescapeAttribute("A&amp;B &lt;&quot;x&quot;&gt; &apos;y&apos;"), "A&B <\"x\"> 'y'");
  EXPECT_EQ(UnescapeAttribute("&#65;&#x42;&#x20AC;"), "AB\xE2\x82\xAC");
  // A file written without escaping keeps its bare ampersands.
  EXPECT_EQ(UnescapeAttribute("Fish & Chips &unknown; &#0; &"), "Fish & Chips &unknown; &#0; &");
}

TEST(XmlText, NeverEmitsInvalidUtf8OrCharactersXmlCannotCarry) {
  EXPECT_EQ(EscapeAttribute("caf\xC3\xA9"), "caf\xC3\xA9");                // valid UTF-8 kept
  EXPECT_EQ(EscapeAttribute("caf\xE9"), "caf\xC3\xA9");                    // a stray byte as Latin-1
  EXPECT_EQ(EscapeAttribute("\xC0\xAF"), "\xC3\x80\xC2\xAF");              // overlong form, byte by byte
  EXPECT_EQ(EscapeAttribute("\xED\xA0\x80").size(), 6u);                   // a surrogate is no character
  EXPECT_EQ(EscapeAttribute(std::string("a\x01" "b", 3)), "a\xEF\xBF\xBD" "b");  // control → U+FFFD
  EXPECT_EQ(EscapeAttribute("a\tb\r\n"), "a&#9;b&#13;&#10;");
  EXPECT_EQ(UnescapeAttribute(EscapeAttribute("a\tb\r\n")), "a\tb\r\n");
}

SetupData EmptyState() {
  SetupData data;
  ConfigPath path;
  ResetSettings(data, path);
  return data;
}

TEST(SettingsOps, EmptyStateAndCreateNew) {
  SetupData data;
  data.printer.portIndex = 5;
  data.drawer.pulseOnTime = 3;
  ConfigPath path;
  StoreText(path.text, "C:\\x.xml");
  ResetSettings(data, path);
  EXPECT_EQ(TextOf(path.text), "");
  EXPECT_EQ(data.printer.portIndex, 0);
  EXPECT_EQ(data.printer.baudIndex, 1);
  EXPECT_EQ(data.printer.portNumber, 9100);
  EXPECT_EQ(data.drawer.pulseOnTime, 0);
  EXPECT_EQ(data.drawer.pulseOffTime, 0);

  data.printer.deviceClass = 1;
  data.printerPresent = 1;
  CreateNewConfiguration(data);
  EXPECT_EQ(data.mode, SetupMode::NewFile);
  EXPECT_EQ(data.printerPresent, 0);
  EXPECT_EQ(data.printer.deviceClass, 0);
}

TEST(SettingsOps, DeleteKeepsThePortAndTheDrawerTimings) {
  SetupData data = EmptyState();
  data.drawerPresent = 1;
  data.drawer.portIndex = 12;
  StoreText(data.drawer.logicalName, "Till");
  data.drawer.baudIndex = 3;
  data.drawer.pinIndex = 1;
  data.drawer.pulseOnTime = 120;
  data.drawer.pulseOffTime = 240;
  data.drawer.deviceClass = 1;
  DeleteCashDrawer(data);
  EXPECT_EQ(data.drawerPresent, 0);
  EXPECT_EQ(TextOf(data.drawer.logicalName), "");
  EXPECT_EQ(data.drawer.portIndex, 12);
  EXPECT_EQ(data.drawer.baudIndex, 0);
  EXPECT_EQ(data.drawer.portNumber, 0);
  EXPECT_EQ(data.drawer.deviceClass, 0);
  EXPECT_EQ(data.drawer.pinIndex, 1);
  EXPECT_EQ(data.drawer.pulseOnTime, 120);
  EXPECT_EQ(data.drawer.pulseOffTime, 240);
}

TEST(SettingsOps, ExchangeWithTheDeviceDialog) {
  SetupData master = EmptyState();
  master.mode = SetupMode::NewFile;
  SetupData working = EmptyState();
  StoreText(working.printer.logicalName, "stale name that must go");
  StoreText(working.printer.portName, "LPT3");

  PrepareDeviceEdit(master, working, DeviceKind::Printer);
  EXPECT_EQ(master.editKind, DeviceKind::Printer);
  EXPECT_EQ(working.editKind, DeviceKind::Printer);
  EXPECT_EQ(working.mode, SetupMode::NewFile);
  EXPECT_EQ(TextOf(working.printer.logicalName), "");
  EXPECT_EQ(TextOf(working.printer.portName), "LPT3");  // the dialog sets it at OK

  // The dialog confirms a TCP/IP printer.
  StoreText(working.printer.logicalName, "Net");
  working.printer.portIndex = kTcpPortIndex;
  StoreText(working.printer.portName, "TCP/IP");
  working.printer.portNumber = 9101;
  working.printer.ipAddress[0] = 10;
  working.printer.ipAddress[3] = 7;
  AcceptDeviceEdit(master, working, DeviceKind::Printer);
  EXPECT_EQ(master.printerPresent, 1);
  EXPECT_EQ(master.printer.portNumber, 9101);
  EXPECT_EQ(master.printer.ipAddress[3], 7);

  // Modified to COM1: the address and port number of before stay.
  PrepareDeviceEdit(master, working, DeviceKind::Printer);
  working.printer.portIndex = 0;
  StoreText(working.printer.portName, "COM1");
  working.printer.portNumber = 1;
  working.printer.ipAddress[3] = 99;
  AcceptDeviceEdit(master, working, DeviceKind::Printer);
  EXPECT_EQ(master.printer.portIndex, 0);
  EXPECT_EQ(TextOf(master.printer.portName), "COM1");
  EXPECT_EQ(master.printer.portNumber, 9101);
  EXPECT_EQ(master.printer.ipAddress[3], 7);
}

TEST(SettingsOps, DrawerTimingsCrossWhateverThePort) {
  SetupData master = EmptyState();
  master.drawer.pinIndex = 1;
  master.drawer.pulseOnTime = 50;
  SetupData working = EmptyState();
  PrepareDeviceEdit(master, working, DeviceKind::CashDrawer);
  EXPECT_EQ(working.drawer.pinIndex, 1);
  EXPECT_EQ(working.drawer.pulseOnTime, 50);
  working.drawer.portIndex = 9;
  working.drawer.pulseOffTime = 777;
  working.drawer.portNumber = 1234;
  AcceptDeviceEdit(master, working, DeviceKind::CashDrawer);
  EXPECT_EQ(master.drawerPresent, 1);
  EXPECT_EQ(master.drawer.pulseOffTime, 777);
  EXPECT_EQ(master.drawer.portNumber, 9100);
  EXPECT_EQ(master.printerPresent, 0);
}

TEST(SettingsOps, DerivedValues) {
  EXPECT_EQ(RateText(2), "19200");
  EXPECT_EQ(RateText(4), "115200");
  EXPECT_EQ(RateText(-1), "9600");  // no position outside the list is ever used
  EXPECT_EQ(RateText(5), "9600");
  EXPECT_EQ(PinNumber(0), 2);
  EXPECT_EQ(PinNumber(1), 5);
  EXPECT_EQ(PinNumber(-1), 5);
  EXPECT_EQ(DeviceClassText(0), "Thermal");
  EXPECT_EQ(DeviceClassText(-1), "Dot");
}

}  // namespace
}  // namespace quarvel
