#include <gtest/gtest.h>

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

#include "fixed_text.h"
#include "jpos_reader.h"
#include "jpos_writer.h"
#include "settings_ops.h"
#include "../support/temp_dir.h"

namespace quarvel {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

std::string Golden(const std::string& name) { return ReadBytes(std::string(QUARVEL_GOLDEN_DIR) + "/" + name); }

// A configuration built as the dialogs build it: Create New, then a device
// dialog confirmed for each device.
class WriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSettings(data, path);
    CreateNewConfiguration(data);
  }
  SetupData& AddPrinter(const char* name, int port, int baud, int cls) {
    PrepareDeviceEdit(data, working, DeviceKind::Printer);
    StoreText(working.printer.logicalName, name);
    working.printer.portIndex = port;
    StoreText(working.printer.portName, PortNameTable[static_cast<size_t>(port)]);
    working.printer.baudIndex = baud;
    working.printer.deviceClass = cls;
    return working;
  }
  SetupData& AddDrawer(const char* name, int port, int baud, int pin, int on, int off) {
    PrepareDeviceEdit(data, working, DeviceKind::CashDrawer);
    StoreText(working.drawer.logicalName, name);
    working.drawer.portIndex = port;
    StoreText(working.drawer.portName, PortNameTable[static_cast<size_t>(port)]);
    working.drawer.baudIndex = baud;
    working.drawer.pinIndex = pin;
    working.drawer.pulseOnTime = on;
    working.drawer.pulseOffTime = off;
    return working;
  }
  void Accept(DeviceKind kind) { AcceptDeviceEdit(data, working, kind); }

  SetupData data, working;
  ConfigPath path;
};

TEST_F(WriterTest, BothDevicesTcpPrinterAndCom3Drawer) {
  AddPrinter("POSPrinter", kTcpPortIndex, 1, 0);
  working.printer.ipAddress[0] = 192;
  working.printer.ipAddress[1] = 168;
  working.printer.ipAddress[2] = 0;
  working.printer.ipAddress[3] = 192;
  working.printer.portNumber = 9100;
  Accept(DeviceKind::Printer);
  AddDrawer("CashDrawer", 2, 2, 1, 200, 400);
  working.drawer.deviceClass = 1;  // the drawer's own class is not what the file carries
  Accept(DeviceKind::CashDrawer);
  EXPECT_EQ(FormatConfigFile(data), Golden("both_tcp_com3.xml"));
}

TEST_F(WriterTest, PrinterOnlyOnLpt1WritesTheStoredRate) {
  AddPrinter("Front Till", 9, 1, 1);
  Accept(DeviceKind::Printer);
  EXPECT_EQ(FormatConfigFile(data), Golden("printer_lpt1_dot.xml"));
}

TEST_F(WriterTest, DrawerOnlyFollowsTheAbsentPrintersClass) {
  AddDrawer("CashDrawer", 12, 1, 0, 150, -20);
  Accept(DeviceKind::CashDrawer);
  EXPECT_EQ(FormatConfigFile(data), Golden("drawer_usb.xml"));
}

TEST_F(WriterTest, SpecialCharactersAreEscaped) {
  AddPrinter("A&B <\"x\"> 'caf\xC3\xA9'", 1, 4, 1);
  Accept(DeviceKind::Printer);
  EXPECT_EQ(FormatConfigFile(data), Golden("printer_escaped.xml"));
}

// The JavaPOS loader can't parse an empty file: no device is an empty JposEntries.
TEST_F(WriterTest, NoDeviceGivesTheEmptyDocument) {
  AddPrinter("P", 0, 1, 0);
  Accept(DeviceKind::Printer);
  DeletePrinter(data);
  EXPECT_EQ(FormatConfigFile(data), Golden("none.xml"));
}

TEST_F(WriterTest, LineCountsAndLineEnds) {
  AddPrinter("P", 0, 1, 0);
  Accept(DeviceKind::Printer);
  AddDrawer("D", 0, 1, 0, 1, 1);
  Accept(DeviceKind::CashDrawer);
  const std::string text = FormatConfigFile(data);
  size_t crlf = 0, lf = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++lf;
      if (i > 0 && text[i - 1] == '\r') ++crlf;
    }
  }
  EXPECT_EQ(lf, 31u);
  EXPECT_EQ(crlf, 31u);
}

