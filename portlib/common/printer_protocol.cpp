#include "printer_protocol.h"

#include "port_types.h"

namespace portlink {

namespace {

constexpr uint8_t kDrawerOpenBlock = 0x10;    // first byte of a block: sensor reads 1
constexpr uint8_t kDrawerClosedBlock = 0x14;  // sensor reads 0
constexpr int kDrawerPauseMs = 1000;
constexpr int kFullBufferPauseMs = 1000;

struct Tail {
  uint8_t s1, s2, s3, s4;
};
Tail TailOf(std::span<const uint8_t> r) {
  const size_t n = r.size();
  return {r[n - 4], r[n - 3], r[n - 2], r[n - 1]};
}

bool IsPlainBlock(uint8_t b) { return b == kDrawerOpenBlock || b == kDrawerClosedBlock; }

// Both status back monitors accept three clean tails.
bool IsCleanTail(const Tail& t) {
  return t.s2 == 0 && ((t.s3 == 0 && (t.s4 == 0 || t.s4 == 0x0F)) || (t.s3 == 0x03 && t.s4 == 0x0F));
}
// The basic monitor accepts two.
bool IsBasicCleanTail(const Tail& t) { return t.s2 == 0 && t.s3 == 0 && (t.s4 == 0 || t.s4 == 0x0F); }

void Set(Effects& e, Effect::Kind kind, int32_t value) { e.push_back({kind, value}); }

// Visits the first byte of every four-byte group from `start`: each drawer
// byte sets the state at once and pauses; the last one seen decides.
void DrawerScan(std::span<const uint8_t> r, size_t start, Effects& e) {
  int32_t last = 0;
  for (size_t k = start; k < r.size(); k += 4) {
    if (!IsPlainBlock(r[k])) continue;
    last = r[k] == kDrawerOpenBlock ? 1 : 0;
    Set(e, Effect::SetDrawerStatus, last);
    Set(e, Effect::Pause, kDrawerPauseMs);
  }
  Set(e, Effect::SetDrawerStatus, last);
}

// Counts the drawer bytes from the last block backwards: the majority decides.
void DrawerCount(std::span<const uint8_t> r, Effects& e) {
  int open = 0, closed = 0;
  for (size_t k = r.size() - 4;; k -= 4) {
    open += r[k] == kDrawerOpenBlock;
    closed += r[k] == kDrawerClosedBlock;
    if (k < 4) break;
  }
  if (open > closed) {
    Set(e, Effect::SetDrawerStatus, 1);
  } else if (closed > open) {
    Set(e, Effect::SetDrawerStatus, 0);
  } else {
    Set(e, Effect::WriteStatusBackEnableIfConnected, 0);
  }
}

void CompletionTests(std::span<const uint8_t> r, Effects& e) {
  if (EndsWithCompletionReply(r)) Set(e, Effect::SetPrintComplete, 1);
  if (BeginsWithCompletionReply(r)) Set(e, Effect::SetPrintComplete, 1);
}

}  // namespace

std::vector<uint8_t> DrawerKick(int64_t pin, int64_t onTimeMs, int64_t offTimeMs) {
  if (pin != 2 && pin != 5) return {};
  return {0x1B, 0x70, static_cast<uint8_t>(pin == 2 ? 0x30 : 0x31),
          static_cast<uint8_t>(static_cast<uint64_t>(onTimeMs / 2) & 0xFF),
          static_cast<uint8_t>(static_cast<uint64_t>(offTimeMs / 2) & 0xFF)};
}

bool EndsWithOnlineNotice(std::span<const uint8_t> r) {
  const size_t n = r.size();
  return n >= 3 && r[n - 3] == 0x3B && r[n - 2] == 0x31 && r[n - 1] == 0x00;
}

bool BeginsWithOnlineNotice(std::span<const uint8_t> r) {
  return r.size() >= 3 && r[0] == 0x3B && r[1] == 0x31 && r[2] == 0x00;
}

bool EndsWithCompletionReply(std::span<const uint8_t> r) {
  const size_t n = r.size();
  return n >= 7 && r[n - 7] == 0x37 && r[n - 2] == 0x46;
}

bool BeginsWithCompletionReply(std::span<const uint8_t> r) {
  return r.size() >= 11 && r[0] == 0x37 && r[5] == 0x46;
}

Effects DecodeStatusBackWithPresence(std::span<const uint8_t> r) {
  Effects e;
  const size_t n = r.size();
  if (n < 3) return e;
  if ((n == 3 || n == 4) && EndsWithOnlineNotice(r)) {
    Set(e, Effect::SetStatusRequest, 1);
    Set(e, Effect::SetPrinterStatus, kNormal);
    Set(e, Effect::SetConnected, 1);
  }
  const size_t scanStart = BeginsWithOnlineNotice(r) ? 3 : 0;
  if (n >= 7) {
    if (EndsWithCompletionReply(r)) Set(e, Effect::SetPrintComplete, 1);
    if (BeginsWithOnlineNotice(r) || EndsWithOnlineNotice(r)) Set(e, Effect::SetStatusRequest, 1);
    if (IsPlainBlock(r[n - 4]) || IsPlainBlock(r[0])) DrawerScan(r, scanStart, e);
  }
  if (BeginsWithCompletionReply(r)) Set(e, Effect::SetPrintComplete, 1);
  if (n < 4) return e;

  const Tail t = TailOf(r);
  const bool clean = IsCleanTail(t);
  if (clean && IsPlainBlock(t.s1)) {
    // The status is published before the drawer scan's one-second pauses.
    Set(e, Effect::SetPrinterStatus, kNormal);
    Set(e, Effect::SetStatusRequest, 0);
    DrawerScan(r, scanStart, e);
  } else if (t.s1 & 0x20) {
    Set(e, Effect::SetPrinterStatus, kCoverOpen);
    Set(e, Effect::SetStatusRequest, 1);
  } else if (!clean && (t.s3 & 0x1C) &&
             (t.s1 == 0x10 || t.s1 == 0x14 || t.s1 == 0x18 || t.s1 == 0x1C)) {
    Set(e, Effect::SetPrinterStatus, kPaperEmpty);
    Set(e, Effect::SetStatusRequest, 1);
  } else if (!clean && t.s3 == 0x03 && IsPlainBlock(t.s1)) {
    Set(e, Effect::SetPrinterStatus, kPaperNearEnd);
    Set(e, Effect::SetStatusRequest, 0);
  }
  return e;
}

Effects DecodeBasic(std::span<const uint8_t> r) {
  Effects e;
  const size_t n = r.size();
  if (n == static_cast<size_t>(kReadBufferSize)) {
    // A full buffer: the printer floods us; report it and ask for blocks again.
    Set(e, Effect::SetPrinterStatus, kOffline);
    Set(e, Effect::WriteStatusBackEnable, 0);
    Set(e, Effect::Pause, kFullBufferPauseMs);
  } else {
    if (n < 3) return e;
    if ((n == 3 || n == 4) && EndsWithOnlineNotice(r)) Set(e, Effect::SetPrinterStatus, kNormal);
  }
  CompletionTests(r, e);
  if (n < 4) return e;

  const Tail t = TailOf(r);
  const bool clean = IsBasicCleanTail(t);
  if (clean && IsPlainBlock(t.s1)) {
    DrawerCount(r, e);
    Set(e, Effect::SetPrinterStatus, kNormal);
    Set(e, Effect::SetStatusRequest, 0);
  } else if (clean && (t.s1 == 0x30 || t.s1 == 0x34)) {
    Set(e, Effect::SetPrinterStatus, kCoverOpen);
  } else if (!clean && t.s3 == 0x0F && (t.s1 == 0x14 || t.s1 == 0x34)) {
    Set(e, Effect::SetPrinterStatus, kPaperEmpty);
  } else if (!clean && t.s3 == 0x03 && IsPlainBlock(t.s1)) {
    Set(e, Effect::SetPrinterStatus, kPaperNearEnd);
    Set(e, Effect::SetStatusRequest, 0);
  }
  return e;
}

Effects DecodeStatusBack(std::span<const uint8_t> r) {
  Effects e;
  const size_t n = r.size();
  if (n < 3) return e;
  CompletionTests(r, e);
  if (n < 4) return e;

  const Tail t = TailOf(r);
  const bool coverOpen = t.s1 & 0x20;
  const bool block = t.s1 & 0x10;
  if (IsCleanTail(t)) {
    if (block) {
      // The status is published before the drawer scan's one-second pauses.
      if (coverOpen) {
        Set(e, Effect::SetPrinterStatus, kCoverOpen);
        Set(e, Effect::SetStatusRequest, 1);
      } else if ((t.s3 & 0x03) == 0x03) {
        Set(e, Effect::SetPrinterStatus, kPaperNearEnd);
        Set(e, Effect::SetStatusRequest, 0);
      } else {
        Set(e, Effect::SetPrinterStatus, kNormal);
        Set(e, Effect::SetStatusRequest, 0);
      }
      DrawerScan(r, 0, e);
    } else if (coverOpen) {
      Set(e, Effect::SetPrinterStatus, kCoverOpen);
    }
  } else if (coverOpen) {
    Set(e, Effect::SetPrinterStatus, kCoverOpen);
  } else if ((t.s3 & 0x0C) == 0x0C && block) {
    Set(e, Effect::SetPrinterStatus, kPaperEmpty);
    Set(e, Effect::SetStatusRequest, 1);
  } else if ((t.s3 & 0x03) == 0x03 && block) {
    Set(e, Effect::SetPrinterStatus, kPaperNearEnd);
    Set(e, Effect::SetStatusRequest, 0);
  }
  return e;
}

}  // namespace portlink
