#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "legacy_text.h"
#include "quarvel_cli.h"
#include "utf8.h"
#include "../support/temp_dir.h"

namespace quarvel {
namespace {

using testing::ReadBytes;
using testing::TempDir;

struct CliRun {
  int code;
  std::string out, err;
};

CliRun Cli(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = RunQuarvelCli(args, out, err);
  return {code, out.str(), err.str()};
}

TEST(Cli, WriteThenShowGivesTheSettledValues) {
  TempDir dir;
  const CliRun written = Cli({"write", dir.File("till"), "--printer", "Front", "--printer-port", "TCP/IP",
                           "--printer-ip", "10.1.2.3", "--printer-tcp-port", "9101", "--drawer-port", "COM4",
                           "--drawer-rate", "38400", "--drawer-pin", "5", "--drawer-pulse-off", "-1"});
  ASSERT_EQ(written.code, 0) << written.err;
  EXPECT_EQ(written.out, dir.File("till.xml") + "\n");

  const CliRun shown = Cli({"show", dir.File("till.xml")});
  ASSERT_EQ(shown.code, 0) << shown.err;
  EXPECT_EQ(shown.out,
            "mode=2\neditKind=0\nprinterPresent=1\nprinter.portIndex=13\nprinter.logicalName=Front\n"
            "printer.portName=SOCKET:10.1.2.3\nprinter.baudIndex=1\nprinter.portNumber=9101\n"
            "printer.ipAddress=10.1.2.3\nprinter.deviceClass=0\ndrawerPresent=1\ndrawer.portIndex=3\n"
            "drawer.logicalName=CashDrawer\ndrawer.portName=COM4\ndrawer.baudIndex=3\ndrawer.portNumber=9100\n"
            "drawer.ipAddress=0.0.0.0\ndrawer.pinIndex=1\ndrawer.pulseOnTime=200\ndrawer.pulseOffTime=-1\n"
            "drawer.deviceClass=0\n");
}

TEST(Cli, ShowListsTheMessagesLast) {
  TempDir dir;
  testing::WriteBytes(dir.File("odd.xml"),
                      "<JposEntry logicalName=\"P\">\n\n<jpos category=\"POSPrinter\"/>\n"
                      "<prop name=\"portName\" value=\"COM1\"/>\n<prop name=\"portSettings\" value=\"300\"/>\n"
                      "</JposEntry>\n");
  const CliRun shown = Cli({"show", dir.File("odd.xml")});
  EXPECT_EQ(shown.code, 0);
  EXPECT_NE(shown.out.find("printer.baudIndex=1\n"), std::string::npos);
  EXPECT_TRUE(shown.out.ends_with("drawer.deviceClass=0\nmessage=Printer : Unknown Settings\n"));
}

// A name may hold a line feed (as &#10;) or other control characters: show
// escapes them, so no name can forge a line of its output.
TEST(Cli, ShowEscapesValuesOntoTheirOwnLines) {
  TempDir dir;
  testing::WriteBytes(dir.File("forged.xml"),
                      "<JposEntry logicalName=\"A&#10;printerPresent=0\\x\t&#9;\x01\">\n\n"
                      "<jpos category=\"POSPrinter\"/>\n</JposEntry>\n");
  const CliRun shown = Cli({"show", dir.File("forged.xml")});
  ASSERT_EQ(shown.code, 0);
  // A raw tab reads as a space, as an XML parser reads it; &#9; is a tab.
  EXPECT_NE(shown.out.find("printer.logicalName=A\\nprinterPresent=0\\\\x \\t\\x01\n"), std::string::npos)
      << shown.out;
  EXPECT_NE(shown.out.find("\nprinterPresent=1\n"), std::string::npos);
  EXPECT_EQ(shown.out.find("\nprinterPresent=0"), std::string::npos);
  EXPECT_NE(Cli({"--help"}).out.find("\\xHH"), std::string::npos);
}

// The last device deleted by an edit leaves the document that `write` with no
// option makes, and it reads back as no device.
TEST(Cli, NoDeviceLeavesTheEmptyDocument) {
  TempDir dir;
  ASSERT_EQ(Cli({"write", dir.File("empty.xml")}).code, 0);
  ASSERT_EQ(Cli({"write", dir.File("one.xml"), "--drawer", "D"}).code, 0);
  ASSERT_EQ(Cli({"edit", dir.File("one.xml"), "--no-drawer"}).code, 0);
  EXPECT_EQ(ReadBytes(dir.File("one.xml")), ReadBytes(dir.File("empty.xml")));
  const std::string shown = Cli({"show", dir.File("one.xml")}).out;
  EXPECT_NE(shown.find("\nprinterPresent=0\n"), std::string::npos);
  EXPECT_NE(shown.find("\ndrawerPresent=0\n"), std::string::npos);
  EXPECT_EQ(shown.find("message="), std::string::npos);
}

// Windows replaced an existing file only under a full path: "jpos.xml" and
// "wt/b.xml" saved once, then never again.
TEST(Cli, SavesAgainUnderAPathRelativeToTheCurrentFolder) {
  TempDir dir;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  std::filesystem::create_directory("wt");
  std::vector<int> codes;
  for (const char* file : {"jpos.xml", "wt/b.xml"}) {
    codes.push_back(Cli({"write", file, "--printer", "First"}).code);
    codes.push_back(Cli({"edit", file, "--printer", "Second"}).code);
  }
  std::filesystem::current_path(previous);
  EXPECT_EQ(codes, std::vector<int>(4, 0));
  EXPECT_NE(ReadBytes(dir.File("jpos.xml")).find("logicalName=\"Second\""), std::string::npos);
  EXPECT_NE(ReadBytes(dir.File("wt/b.xml")).find("logicalName=\"Second\""), std::string::npos);
}

// What an XML parser reads is what show reads; a folder, a FIFO, a chain of
// dangling links and an option without its value are each handled sensibly.
TEST(Cli, ReferencesFoldersFifosLinkChainsAndMissingValues) {
  TempDir dir;
  testing::WriteBytes(dir.File("long.xml"),
                      "<JposEntry logicalName=\"A&#0000000066;C\">\n\n<jpos category=\"POSPrinter\"/>\n</JposEntry>\n");
  EXPECT_NE(Cli({"show", dir.File("long.xml")}).out.find("printer.logicalName=ABC\n"), std::string::npos);

  const CliRun folder = Cli({"write", dir.File("sub") + "/", "--printer", "P"});
  EXPECT_EQ(folder.code, 1);
  EXPECT_NE(folder.err.find("no file name"), std::string::npos) << folder.err;
  EXPECT_EQ(Cli({"write", dir.File("x.xml"), "--printer", "--no-drawer"}).code, 2);
  EXPECT_FALSE(std::filesystem::exists(dir.File("x.xml")));
#ifndef _WIN32
  ASSERT_EQ(::mkfifo(dir.File("fifo.xml").c_str(), 0600), 0);
  const CliRun fifo = Cli({"write", dir.File("fifo.xml"), "--printer", "P"});
  EXPECT_EQ(fifo.code, 1);
  EXPECT_NE(fifo.err.find(dir.File("fifo.xml") + ": not a regular file"), std::string::npos) << fifo.err;
  EXPECT_EQ(fifo.err.find("directory"), std::string::npos) << fifo.err;

  std::filesystem::create_symlink("middle.xml", dir.File("first.xml"));
  std::filesystem::create_symlink("last.xml", dir.File("middle.xml"));
  ASSERT_EQ(Cli({"write", dir.File("first.xml"), "--printer", "P"}).code, 0);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("middle.xml")));
  EXPECT_NE(ReadBytes(dir.File("last.xml")).find("logicalName=\"P\""), std::string::npos);
#endif
}