TEST(XmlExtension, CaseSensitiveSubstringRule) {
  EXPECT_EQ(WithXmlExtension("config"), "config.xml");
  EXPECT_EQ(WithXmlExtension("config.Xml"), "config.Xml.xml");
  EXPECT_EQ(WithXmlExtension("my.xmlfiles/a"), "my.xmlfiles/a");
  EXPECT_EQ(WithXmlExtension("JPOS.XML"), "JPOS.XML");
}

// Entries of other devices are kept as they stand and written after ours:
// a file the writer made, with a scanner after our devices, comes back byte
// for byte; with only the scanner left, head and foot still go round it.
TEST(KeptEntries, OtherDevicesSurviveASave) {
  SetupData data;
  ConfigPath path;
  ResetSettings(data, path);
  CreateNewConfiguration(data);
  data.printerPresent = 1;
  StoreText(data.printer.logicalName, "Front");
  data.drawerPresent = 1;
  StoreText(data.drawer.logicalName, "Drawer");
  const std::string ours = FormatConfigFile(data);
  const std::string scanner =
      "    <JposEntry logicalName=\"Scanner 1\">\r\n"
      "        <creation factoryClass=\"com.example.Factory\" serviceClass=\"com.example.Scanner\"/>\r\n"
      "        <jpos category=\"Scanner\" version=\"1.14\"/>\r\n"
      "        <prop name=\"portName\" type=\"String\" value=\"COM7\"/>\r\n"
      "        <prop name=\"long\" type=\"String\" value=\"" + std::string(1500, 'v') + "\"/>\r\n"
      "    </JposEntry>\r\n";
  const size_t foot = ours.rfind("</JposEntries>");
  const std::string file = ours.substr(0, foot) + scanner + ours.substr(foot);

  SetupData read;
  KeptEntries kept;
  EXPECT_TRUE(ReadConfigText(file, read, &kept).empty());
  EXPECT_EQ(read.printerPresent, 1);
  EXPECT_EQ(read.drawerPresent, 1);
  EXPECT_EQ(TextOf(read.drawer.logicalName), "Drawer");  // not the scanner's name
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].name, "Scanner 1");
  EXPECT_EQ(FormatConfigFile(read, kept), file);

  // A kept entry of the older code page is written back in UTF-8, as the file says it is.
  KeptEntries legacy;
  ReadConfigText("<JposEntry logicalName=\"Caf\xE9\">\n\n<jpos category=\"Scanner\"/>\n</JposEntry>\n", read, &legacy);
  ASSERT_EQ(legacy.size(), 1u);
  EXPECT_EQ(legacy[0].text.find('\xE9'), std::string::npos);

  DeletePrinter(read);
  DeleteCashDrawer(read);
  const std::string scannerOnly = FormatConfigFile(read, kept);
  EXPECT_EQ(scannerOnly, ours.substr(0, ours.find("    <JposEntry")) + scanner + "</JposEntries>\r\n");
  EXPECT_EQ(FormatConfigFile(read), Golden("none.xml"));  // nothing at all: head and foot
}

