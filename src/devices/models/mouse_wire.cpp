#include "devices/models/mouse_wire.h"

#include <algorithm>

namespace kelno::mouse {

const std::array<keymap::KeyCode, kPageKeyCount> kDefaultKeyCodes = {{
    {0x10, 0x01, 0x00},
    {0x10, 0x02, 0x00},
    {0x10, 0x04, 0x00},
    {0x10, 0x10, 0x00},
    {0x10, 0x08, 0x00},
    {0x13, 0x01, 0x00},
    {0x13, 0x02, 0x00},
    {0x13, 0x03, 0x00},
    {0xA0, 0x1B, 0x00},
    {0x16, 0x90, 0x01},
}};

std::array<uint8_t, kSettingsWriteSize> BuildSettingsBlock(uint8_t activeProfile,
                                                           const MouseSettings& s) {
    std::array<uint8_t, kSettingsWriteSize> block{};
    block[0] = activeProfile;
    block[1] = s.mode < kMaxModes ? s.mode : 0;
    block[2] = std::min<uint8_t>(s.brightness, kMaxBrightness);
    block[3] = static_cast<uint8_t>(kMaxSpeed - std::min<uint8_t>(s.speed, kMaxSpeed));
    block[4] = s.effectOption;
    block[5] = s.multiColour;
    block[6] = s.red;
    block[7] = s.green;
    block[8] = s.blue;
    block[11] = s.reportRate;
    block[12] = s.currentStage;
    const size_t stages = std::min<size_t>(s.stages.size(), kBlockStages);
    for (size_t i = 0; i < stages; ++i) {
        const auto packed = s.stages[i].Pack();
        std::copy(packed.begin(), packed.end(), block.begin() + kStageOffset + 9 * i);
    }
    block[59] = s.flag;
    block[60] = static_cast<uint8_t>(s.screenWidth);
    block[61] = static_cast<uint8_t>(s.screenWidth >> 8);
    block[62] = static_cast<uint8_t>(s.screenHeight);
    block[63] = static_cast<uint8_t>(s.screenHeight >> 8);
    block[64] = s.minimumSquare;
    block[65] = s.pixelThreshold;
    return block;
}

MouseReadBack ReadSettingsBlock(std::span<const uint8_t, kSettingsReadSize> block,
                                size_t stageCount) {
    MouseReadBack read;
    read.mode = block[1] < kMaxModes ? block[1] : 0;
    read.brightness = std::min<uint8_t>(block[2], kMaxBrightness);
    read.speed = static_cast<uint8_t>(kMaxSpeed - std::min<uint8_t>(block[3], kMaxSpeed));
    read.multiColour = block[5] != 0 ? 1 : 0;
    read.red = block[6];
    read.green = block[7];
    read.blue = block[8];
    if (block[12] < stageCount) read.currentStage = block[12];
    return read;
}

std::pair<uint8_t, uint8_t> SelectedCorrection(std::span<const CorrectInfoEntry> entries) {
    for (const CorrectInfoEntry& entry : entries)
        if (entry.selection != 0) return {entry.minimumSquare, entry.pixelThreshold};
    return {0, 0};
}

DpiRange DpiRangeOf(std::span<const uint8_t> info) {
    if (info.size() < 14) return {};
    return {info[11], info[12] | (info[13] << 8)};
}

int StepsOfDpi(long long dpi, const DpiRange& range) {
    if (range.step <= 0 || dpi <= 0) return 0;
    return static_cast<int>(std::min<long long>(dpi / range.step, range.steps));
}

}  // namespace kelno::mouse