// Kept lines ending in LF are written with CR LF: an edit that would write
// more than the reader takes is refused, the file as it was.
TEST(Cli, AnEditNeverWritesAFileTooLargeToReadBack) {
  TempDir dir;
  const std::string file = dir.File("big.xml");
  const std::string content = "<JposEntries>\n<JposEntry logicalName=\"Scanner\">\n\n<jpos category=\"Scanner\"/>\n" +
                              std::string(12u << 20, '\n') + "</JposEntry>\n</JposEntries>\n";
  testing::WriteBytes(file, content);
  const CliRun run = Cli({"edit", file, "--printer", "P"});
  EXPECT_EQ(run.code, 1);
  EXPECT_NE(run.err.find("more than the 16 MiB a configuration file may have"), std::string::npos) << run.err;
  EXPECT_TRUE(ReadBytes(file) == content);
}

#ifdef _WIN32
// A file another program holds open without delete sharing can't be
// replaced: it is written in place, and under a full disk (the test
// cli_in_place_on_a_full_disk runs this under a file size limit) it is left
// as it was.
TEST(Cli, AFileHeldOpenIsSavedInPlaceWithoutLoss) {
  TempDir dir;
  const std::string file = dir.File("held.xml");
  ASSERT_EQ(Cli({"write", file, "--printer", "Before", "--drawer", "Drawer"}).code, 0);
  const HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::string before = ReadBytes(file);
  const CliRun run = Cli({"edit", file, "--printer", "After"});
  CloseHandle(held);
  if (std::getenv("QUARVEL_DISK_FULL") != nullptr) {
    EXPECT_EQ(run.code, 1);
    EXPECT_NE(run.err.find("left as it was"), std::string::npos) << run.err;
    EXPECT_TRUE(ReadBytes(file) == before);
  } else {
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_NE(ReadBytes(file).find("logicalName=\"After\""), std::string::npos);
  }
}
#endif

