#include <gtest/gtest.h>

#include "port_types.h"
#include "printer_protocol.h"

namespace portlink {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr int32_t kUnchanged = -1;

// What a read leaves behind once its effects are applied to untouched fields.
struct Outcome {
  int32_t printerStatus = kUnchanged;
  int32_t statusRequest = kUnchanged;
  int32_t drawer = kUnchanged;
  int32_t printComplete = kUnchanged;
  int32_t connected = kUnchanged;
  int pauseMs = 0;
  int enableWrites = 0;
  bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << "{status " << o.printerStatus << ", request " << o.statusRequest << ", drawer " << o.drawer
            << ", complete " << o.printComplete << ", connected " << o.connected << ", paused " << o.pauseMs
            << ", enables " << o.enableWrites << "}";
}

Outcome ApplyAll(const Effects& effects, bool connected = true) {
  Outcome o;
  for (const Effect& e : effects) {
    switch (e.kind) {
      case Effect::SetPrinterStatus: o.printerStatus = e.value; break;
      case Effect::SetStatusRequest: o.statusRequest = e.value; break;
      case Effect::SetConnected: o.connected = e.value; break;
      case Effect::SetPrintComplete: o.printComplete = e.value; break;
      case Effect::SetDrawerStatus: o.drawer = e.value; break;
      case Effect::Pause: o.pauseMs += e.value; break;
      case Effect::WriteStatusBackEnable: ++o.enableWrites; break;
      case Effect::WriteStatusBackEnableIfConnected:
        if (connected) {
          ++o.enableWrites;
          o.pauseMs += 100;
        }
        break;
    }
  }
  return o;
}

struct Row {
  const char* what;
  Bytes read;
  Outcome expected;
};

constexpr int32_t U = kUnchanged;

void RunTable(const std::vector<Row>& rows, Effects (*decode)(std::span<const uint8_t>)) {
  for (const Row& row : rows) {
    EXPECT_EQ(ApplyAll(decode(row.read)), row.expected) << row.what;
  }
}

TEST(Decoding, UsbStatusBackMonitor) {
  RunTable(
      {
          {"nothing", {}, {}},
          {"two bytes", {0x14, 0x00}, {}},
          {"online notice alone", {0x3B, 0x31, 0x00}, {kNormal, 1, U, U, 1}},
          {"online notice after a byte", {0x99, 0x3B, 0x31, 0x00}, {kNormal, 1, U, U, 1}},
          {"drawer closed, all clean", {0x14, 0x00, 0x00, 0x0F}, {kNormal, 0, 0, U, U, 1000}},
          {"drawer open, all clean", {0x10, 0x00, 0x00, 0x00}, {kNormal, 0, 1, U, U, 1000}},
          {"near end within the clean shapes", {0x14, 0x00, 0x03, 0x0F}, {kNormal, 0, 0, U, U, 1000}},
          {"near end", {0x14, 0x00, 0x03, 0x00}, {kPaperNearEnd, 0}},
          {"paper end bits", {0x14, 0x00, 0x0C, 0x00}, {kPaperEmpty, 1}},
          {"paper end, both bits", {0x14, 0x00, 0x0F, 0x00}, {kPaperEmpty, 1}},
          {"paper end with an odd first byte", {0x1C, 0x00, 0x0C, 0x00}, {kPaperEmpty, 1}},
          {"cover open, clean", {0x34, 0x00, 0x00, 0x0F}, {kCoverOpen, 1}},
          {"cover open with paper end", {0x30, 0x00, 0x0C, 0x0F}, {kCoverOpen, 1}},
          {"unknown first byte, clean", {0x12, 0x00, 0x00, 0x00}, {}},
          {"error byte set", {0x14, 0x40, 0x00, 0x00}, {}},
          // Three blocks: the drawer scan runs in step 6 and again for the clean
          // tail; each drawer byte pauses a second and the last one wins.
          {"three blocks 10/10/14",
           {0x10, 0, 0, 0, 0x10, 0, 0, 0, 0x14, 0, 0, 0},
           {kNormal, 0, 0, U, U, 6000}},
          {"completion reply alone", {0x37, 0x22, 0x46, 0x46, 0x46, 0x46, 0x00}, {U, U, U, 1}},
          // The scan visits offsets 0, 4 and 8, which hold no drawer byte here.
          {"completion reply then a block",
           {0x37, 0x22, 0x46, 0x46, 0x46, 0x46, 0x00, 0x14, 0x00, 0x00, 0x0F},
           {kNormal, 0, 0, 1, U, 0}},
          {"online notice then a block",
           {0x3B, 0x31, 0x00, 0x10, 0x00, 0x00, 0x0F},
           {kNormal, 0, 1, U, U, 2000}},
      },
      DecodeStatusBackWithPresence);
}

TEST(Decoding, UsbBasicMonitor) {
  RunTable(
      {
          {"online notice alone", {0x3B, 0x31, 0x00}, {kNormal}},
          {"drawer closed, clean", {0x14, 0x00, 0x00, 0x0F}, {kNormal, 0, 0}},
          {"near end is not clean here", {0x14, 0x00, 0x03, 0x0F}, {kPaperNearEnd, 0}},
          {"near end", {0x14, 0x00, 0x03, 0x00}, {kPaperNearEnd, 0}},
          {"paper end bits 0C change nothing", {0x14, 0x00, 0x0C, 0x00}, {}},
          {"paper end 0F", {0x14, 0x00, 0x0F, 0x00}, {kPaperEmpty}},
          {"paper end 0F, cover open", {0x34, 0x00, 0x0F, 0x0F}, {kPaperEmpty}},
          {"cover open", {0x34, 0x00, 0x00, 0x0F}, {kCoverOpen}},
          {"cover open 30", {0x30, 0x00, 0x00, 0x00}, {kCoverOpen}},
          {"three blocks 10/10/14: the majority", {0x10, 0, 0, 0, 0x10, 0, 0, 0, 0x14, 0, 0, 0}, {kNormal, 0, 1}},
          {"a tie asks for blocks again", {0x10, 0, 0, 0, 0x14, 0, 0, 0}, {kNormal, 0, U, U, U, 100, 1}},
          {"completion at the start", {0x37, 0x22, 0x46, 0x46, 0x46, 0x46, 0x00, 0x99, 0x99, 0x99, 0x99}, {U, U, U, 1}},
      },
      DecodeBasic);

  Bytes flood(256, 0x14);
  flood[253] = flood[254] = flood[255] = 0x00;
  const Outcome full = ApplyAll(DecodeBasic(flood));
  EXPECT_EQ(full.enableWrites, 1);
  EXPECT_EQ(full.pauseMs, 1000);
  // The status blocks in a full buffer are still judged after the flood report.
  EXPECT_EQ(full.printerStatus, kNormal);
  Bytes garbage(256, 0x55);
  EXPECT_EQ(ApplyAll(DecodeBasic(garbage)).printerStatus, kOffline);

  // Without a connection a tie writes nothing.
  const Outcome tie = ApplyAll(DecodeBasic(Bytes{0x10, 0, 0, 0, 0x14, 0, 0, 0}), false);
  EXPECT_EQ(tie.enableWrites, 0);
}

TEST(Decoding, NetworkStatusBackMonitor) {
  RunTable(
      {
          {"online notice is not handled", {0x3B, 0x31, 0x00}, {}},
          {"drawer closed, clean", {0x14, 0x00, 0x00, 0x0F}, {kNormal, 0, 0, U, U, 1000}},
          {"near end within the clean shapes", {0x14, 0x00, 0x03, 0x0F}, {kPaperNearEnd, 0, 0, U, U, 1000}},
          {"cover open among clean shapes", {0x34, 0x00, 0x00, 0x0F}, {kCoverOpen, 1, 0, U, U, 0}},
          {"cover bit without the block bit", {0x20, 0x00, 0x00, 0x00}, {kCoverOpen}},
          {"neither bit", {0x04, 0x00, 0x00, 0x00}, {}},
          {"paper end", {0x14, 0x00, 0x0C, 0x00}, {kPaperEmpty, 1}},
          {"paper end needs the block bit", {0x04, 0x00, 0x0C, 0x00}, {}},
          {"near end", {0x14, 0x00, 0x03, 0x00}, {kPaperNearEnd, 0}},
          {"not clean, cover open", {0x34, 0x00, 0x0C, 0x00}, {kCoverOpen}},
          {"a byte between the blocks", {0x10, 0, 0, 0, 0x14, 0, 0, 0x0F}, {kNormal, 0, 0, U, U, 2000}},
          {"completion reply", {0x37, 0x22, 0x46, 0x46, 0x46, 0x46, 0x00}, {U, U, U, 1}},
      },
      DecodeStatusBack);
}

TEST(Decoding, ReplyShapesAtTheEdges) {
  const Bytes reply = {0x37, 0x22, 0x46, 0x46, 0x46, 0x46, 0x00};
  EXPECT_TRUE(EndsWithCompletionReply(reply));
  EXPECT_FALSE(BeginsWithCompletionReply(reply));  // needs more behind it
  EXPECT_FALSE(EndsWithCompletionReply(Bytes(reply.begin() + 1, reply.end())));
  EXPECT_TRUE(BeginsWithOnlineNotice(Bytes{0x3B, 0x31, 0x00, 0x14}));
  EXPECT_FALSE(EndsWithOnlineNotice(Bytes{0x31, 0x00}));
}

TEST(DrawerKickCommand, PinsAndTimes) {
  EXPECT_EQ(DrawerKick(2, 200, 100), (Bytes{0x1B, 0x70, 0x30, 0x64, 0x32}));
  EXPECT_EQ(DrawerKick(5, 512, 1), (Bytes{0x1B, 0x70, 0x31, 0x00, 0x00}));
  EXPECT_EQ(DrawerKick(2, 511, -3), (Bytes{0x1B, 0x70, 0x30, 0xFF, 0xFF}));
  EXPECT_EQ(DrawerKick(5, INT64_MAX, INT64_MIN), (Bytes{0x1B, 0x70, 0x31, 0xFF, 0x00}));
  EXPECT_TRUE(DrawerKick(3, 100, 100).empty());
  EXPECT_TRUE(DrawerKick(0, 100, 100).empty());
}

}  // namespace
}  // namespace portlink

namespace portlink {
namespace {

// A status block's printer status is visible before the drawer pauses, so
// that a poller does not wait out a second per drawer byte to see it.
TEST(Decoding, StatusComesBeforeTheDrawerPauses) {
  for (auto decode : {DecodeStatusBackWithPresence, DecodeStatusBack}) {
    const Effects effects = decode(std::vector<uint8_t>{0x14, 0x00, 0x00, 0x0F});
    ASSERT_FALSE(effects.empty());
    EXPECT_EQ(effects.front(), (Effect{Effect::SetPrinterStatus, kNormal}));
  }
}

}  // namespace
}  // namespace portlink
