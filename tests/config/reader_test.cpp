#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#include "fixed_text.h"
#include "jpos_reader.h"
#include "jpos_writer.h"
#include "legacy_text.h"
#include "utf8.h"
#include "settings_ops.h"
#include "../support/temp_dir.h"

namespace quarvel {
namespace {

using testing::ReadBytes;

std::string Golden(const std::string& name) { return ReadBytes(std::string(QUARVEL_GOLDEN_DIR) + "/" + name); }

// One entry in the writer's layout, with the property lines given.
std::string Entry(const std::string& name, const std::string& category, const std::string& props,
                  const std::string& eol = "\n") {
  return "    <JposEntry logicalName=\"" + name + "\">" + eol +
         "        <creation factoryClass=\"f\" serviceClass=\"s\"/>" + eol +
         "        <jpos category=\"" + category + "\" version=\"1.8\"/>" + eol + props +
         "    </JposEntry>" + eol;
}
std::string Prop(const std::string& name, const std::string& value) {
  return "        <prop name=\"" + name + "\" type=\"String\" value=\"" + value + "\"/>\n";
}

struct Read {
  SetupData data;
  std::vector<std::string> messages;
  explicit Read(const std::string& text) { messages = ReadConfigText(text, data); }
};

TEST(Reader, RoundTripOfTheWritersFiles) {
  Read both(Golden("both_tcp_com3.xml"));
  EXPECT_EQ(both.data.mode, SetupMode::EditFile);
  EXPECT_TRUE(both.messages.empty());
  EXPECT_EQ(both.data.printerPresent, 1);
  EXPECT_EQ(TextOf(both.data.printer.logicalName), "POSPrinter");
  EXPECT_EQ(TextOf(both.data.printer.portName), "SOCKET:192.168.0.192");
  EXPECT_EQ(both.data.printer.portIndex, 13);
  EXPECT_EQ(both.data.printer.baudIndex, 1);
  EXPECT_EQ(both.data.printer.portNumber, 9100);
  EXPECT_EQ(both.data.printer.ipAddress[0], 192);
  EXPECT_EQ(both.data.printer.ipAddress[3], 192);
  EXPECT_EQ(both.data.drawerPresent, 1);
  EXPECT_EQ(both.data.drawer.portIndex, 2);
  EXPECT_EQ(both.data.drawer.baudIndex, 2);
  EXPECT_EQ(both.data.drawer.pinIndex, 1);
  EXPECT_EQ(both.data.drawer.pulseOnTime, 200);
  EXPECT_EQ(both.data.drawer.pulseOffTime, 400);

  Read lpt(Golden("printer_lpt1_dot.xml"));
  EXPECT_EQ(lpt.data.printer.portIndex, 9);
  EXPECT_EQ(lpt.data.printer.deviceClass, 1);
  EXPECT_EQ(lpt.data.drawerPresent, 0);
  EXPECT_EQ(lpt.data.drawer.pulseOnTime, 200);
  EXPECT_EQ(lpt.data.drawer.pulseOffTime, 400);

  Read drawer(Golden("drawer_usb.xml"));
  EXPECT_EQ(drawer.data.printerPresent, 0);
  EXPECT_EQ(drawer.data.drawer.portIndex, 12);
  EXPECT_EQ(drawer.data.drawer.pinIndex, 0);
  EXPECT_EQ(drawer.data.drawer.pulseOffTime, -20);

  Read escaped(Golden("printer_escaped.xml"));
  EXPECT_EQ(TextOf(escaped.data.printer.logicalName), "A&B <\"x\"> 'caf\xC3\xA9'");
  EXPECT_EQ(escaped.data.printer.baudIndex, 4);

  // Written again, each file comes out byte for byte as it was.
  for (const char* name : {"both_tcp_com3.xml", "printer_lpt1_dot.xml", "drawer_usb.xml", "printer_escaped.xml"}) {
    Read again(Golden(name));
    EXPECT_EQ(FormatConfigFile(again.data), Golden(name)) << name;
  }
}

TEST(Reader, EmptyOrEntrylessFilesLeaveBothDevicesAbsent) {
  for (const std::string& text : {std::string(), std::string("<JposEntries>\n</JposEntries>\n")}) {
    Read r(text);
    EXPECT_EQ(r.data.printerPresent, 0);
    EXPECT_EQ(r.data.drawerPresent, 0);
    EXPECT_EQ(r.data.printer.portNumber, 9100);
    EXPECT_EQ(r.data.printer.baudIndex, 1);
    EXPECT_EQ(r.data.drawer.pulseOnTime, 200);
    EXPECT_EQ(r.data.drawer.pulseOffTime, 400);
    EXPECT_EQ(r.data.mode, SetupMode::EditFile);
  }
}

TEST(Reader, PortNameLookups) {
  struct Case {
    std::string portName;
    int32_t portIndex;
    std::array<uint8_t, 4> ip;
    int32_t portNumber;
  };
  const Case cases[] = {
      {"COM", 0, {0, 0, 0, 0}, 9100},
      {"", 0, {0, 0, 0, 0}, 9100},
      {"LPT2", 10, {0, 0, 0, 0}, 9100},
      {"TCP/IP", 13, {0, 0, 0, 0}, 9100},
      {"COM10", 13, {255, 255, 255, 255}, 4321},
      {"SOCKET:10.0.0.5", 13, {10, 0, 0, 5}, 4321},
      {"XXXXXXX10.0.0.5", 13, {10, 0, 0, 5}, 4321},  // the prefix is skipped, not compared
      {"SOCKET:", 13, {255, 255, 255, 255}, 4321},
      {"SOCKET:10.0.0.256", 13, {255, 255, 255, 255}, 4321},
  };
  for (const Case& c : cases) {
    Read r(Entry("P", "POSPrinter", Prop("portName", c.portName) + Prop("portSettings", "4321abc")));
    EXPECT_EQ(r.data.printer.portIndex, c.portIndex) << c.portName;
    EXPECT_EQ(r.data.printer.portNumber, c.portNumber) << c.portName;
    EXPECT_EQ(r.data.printer.baudIndex, 1) << c.portName;
    EXPECT_EQ((std::array<uint8_t, 4>{r.data.printer.ipAddress[0], r.data.printer.ipAddress[1],
                                      r.data.printer.ipAddress[2], r.data.printer.ipAddress[3]}),
              c.ip)
        << c.portName;
  }
  Read missing(Entry("P", "POSPrinter", ""));
  EXPECT_EQ(missing.data.printer.portIndex, 0);
  EXPECT_EQ(missing.data.printer.baudIndex, 0);  // an empty rate text matches "4800"
}

TEST(Reader, RateLookupsAndUnknownSettings) {
  Read one(Entry("P", "POSPrinter", Prop("portName", "COM2") + Prop("portSettings", "1")));
  EXPECT_EQ(one.data.printer.baudIndex, 2);  // the first rate that starts with "1"
  EXPECT_TRUE(one.messages.empty());

  Read unknown(Entry("P", "POSPrinter", Prop("portName", "COM2") + Prop("portSettings", "57600")) +
               Entry("D", "CashDrawer", Prop("portName", "COM3") + Prop("portSettings", "300")));
  ASSERT_EQ(unknown.messages.size(), 2u);
  EXPECT_EQ(unknown.messages[0], "Printer : Unknown Settings");
  EXPECT_EQ(unknown.messages[1], "CashDrawer : Unknown Settings");
  EXPECT_EQ(unknown.data.printer.baudIndex, 1);  // a position the dialog can show
  EXPECT_EQ(unknown.data.drawer.baudIndex, 1);

  Read usb(Entry("P", "POSPrinter", Prop("portName", "USB") + Prop("portSettings", "57600")));
  EXPECT_TRUE(usb.messages.empty());  // no rate lookup for a port that is not serial
  EXPECT_EQ(usb.data.printer.baudIndex, 1);
}

TEST(Reader, DrawerNumbersAndPin) {
  const auto pinOf = [](const std::string& props) { return Read(Entry("D", "CashDrawer", props)).data.drawer.pinIndex; };
  EXPECT_EQ(pinOf(Prop("PinNo", "2")), 0);
  EXPECT_EQ(pinOf(Prop("PinNo", "5")), 1);
  EXPECT_EQ(pinOf(Prop("PinNo", "3")), 1);
  EXPECT_EQ(pinOf(""), 1);

  Read r(Entry("D", "CashDrawer", Prop("PulseOnTime", " -15ms")));
  EXPECT_EQ(r.data.drawerPresent, 1);
  EXPECT_EQ(r.data.drawer.pulseOnTime, -15);
  EXPECT_EQ(r.data.drawer.pulseOffTime, 0);  // missing in a present entry
  EXPECT_EQ(r.data.drawer.deviceClass, 0);
  Read dot(Entry("D", "CashDrawer", Prop("deviceClassName", "Dotty")));
  EXPECT_EQ(dot.data.drawer.deviceClass, 1);
}

TEST(Reader, ScannerQuirksOfTheLayout) {
  // The line after the JposEntry line is never examined: a category there is lost.
  Read lost("<JposEntry logicalName=\"P\">\n<jpos category=\"POSPrinter\"/>\n" + Prop("portName", "LPT1") +
            "</JposEntry>\n");
  EXPECT_EQ(lost.data.printerPresent, 0);

  // An entry without a category: as the first entry, the scan runs into the
  // next entry, whose category receives the first entry's name.
  Read nameless("<JposEntry logicalName=\"First\">\nskipped\n" + Prop("portName", "COM5") +
                "</JposEntry>\n" + Entry("Second", "POSPrinter", Prop("portName", "COM4")));
  EXPECT_EQ(nameless.data.printerPresent, 1);
  EXPECT_EQ(TextOf(nameless.data.printer.logicalName), "First");
  EXPECT_EQ(nameless.data.printer.portIndex, 3);

  // After an entry with a category, a category-less one adds to that device.
  Read follows(Entry("P", "POSPrinter", Prop("portName", "COM5")) + "<JposEntry logicalName=\"X\">\nskip\n" +
               Prop("portName", "COM6") + "</JposEntry>\n");
  EXPECT_EQ(TextOf(follows.data.printer.logicalName), "P");
  EXPECT_EQ(follows.data.printer.portIndex, 5);

  // Any property's value is behind the first "value" of its line.
  Read odd(Entry("P", "POSPrinter", "<prop value=\"COM7\" name=\"portName\"/>\n"));
  EXPECT_EQ(odd.data.printer.portIndex, 6);
}

// Every entry is our printer, our drawer, a kept entry, or named in a
// message: none is dropped in silence, none takes another's name or values.
TEST(Reader, NoEntryIsDroppedOrMergedInSilence) {
  const std::string printer = Entry("P", "POSPrinter", Prop("portName", "COM2") + Prop("portSettings", "19200"));
  std::string utf16;  // the printer's entry in UTF-16 without a byte-order mark
  for (const char c : printer) utf16 += std::string{c, '\0'};
  struct Case {
    const char* what;
    std::string file;
    std::vector<std::string> kept;
    std::string message;  // a part of the one message, or none
  };
  const std::vector<Case> cases = {
      {"an entry that ends where the printer's begins",
       "<JposEntry logicalName=\"S\">\n<c/>\n<jpos category=\"Scanner\"/>\n</JposEntry>" + printer.substr(4), {"S"}, ""},
      {"a one-line entry before the printer",
       "<JposEntry logicalName=\"S\"><jpos category=\"Scanner\"/></JposEntry>\n" + printer, {"S"}, ""},
      {"a second printer", printer + Entry("P2", "POSPrinter", Prop("portName", "COM3")), {"P2"}, ""},
      {"a drawer's category inside CDATA",
       Entry("S", "Scanner", "<x><![CDATA[\n<jpos category=\"CashDrawer\"/>\n]]></x>\n") + printer, {"S"}, ""},
      {"UTF-16 without a byte-order mark", utf16, {}, ""},
      {"an entry without a category after the printer",
       printer + "<JposEntry logicalName=\"X\">\n<c/>\n</JposEntry>\n", {}, "Read as no device and left out when the file is saved: \"X\""},
  };
  for (const Case& c : cases) {
    SetupData data;
    KeptEntries kept;
    const std::vector<std::string> messages = ReadConfigText(c.file, data, &kept);
    EXPECT_EQ(data.printerPresent, 1) << c.what;
    EXPECT_EQ(TextOf(data.printer.logicalName), "P") << c.what;
    EXPECT_EQ(data.printer.portIndex, 1) << c.what;
    EXPECT_EQ(data.printer.baudIndex, 2) << c.what;
    EXPECT_EQ(data.drawerPresent, 0) << c.what;
    std::vector<std::string> names;
    for (const KeptEntry& entry : kept) names.push_back(entry.name);
    EXPECT_EQ(names, c.kept) << c.what;
    if (c.message.empty()) {
      EXPECT_TRUE(messages.empty()) << c.what << ": " << (messages.empty() ? "" : messages[0]);
    } else {
      ASSERT_EQ(messages.size(), 1u) << c.what;
      EXPECT_NE(messages[0].find(c.message), std::string::npos) << c.what << ": " << messages[0];
    }
  }
}

#ifdef _WIN32
// Under code page 932 (Shift-JIS) a legacy name is decoded by the code
// page's rules, lead and trail byte together (the trail may look like ASCII),
// and the save keeps it as it reads.
TEST(Reader, ADoubleByteCodePageDecodesWholeCharacters) {
  if (GetACP() != 932) GTEST_SKIP() << "needs code page 932: the test reader_code_page_932 runs it so";
  const std::string cafe = "\xE3\x82\xAB\xE3\x83\x95\xE3\x82\xA7";  // カフェ
  Read legacy(Entry("\x83\x4A\x83\x74\x83\x46", "POSPrinter", Prop("portName", "LPT1")));
  EXPECT_EQ(TextOf(legacy.data.printer.logicalName), cafe);
  Read saved(FormatConfigFile(legacy.data));
  EXPECT_EQ(TextOf(saved.data.printer.logicalName), cafe);
}
#endif

TEST(Reader, LineEndsLongLinesAndLongValues) {
  const std::string crlf = Entry("P", "POSPrinter", "", "\r\n");
  EXPECT_EQ(Read(crlf).data.printerPresent, 1);
  // Lone CR line ends (an old Mac editor) read as the same lines.
  const std::string cr = Entry("Till 2", "POSPrinter", Prop("portName", "LPT2"), "\r");
  Read loneCr(cr);
  EXPECT_EQ(loneCr.data.printerPresent, 1);
  EXPECT_EQ(TextOf(loneCr.data.printer.logicalName), "Till 2");
  EXPECT_EQ(loneCr.data.printer.portIndex, 10);

  // A line over 1023 characters reads as two: the part after the cut is the
  // skipped line, so the category on the line after that still counts.
  const std::string longLine = "<JposEntry logicalName=\"P\">" + std::string(1100, ' ') + "\n";
  Read split(longLine + "<jpos category=\"POSPrinter\"/>\n</JposEntry>\n");
  EXPECT_EQ(split.data.printerPresent, 1);

  const std::string name80(80, 'n');
  Read cut(Entry(name80, "POSPrinter", Prop("portName", "SOCKET:" + std::string(40, '1'))));
  EXPECT_EQ(TextOf(cut.data.printer.logicalName), std::string(63, 'n'));
  EXPECT_EQ(cut.data.printer.portIndex, 13);
  EXPECT_EQ(cut.data.printer.ipAddress[0], 255);
}

std::string Repeated(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

// Names of the older 8-bit code page are decoded once, when read; a field holds
// 63 characters however many bytes they take, so every name the old program
// could hold comes back unchanged from a save and a read.
// The legacy code page's character for `byte`, in UTF-8 (the system's own on
// Windows, Windows-1252 elsewhere).
std::string LegacyUtf8(unsigned char byte) {
  std::string text;
  AppendUtf8(text, LegacyCharacter(byte));
  return text;
}

TEST(Reader, LegacyAndMultibyteNamesSurviveARoundTrip) {
#ifndef _WIN32
  EXPECT_EQ(LegacyUtf8(0xE9), "\xC3\xA9");      // é
  EXPECT_EQ(LegacyUtf8(0x80), "\xE2\x82\xAC");  // the euro sign, not U+0080
#endif
  Read cafe(Entry("Caf\xE9 \x80", "POSPrinter", Prop("portName", "LPT1")));
  EXPECT_EQ(TextOf(cafe.data.printer.logicalName), "Caf" + LegacyUtf8(0xE9) + " " + LegacyUtf8(0x80));

  const std::string e63 = Repeated(LegacyUtf8(0xE9), 63);
  Read legacy(Entry(std::string(65, '\xE9'), "POSPrinter", Prop("portName", "LPT1")));
  EXPECT_EQ(TextOf(legacy.data.printer.logicalName), e63);  // cut to 63 characters, none split
  Read again(FormatConfigFile(legacy.data));
  EXPECT_EQ(TextOf(again.data.printer.logicalName), e63);

  const std::string euro63 = Repeated("\xE2\x82\xAC", 63);
  Read multibyte(Entry(euro63 + "\xE2\x82\xAC", "CashDrawer", Prop("portName", "COM2")));
  EXPECT_EQ(TextOf(multibyte.data.drawer.logicalName), euro63);
  EXPECT_EQ(TextOf(Read(FormatConfigFile(multibyte.data)).data.drawer.logicalName), euro63);
}

// An editor's "Unicode" is UTF-16 with a byte-order mark, either order.
TEST(Reader, Utf16FilesReadAsTheirText) {
  const std::string utf8 = Entry("Caf\xC3\xA9 \xF0\x9F\x96\xA8", "POSPrinter", Prop("portName", "LPT1"));
  Read expected(utf8);
  ASSERT_EQ(expected.data.printerPresent, 1);
  std::u16string units = u"\uFEFF";
  units += u"<JposEntry logicalName=\"Caf\u00E9 \U0001F5A8\">\r\n<c/>\r\n<jpos category=\"POSPrinter\"/>\r\n"
           u"<prop name=\"portName\" value=\"LPT1\"/>\r\n</JposEntry>\r\n";
  for (const bool bigEndian : {false, true}) {
    std::string bytes;
    for (const char16_t unit : units) {
      const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
      bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    Read utf16(bytes);
    EXPECT_EQ(FormatConfigFile(utf16.data), FormatConfigFile(expected.data)) << bigEndian;
  }
  // A surrogate without its pair and an odd last byte stand in as U+FFFD.
  EXPECT_EQ(Utf16ToUtf8(std::string("A\0\x00\xD8" "B\0\x01", 7), false), "A\xEF\xBF\xBD" "B\xEF\xBF\xBD");
}

TEST(Reader, LoadReportsAFileThatCannotBeOpened) {
  testing::TempDir dir;
  SetupData data;
  ConfigPath path;
  ResetSettings(data, path);
  StoreText(data.printer.logicalName, "unchanged");
  const LoadResult result = LoadConfigFile(dir.File("missing.xml"), data);
  EXPECT_FALSE(result.opened);
  EXPECT_EQ(TextOf(data.printer.logicalName), "unchanged");
  EXPECT_EQ(data.mode, SetupMode::None);
}

}  // namespace
}  // namespace quarvel