TEST(Cli, ErrorsWriteNothing) {
  TempDir dir;
  const std::vector<std::vector<std::string>> bad = {
      {"write", dir.File("a.xml"), "--printer-port", "COM10"},
      {"write", dir.File("a.xml"), "--printer-rate", "57600"},
      {"write", dir.File("a.xml"), "--printer-class", "thermal"},
      {"write", dir.File("a.xml"), "--drawer-pin", "3"},
      {"write", dir.File("a.xml"), "--drawer-pulse-on", "12ms"},
      {"write", dir.File("a.xml"), "--drawer-pulse-on", "2147483648"},
      {"write", dir.File("a.xml"), "--printer-port", "TCP/IP", "--printer-ip", "10.0.0.256"},
      {"write", dir.File("a.xml"), "--printer-ip", "10.0.0.1"},  // not a TCP/IP port
      {"write", dir.File("a.xml"), "--colour", "red"},
      {"write", dir.File("a.xml"), "--printer"},
      {"write"},
      {"show"},
      {"frobnicate"},
      {},
  };
  for (const auto& args : bad) {
    const CliRun run = Cli(args);
    EXPECT_EQ(run.code, 2) << (args.size() > 2 ? args[2] : "");
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("a.xml")));
}

TEST(Cli, FileErrors) {
  TempDir dir;
  // The message, then the system's reason on a second line.
  const auto TwoLines = [](const std::string& err) {
    const size_t second = err.find('\n') + 1;
    return err.rfind("Open File Failed!!!\n", 0) == 0 && err.size() > second + 1 && err.back() == '\n' &&
           err.find('\n', second) == err.size() - 1;
  };
  const CliRun missing = Cli({"show", dir.File("missing.xml")});
  EXPECT_EQ(missing.code, 1);
  EXPECT_TRUE(TwoLines(missing.err)) << missing.err;
  const CliRun unwritable = Cli({"write", dir.File("no/such/dir/x.xml"), "--printer", "P"});
  EXPECT_EQ(unwritable.code, 1);
  EXPECT_TRUE(TwoLines(unwritable.err)) << unwritable.err;
}

// Only a regular file of a configuration's size is read; anything else is
// refused with the reason, never read without end.
TEST(Cli, ShowRefusesDevicesAndHugeFiles) {
  TempDir dir;
#ifndef _WIN32
  const CliRun device = Cli({"show", "/dev/zero"});
  EXPECT_EQ(device.code, 1);
  EXPECT_EQ(device.err, "Open File Failed!!!\n/dev/zero: not a regular file\n");
#endif
  testing::WriteBytes(dir.File("huge.xml"), std::string((16u << 20) + 1, '\n'));
  const CliRun huge = Cli({"show", dir.File("huge.xml")});
  EXPECT_EQ(huge.code, 1);
  EXPECT_NE(huge.err.find("larger than 16 MiB"), std::string::npos) << huge.err;
  testing::WriteBytes(dir.File("lines.xml"), std::string(1u << 20, '\n') + "<JposEntry logicalName=\"P\">\n\n"
                                             "<jpos category=\"POSPrinter\"/>\n</JposEntry>\n");
  const CliRun lines = Cli({"show", dir.File("lines.xml")});
  EXPECT_EQ(lines.code, 0);
  EXPECT_NE(lines.out.find("printer.logicalName=P\n"), std::string::npos);
}

// edit changes what its options name and keeps the rest of the file's settings.
TEST(Cli, EditChangesOneSettingAndKeepsTheRest) {
  TempDir dir;
  const std::string file = dir.File("till.xml");
  ASSERT_EQ(Cli({"write", file, "--printer", "Front", "--printer-port", "TCP/IP", "--printer-ip", "10.0.0.5",
                 "--printer-tcp-port", "9101", "--drawer-port", "COM3", "--drawer-rate", "19200"})
                .code,
            0);
  const CliRun edited = Cli({"edit", file, "--printer-ip", "10.0.0.9"});
  ASSERT_EQ(edited.code, 0) << edited.err;
  std::string show = Cli({"show", file}).out;
  EXPECT_NE(show.find("printer.logicalName=Front\n"), std::string::npos);
  EXPECT_NE(show.find("printer.ipAddress=10.0.0.9\nprinter.deviceClass=0\n"), std::string::npos);
  EXPECT_NE(show.find("printer.portNumber=9101\n"), std::string::npos);
  EXPECT_NE(show.find("drawer.portName=COM3\ndrawer.baudIndex=2\n"), std::string::npos);

  // A refused option writes nothing.
  const std::string before = ReadBytes(file);
  EXPECT_EQ(Cli({"edit", file, "--drawer-ip", "1.2.3.4"}).code, 2);
  EXPECT_EQ(Cli({"edit", file, "--no-drawer", "--drawer-pin", "5"}).code, 2);
  EXPECT_EQ(ReadBytes(file), before);

  // Delete one device, then add it back: a new device's defaults and what was asked.
  ASSERT_EQ(Cli({"edit", file, "--no-drawer"}).code, 0);
  EXPECT_NE(Cli({"show", file}).out.find("drawerPresent=0\n"), std::string::npos);
  ASSERT_EQ(Cli({"edit", file, "--drawer-pin", "5"}).code, 0);
  show = Cli({"show", file}).out;
  EXPECT_NE(show.find("drawerPresent=1\n"), std::string::npos);
  EXPECT_NE(show.find("drawer.logicalName=CashDrawer\ndrawer.portName=COM1\n"), std::string::npos);
  EXPECT_NE(show.find("drawer.pinIndex=1\ndrawer.pulseOnTime=200\ndrawer.pulseOffTime=400\n"), std::string::npos);
  EXPECT_NE(show.find("printer.ipAddress=10.0.0.9\n"), std::string::npos);
}

