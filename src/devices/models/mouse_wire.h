#pragma once
// The mouse's memory formats, as plain functions over bytes: the settings
// block (71 bytes read, 66 written at profile x 128) with the DPI stages,
// report rate and screen size, its page keys' factory codes, and the DPI
// arithmetic of the information record.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "devices/models/key_map_wire.h"
#include "profiles/mouse_profile_data.h"

namespace kelno::mouse {

inline constexpr int kPageKeyCount = 10;
inline constexpr int kLedCount = 6;
inline constexpr uint8_t kUnmapped = keymap::kMouseUnmapped;
inline constexpr size_t kSettingsReadSize = 71;
inline constexpr size_t kSettingsWriteSize = 66;
inline constexpr uint32_t kBlockStride = 128;
// The block has room for five stages; more would run into the screen size.
inline constexpr int kBlockStages = 5;
inline constexpr size_t kStageOffset = 14;
inline constexpr int kMaxModes = 9;  // modes 9 and above are written as 0
inline constexpr int kMaxBrightness = 4;
inline constexpr int kMaxSpeed = 5;
inline constexpr int kReportRates = 4;

// The factory code of each page key: left, right, middle, the two side
// buttons, three DPI functions, a function key and a 16-bit value.
extern const std::array<keymap::KeyCode, kPageKeyCount> kDefaultKeyCodes;

// What the written block carries.
struct MouseSettings {
    uint8_t mode = 0;
    uint8_t brightness = 0;  // 0 to 4
    uint8_t speed = 0;       // 0 to 5; sent as 5 - speed
    uint8_t effectOption = 0;
    uint8_t multiColour = 0;
    uint8_t red = 0, green = 0, blue = 0;
    uint8_t reportRate = 0;
    uint8_t currentStage = 0;
    std::vector<DpiStage> stages;  // the first kBlockStages are sent
    uint8_t flag = 0;
    uint16_t screenWidth = 0;
    uint16_t screenHeight = 0;
    uint8_t minimumSquare = 0;
    uint8_t pixelThreshold = 0;
};

std::array<uint8_t, kSettingsWriteSize> BuildSettingsBlock(uint8_t activeProfile,
                                                           const MouseSettings& settings);

// What a block read back says, clamped into range. The current stage is
// given only when it names one of the profile's `stageCount` stages.
struct MouseReadBack {
    uint8_t mode = 0;
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t multiColour = 0;
    uint8_t red = 0, green = 0, blue = 0;
    std::optional<uint8_t> currentStage;
    bool operator==(const MouseReadBack&) const = default;
};
MouseReadBack ReadSettingsBlock(std::span<const uint8_t, kSettingsReadSize> block,
                                size_t stageCount);

// Minimum square and pixel threshold of the first correction entry whose
// selection byte is set; 0, 0 when none is.
std::pair<uint8_t, uint8_t> SelectedCorrection(std::span<const CorrectInfoEntry> entries);

// The DPI range of the information record: byte 11 the DPI of one step,
// bytes 12-13 (little-endian) the number of steps.
struct DpiRange {
    int step = 0;
    int steps = 0;
    int MaxDpi() const { return step * steps; }
};
DpiRange DpiRangeOf(std::span<const uint8_t> info);
// A DPI typed by the user in steps: rounded down to a step and clamped into
// the range; 0 when the device gave no step.
int StepsOfDpi(long long dpi, const DpiRange& range);

}  // namespace kelno::mouse
