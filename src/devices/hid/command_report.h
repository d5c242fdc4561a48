#pragma once
// The 64-byte command report exchanged with every device's vendor-defined
// interface: report id, 16-bit checksum, command code, length, 16-bit
// offset, status and 56 payload bytes. Plain functions over bytes.

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace kelno {

inline constexpr size_t kCommandReportSize = 64;
inline constexpr uint8_t kCommandReportId = 0x04;
inline constexpr size_t kCommandChecksumOffset = 1;
inline constexpr size_t kCommandCodeOffset = 3;
inline constexpr size_t kCommandLengthOffset = 4;
inline constexpr size_t kCommandAddressOffset = 5;
inline constexpr size_t kCommandStatusOffset = 7;
inline constexpr size_t kCommandPayloadOffset = 8;
inline constexpr size_t kCommandPayloadSize = 56;

// Command codes.
inline constexpr uint8_t CMD_START = 0x01;
inline constexpr uint8_t CMD_FINISH = 0x02;
inline constexpr uint8_t CMD_READ_INFO = 0x03;
inline constexpr uint8_t CMD_READ_MEMORY = 0x05;
inline constexpr uint8_t CMD_WRITE_MEMORY = 0x06;
inline constexpr uint8_t CMD_READ_KEYMAP = 0x07;
inline constexpr uint8_t CMD_WRITE_KEYMAP = 0x09;
inline constexpr uint8_t CMD_WRITE_KEY_LIGHTS = 0x0B;
inline constexpr uint8_t CMD_LIGHT_FRAME = 0x12;
inline constexpr uint8_t CMD_WRITE_MACROS = 0x15;
inline constexpr uint8_t CMD_READ_STATUS = 0x1A;
inline constexpr uint8_t CMD_READ_KEY_LEDS = 0x1B;
inline constexpr uint8_t CMD_LINK_PROBE = 0xAA;

// Status bytes the device answers with on failure.
inline constexpr uint8_t kStatusError = 0xFF;
inline constexpr uint8_t kStatusRejected = 0xFE;

// Result codes of the command operations.
inline constexpr int kChannelOk = 1;
inline constexpr int kChannelNoAnswer = 0;  // not open, refused, or no (fitting) answer
inline constexpr int kChannelWriteFailed = -1;
// A light frame given up because a command transaction held the interface
// (the frame is to be sent again, whole).
inline constexpr int kChannelBusy = -2;
inline constexpr int kChannelStatusError = -102;     // status 0xFF
inline constexpr int kChannelStatusRejected = -103;  // status 0xFE
inline constexpr int kChannelBadPage = -201;

using CommandReport = std::array<uint8_t, kCommandReportSize>;

// Sum of bytes 3 to 63 as unsigned bytes, truncated to 16 bits.
uint16_t CommandChecksum(std::span<const uint8_t, kCommandReportSize> report);

// A request: report id 0x04, code, length, little-endian offset, status 0,
// the payload (at most 56 bytes, zero-filled beyond), then the checksum.
CommandReport BuildCommandReport(uint8_t code, uint8_t length, uint16_t offset,
                                 std::span<const uint8_t> payload = {});

// The status byte of an answer as a result code: 0xFF -> -102, 0xFE -> -103,
// anything else -> 1.
int StatusResult(uint8_t status);

// The report as two lines of 32 bytes, "%02x" each, in groups of four
// separated by three blanks after the first three groups and two after the
// later ones (the layout of the transaction diagnostics).
std::array<std::string, 2> FormatCommandReport(std::span<const uint8_t, kCommandReportSize> report);

}  // namespace kelno