TEST(Cli, ShowAndEditKeepOtherDevices) {
  TempDir dir;
  const std::string file = dir.File("pos.xml");
  ASSERT_EQ(Cli({"write", file, "--printer", "Front"}).code, 0);
  std::string text = ReadBytes(file);
  const std::string display =
      "<JposEntry logicalName=\"Line Display\">\r\n<creation/>\r\n<jpos category=\"LineDisplay\"/>\r\n"
      "</JposEntry>\r\n";
  text.insert(text.rfind("</JposEntries>"), display);
  testing::WriteBytes(file, text);
  EXPECT_NE(Cli({"show", file}).out.find("drawer.deviceClass=0\nkept=Line Display\n"), std::string::npos);
  ASSERT_EQ(Cli({"edit", file, "--printer", "Back"}).code, 0);
  const std::string saved = ReadBytes(file);
  EXPECT_NE(saved.find(display + "</JposEntries>"), std::string::npos);
  EXPECT_NE(saved.find("logicalName=\"Back\""), std::string::npos);
}

TEST(Cli, EditKeepsALegacyNameAtTheFieldLimit) {
  TempDir dir;
  testing::WriteBytes(dir.File("old.xml"), "<JposEntry logicalName=\"" + std::string(63, '\xE9') +
                                               "\">\n\n<jpos category=\"POSPrinter\"/>\n</JposEntry>\n");
  ASSERT_EQ(Cli({"edit", dir.File("old.xml"), "--printer-port", "LPT2"}).code, 0);
  std::string e63;
  for (int i = 0; i < 63; ++i) AppendUtf8(e63, LegacyCharacter(0xE9));
  const std::string shown = Cli({"show", dir.File("old.xml")}).out;
  EXPECT_NE(shown.find("printer.logicalName=" + e63 + "\nprinter.portName=LPT2\n"), std::string::npos) << shown;
}

TEST(Cli, EditReportsTheReadersMessagesAndMissingFiles) {
  TempDir dir;
  testing::WriteBytes(dir.File("odd.xml"),
                      "<JposEntry logicalName=\"P\">\n\n<jpos category=\"POSPrinter\"/>\n"
                      "<prop name=\"portName\" value=\"COM1\"/>\n<prop name=\"portSettings\" value=\"300\"/>\n"
                      "</JposEntry>\n");
  const CliRun edited = Cli({"edit", dir.File("odd.xml"), "--printer", "Renamed"});
  EXPECT_EQ(edited.code, 0);
  EXPECT_EQ(edited.err, "Printer : Unknown Settings\n");
  EXPECT_NE(Cli({"show", dir.File("odd.xml")}).out.find("printer.logicalName=Renamed\n"), std::string::npos);
  EXPECT_EQ(Cli({"edit", dir.File("missing.xml"), "--printer", "P"}).code, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing.xml")));
}

TEST(Cli, HelpNamesBothCommands) {
  const CliRun help = Cli({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("quarvel-cli show FILE"), std::string::npos);
  EXPECT_NE(help.out.find("--drawer-pulse-off"), std::string::npos);
}

TEST(Cli, PulseValuesAcceptSignsAndLeadingZeros) {
  TempDir dir;
  ASSERT_EQ(Cli({"write", dir.File("p.xml"), "--drawer-pulse-on", "+0050", "--drawer-pulse-off", "-2147483648"}).code, 0);
  const std::string text = ReadBytes(dir.File("p.xml"));
  EXPECT_NE(text.find("value=\"50\""), std::string::npos);
  EXPECT_NE(text.find("value=\"-2147483648\""), std::string::npos);
}

}  // namespace
}  // namespace quarvel
