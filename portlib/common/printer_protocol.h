// The printer's ESC/POS commands and replies, and the decoding of one read by
// each status monitor as pure functions: a read becomes an ordered list of
// effects (field changes, pauses, writes) that the monitor thread applies.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace portlink {

inline constexpr std::array<uint8_t, 1> kNulProbe = {0x00};
inline constexpr std::array<uint8_t, 3> kOfflineStatusQuery = {0x10, 0x04, 0x02};  // DLE EOT 2
inline constexpr std::array<uint8_t, 3> kPaperStatusQuery = {0x10, 0x04, 0x04};    // DLE EOT 4
inline constexpr std::array<uint8_t, 3> kStatusBackEnable = {0x1D, 0x61, 0xFF};    // GS a 255
// GS ( H, function 48, identifier "FFFF": the printer answers once all before it is printed.
inline constexpr std::array<uint8_t, 11> kCompletionRequest = {0x1D, 0x28, 0x48, 0x06, 0x00, 0x30,
                                                                0x30, 0x46, 0x46, 0x46, 0x46};
inline constexpr int kReadBufferSize = 256;

// ESC p m t1 t2 for pin 2 or 5; t1 and t2 are the low 8 bits of the times / 2.
// Empty for any other pin.
std::vector<uint8_t> DrawerKick(int64_t pin, int64_t onTimeMs, int64_t offTimeMs);

// Reply shapes within the n bytes of one read.
bool EndsWithOnlineNotice(std::span<const uint8_t> read);    // ... 3B 31 00
bool BeginsWithOnlineNotice(std::span<const uint8_t> read);  // 3B 31 00 ...
bool EndsWithCompletionReply(std::span<const uint8_t> read);    // 37 22 46 46 46 46 00 at the end
bool BeginsWithCompletionReply(std::span<const uint8_t> read);  // ... at the start, more following

struct Effect {
  enum Kind {
    SetPrinterStatus,
    SetStatusRequest,
    SetConnected,
    SetPrintComplete,
    SetDrawerStatus,
    Pause,                            // value: milliseconds
    WriteStatusBackEnable,            // and ignore the result
    WriteStatusBackEnableIfConnected  // only while connected is 1
  };
  Kind kind;
  int32_t value;
  bool operator==(const Effect&) const = default;
};
using Effects = std::vector<Effect>;

// Status back with exact S1 values and the online notice.
Effects DecodeStatusBackWithPresence(std::span<const uint8_t> read);
// No status back asked for: the drawer by a count of its bytes.
Effects DecodeBasic(std::span<const uint8_t> read);
// Status back with S1 judged by its bits.
Effects DecodeStatusBack(std::span<const uint8_t> read);

}  // namespace portlink