// Kept entries are written back only when they are well-formed XML, so the
// file stays one that parsers accept; the others are named in one message.
TEST(KeptEntries, OnlyWellFormedEntriesAreKept) {
  struct Case {
    const char* body;  // the lines between the category and the end tag
    bool kept;
  };
  const Case cases[] = {
      {"<prop name='a' value=\"&#x41;&apos;&gt;\" />\n<!-- a - b -->\n<x><![CDATA[<&>]]></x>", true},
      {"<x>a > b, \xE9, &#233;</x>\n<y\n  z = \"1\"\n/>", true},
      {"<prop name=\"a\">", false},                 // not closed
      {"<prop value=\"a<b\"/>", false},             // '<' in a value
      {"<prop value=\"a & b\"/>", false},           // bare '&'
      {"<prop value=\"&nbsp;\"/>", false},          // undeclared entity
      {"<prop a=\"1\" a=\"2\"/>", false},         // attribute twice
      {"<prop a=\"1\"b=\"2\"/>", false},          // no space between
      {"<prop value=\"\x01\"/>", false},           // control character
      {"<prop value=\"&#1;\"/>", false},            // ... as a reference
      {"<a></b>", false},                           // end tag of another
      {"<!-- a -- b -->", false},                   // "--" in a comment
      {"<a>]]></a>", false},                        // "]]>" in text
      {"<?pi x?>", false},                          // processing instruction
      {"<a b=1/>", false},                          // value without quotes
  };
  for (const Case& c : cases) {
    const std::string file = std::string("<JposEntry logicalName=\"Other\">\n<creation/>\n") +
                             "<jpos category=\"Scanner\"/>\n" + c.body + "\n</JposEntry>\n";
    SetupData read;
    KeptEntries kept;
    const auto messages = ReadConfigText(file, read, &kept);
    EXPECT_EQ(kept.size(), c.kept ? 1u : 0u) << c.body;
    EXPECT_EQ(messages.size(), c.kept ? 0u : 1u) << c.body;
  }
  // Lines before the category would be another device's when written back.
  for (const char* early : {"<prop name=\"portName\" value=\"COM9\"/>", "<x></JposEntry>"}) {
    const std::string file = std::string("<JposEntry logicalName=\"Other\">\n\n") + early +
                             "\n<jpos category=\"Scanner\"/>\n</JposEntry>\n";
    SetupData read;
    KeptEntries kept;
    EXPECT_EQ(ReadConfigText(file, read, &kept).size(), 1u) << early;
    EXPECT_TRUE(kept.empty()) << early;
  }
  SetupData read;
  KeptEntries kept;
  // An entry that ends where the next begins: the first is kept, the second
  // (never ended: its end is on the line the scan skips) named.
  EXPECT_EQ(ReadConfigText("<JposEntry logicalName=\"Other\">\n<creation/>\n<jpos category=\"Scanner\"/>\n"
                           "</JposEntry><JposEntry logicalName=\"x\">\n</JposEntry>\n", read, &kept),
            std::vector<std::string>{"Read as no device and left out when the file is saved: \"x\""});
  EXPECT_EQ(kept.size(), 1u);
  // An entry that names our category anywhere is ours, whatever else it says.
  EXPECT_TRUE(ReadConfigText("<JposEntry logicalName=\"P\">\n\n<jpos category=\"POSPrinter\"/>\n"
                             "<x category=\"Scanner\"/>\n</JposEntry>\n", read, &kept).empty());
  EXPECT_TRUE(kept.empty());
  EXPECT_EQ(TextOf(read.printer.logicalName), "P");
  const std::string two = "<JposEntry logicalName=\"A\">\n\n<jpos category=\"S\"/>\n<a>\n</JposEntry>\n"
                          "<JposEntry logicalName=\"B\">\n\n<jpos category=\"S\"/>\n<b>\n</JposEntry>\n";
  EXPECT_EQ(ReadConfigText(two, read, &kept),
            std::vector<std::string>{"Left out when the file is saved (not well-formed XML, or values before the category): \"A\" and 1 more"});
}

// A file of the older code page and the same file once saved (in UTF-8) read
// alike: the scanner counts characters, not bytes, when it skips to a value
// and when it cuts a long line.
TEST(KeptEntries, ALegacyFileReadsAsItsSave) {
  const std::string e505(505, '\xE9');
  const std::string files[] = {
      // the two characters skipped behind a keyword hold a legacy byte
      "<!-- logicalName\xE9=Comment -->\n\n<JposEntry>\n<jpos category=\"Scanner\"/>\n</JposEntry>\n",
      "<JposEntry logicalName=\"S\">\n<c/>\n<jpos category=\"Scanner\"/>\n<!-- category\xE9POSPrinter -->\n</JposEntry>\n",
      // 536 characters, over 1023 bytes once saved
      "<JposEntry logicalName=\"S\">\n<c/>\n<jpos a=\"" + e505 + "\" category=\"Scanner\"/>\n</JposEntry>\n",
  };
  for (const std::string& file : files) {
    SetupData first, second;
    KeptEntries keptFirst, keptSecond;
    EXPECT_TRUE(ReadConfigText(file, first, &keptFirst).empty()) << file;
    ASSERT_EQ(keptFirst.size(), 1u) << file;
    const std::string saved = FormatConfigFile(first, keptFirst);
    ReadConfigText(saved, second, &keptSecond);
    EXPECT_EQ(second.printerPresent, 0) << file;
    ASSERT_EQ(keptSecond.size(), 1u) << file;
    EXPECT_EQ(keptSecond[0].name, keptFirst[0].name) << file;
    EXPECT_EQ(FormatConfigFile(second, keptSecond), saved) << file;
  }
}

