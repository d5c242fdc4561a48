#pragma once
// The headset's LED output reports: 17 bytes each, id 0xFF, one of its two
// LED drivers (0x22, 0x44), a block naming one colour of LEDs 0-6 or 7-12,
// then one byte per LED. Both drivers get the same data; twelve reports
// carry the whole picture.

#include <array>
#include <cstdint>
#include <span>

#include "devices/models/software_lighting.h"

namespace kelno::headset {

inline constexpr int kLedCount = 13;
inline constexpr size_t kLedReportSize = 17;
inline constexpr size_t kLedReportCount = 12;
// A channel never goes above this (the drivers' limit).
inline constexpr uint8_t kMaxChannel = 247;

using LedReport = std::array<uint8_t, kLedReportSize>;

// One channel: the colour component scaled by the LED's level.
uint8_t ChannelValue(uint8_t component, uint8_t level);

// The twelve reports in the order they are sent: red of both halves on
// driver 0x22, then on 0x44, then green, then blue. LEDs beyond 13 are
// ignored, missing ones are dark.
std::array<LedReport, kLedReportCount> BuildLedReports(std::span<const LedColour> leds);

}  // namespace kelno::headset