TEST(SaveConfigFile, WritesAndReplaces) {
  TempDir dir;
  SetupData data;
  ConfigPath path;
  ResetSettings(data, path);
  data.printerPresent = 1;
  StoreText(data.printer.logicalName, "P");

  const SaveResult first = SaveConfigFile(dir.File("jpos"), data);
  ASSERT_TRUE(first.ok) << first.detail;
  EXPECT_EQ(first.path, dir.File("jpos.xml"));
  EXPECT_EQ(ReadBytes(first.path), FormatConfigFile(data));

  data.printerPresent = 0;
  const SaveResult second = SaveConfigFile(dir.File("jpos.xml"), data);
  ASSERT_TRUE(second.ok) << second.detail;
  EXPECT_EQ(ReadBytes(second.path), Golden("none.xml"));
  // Nothing is left beside the file.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(SaveConfigFile, FailuresAreReportedAndKeepTheOldFile) {
  TempDir dir;
  SetupData data;
  ConfigPath path;
  ResetSettings(data, path);
  data.drawerPresent = 1;

  const SaveResult missingDir = SaveConfigFile(dir.File("no-such-dir/jpos.xml"), data);
  EXPECT_FALSE(missingDir.ok);
  EXPECT_FALSE(missingDir.detail.empty());

  std::filesystem::create_directory(dir.File("taken.xml"));
  WriteBytes(dir.File("taken.xml/inside"), "keep");
  EXPECT_FALSE(SaveConfigFile(dir.File("taken.xml"), data).ok);
  EXPECT_EQ(ReadBytes(dir.File("taken.xml/inside")), "keep");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(SaveConfigFile, RefusesAPathTooLongForTheField) {
  TempDir dir;
  SetupData data;
  ConfigPath path;
  ResetSettings(data, path);
  const std::string base = dir.File("");
  // 251 characters + ".xml" fits 255; one more does not, and is not cut to another name.
  const std::string fits = base + std::string(251 - base.size(), 'a');
  const std::string tooLong = base + std::string(252 - base.size(), 'a');
  EXPECT_FALSE(SaveConfigFile(tooLong, data).ok);
  EXPECT_FALSE(std::filesystem::exists(tooLong + ".xml"));
  EXPECT_TRUE(SaveConfigFile(fits, data).ok);
}

#ifdef _WIN32
// A file another program holds open with read and write sharing can still be
// read, and saved.
TEST(SaveConfigFile, AFileAnotherProgramHoldsOpenWithSharing) {
  TempDir dir;
  SetupData data;
  ConfigPath path;
  ResetSettings(data, path);
  data.printerPresent = 1;
  StoreText(data.printer.logicalName, "Shared");
  ASSERT_TRUE(SaveConfigFile(dir.File("jpos.xml"), data).ok);
  const std::wstring file = std::filesystem::path(dir.File("jpos.xml")).wstring();
  HANDLE other = CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  SetupData read;
  EXPECT_TRUE(LoadConfigFile(dir.File("jpos.xml"), read).opened);
  StoreText(data.printer.logicalName, "Saved while held");
  const SaveResult saved = SaveConfigFile(dir.File("jpos.xml"), data);
  CloseHandle(other);
  EXPECT_TRUE(saved.ok) << saved.detail;
  EXPECT_EQ(ReadBytes(dir.File("jpos.xml")), FormatConfigFile(data));
}
#else
// Saving replaces the file the user meant: through a link its target (the
// link stays), with the file's own mode, and whatever the length of its name.
TEST(SaveConfigFile, ThroughALinkKeepingTheModeWithAnyNameLength) {
  TempDir dir;
  SetupData data;
  ConfigPath path;
  ResetSettings(data, path);
  data.printerPresent = 1;
  StoreText(data.printer.logicalName, "Linked");
  WriteBytes(dir.File("real.xml"), "old");
  std::filesystem::permissions(dir.File("real.xml"), std::filesystem::perms(0640));
  std::filesystem::create_symlink(dir.File("real.xml"), dir.File("jpos.xml"));
  ASSERT_TRUE(SaveConfigFile(dir.File("jpos.xml"), data).ok);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("jpos.xml")));
  EXPECT_EQ(ReadBytes(dir.File("real.xml")), FormatConfigFile(data));
  EXPECT_EQ(std::filesystem::status(dir.File("real.xml")).permissions(), std::filesystem::perms(0640));

  // 249 characters and ".xml": within the 255 a name may have, with no room for a long temporary name.
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.File(""));
  const std::string name(249, 'n');
  const SaveResult longName = SaveConfigFile(name, data);
  std::filesystem::current_path(previous);
  EXPECT_TRUE(longName.ok) << longName.detail;
  EXPECT_EQ(ReadBytes(dir.File(name + ".xml")), FormatConfigFile(data));
}
#endif

}  // namespace
}  // namespace quarvel
