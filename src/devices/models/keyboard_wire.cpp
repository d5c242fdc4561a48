#include "devices/models/keyboard_wire.h"

#include <algorithm>

namespace kelno::keyboard {
namespace {

void PutLe16(std::vector<uint8_t>& out, size_t offset, size_t value) {
    out[offset] = static_cast<uint8_t>(value);
    out[offset + 1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

const std::array<KeyCode, kPageKeyCount> kDefaultKeyCodes = {{
    {0x20, 0x00, 0x29}, {0x20, 0x00, 0x3A}, {0x20, 0x00, 0x3B}, {0x20, 0x00, 0x3C}, {0x20, 0x00, 0x3D},
    {0x20, 0x00, 0x3E}, {0x20, 0x00, 0x3F}, {0x20, 0x00, 0x40}, {0x20, 0x00, 0x41}, {0x20, 0x00, 0x42},
    {0x20, 0x00, 0x43}, {0x20, 0x00, 0x44}, {0x20, 0x00, 0x45}, {0x20, 0x00, 0x46}, {0x20, 0x00, 0x47},
    {0x20, 0x00, 0x48}, {0xA0, 0x1B, 0x00}, {0xA0, 0x24, 0x00}, {0x30, 0xB6, 0x00}, {0x30, 0xCD, 0x00},
    {0x30, 0xB5, 0x00}, {0x20, 0x00, 0x35}, {0x20, 0x00, 0x1E}, {0x20, 0x00, 0x1F}, {0x20, 0x00, 0x20},
    {0x20, 0x00, 0x21}, {0x20, 0x00, 0x22}, {0x20, 0x00, 0x23}, {0x20, 0x00, 0x24}, {0x20, 0x00, 0x25},
    {0x20, 0x00, 0x26}, {0x20, 0x00, 0x27}, {0x20, 0x00, 0x2D}, {0x20, 0x00, 0x2E}, {0x20, 0x00, 0x2A},
    {0x20, 0x00, 0x49}, {0x20, 0x00, 0x4A}, {0x20, 0x00, 0x4B}, {0x20, 0x00, 0x53}, {0x20, 0x00, 0x54},
    {0x20, 0x00, 0x55}, {0x20, 0x00, 0x56}, {0x20, 0x00, 0x2B}, {0x20, 0x00, 0x14}, {0x20, 0x00, 0x1A},
    {0x20, 0x00, 0x08}, {0x20, 0x00, 0x15}, {0x20, 0x00, 0x17}, {0x20, 0x00, 0x1C}, {0x20, 0x00, 0x18},
    {0x20, 0x00, 0x0C}, {0x20, 0x00, 0x12}, {0x20, 0x00, 0x13}, {0x20, 0x00, 0x2F}, {0x20, 0x00, 0x30},
    {0x20, 0x00, 0x31}, {0x20, 0x00, 0x4C}, {0x20, 0x00, 0x4D}, {0x20, 0x00, 0x4E}, {0x20, 0x00, 0x5F},
    {0x20, 0x00, 0x60}, {0x20, 0x00, 0x61}, {0x20, 0x00, 0x00}, {0x20, 0x00, 0x39}, {0x20, 0x00, 0x04},
    {0x20, 0x00, 0x16}, {0x20, 0x00, 0x07}, {0x20, 0x00, 0x09}, {0x20, 0x00, 0x0A}, {0x20, 0x00, 0x0B},
    {0x20, 0x00, 0x0D}, {0x20, 0x00, 0x0E}, {0x20, 0x00, 0x0F}, {0x20, 0x00, 0x33}, {0x20, 0x00, 0x34},
    {0x20, 0x00, 0x28}, {0x20, 0x00, 0x5C}, {0x20, 0x00, 0x5D}, {0x20, 0x00, 0x5E}, {0x20, 0x00, 0x8A},
    {0x20, 0x00, 0x8B}, {0x20, 0x00, 0x90}, {0x20, 0x00, 0x91}, {0x20, 0x00, 0x88}, {0x20, 0x02, 0x00},
    {0x20, 0x00, 0x1D}, {0x20, 0x00, 0x1B}, {0x20, 0x00, 0x06}, {0x20, 0x00, 0x19}, {0x20, 0x00, 0x05},
    {0x20, 0x00, 0x11}, {0x20, 0x00, 0x10}, {0x20, 0x00, 0x36}, {0x20, 0x00, 0x37}, {0x20, 0x00, 0x38},
    {0x20, 0x20, 0x00}, {0x20, 0x00, 0x52}, {0x20, 0x00, 0x59}, {0x20, 0x00, 0x5A}, {0x20, 0x00, 0x5B},
    {0x20, 0x00, 0x87}, {0x20, 0x00, 0x89}, {0x20, 0x00, 0x64}, {0x20, 0x00, 0x85}, {0x20, 0x00, 0x00},
    {0x20, 0x01, 0x00}, {0x20, 0x08, 0x00}, {0x20, 0x04, 0x00}, {0x20, 0x00, 0x2C}, {0x20, 0x40, 0x00},
    {0xA0, 0x01, 0x00}, {0x20, 0x00, 0x65}, {0x20, 0x10, 0x00}, {0x20, 0x00, 0x50}, {0x20, 0x00, 0x51},
    {0x20, 0x00, 0x4F}, {0x20, 0x00, 0x62}, {0x20, 0x00, 0x63}, {0x20, 0x00, 0x58}, {0x20, 0x00, 0x57},
    {0xD0, 0xA2, 0x01}, {0xD0, 0xA2, 0x02}, {0xD0, 0xA2, 0x03}, {0xD0, 0xA2, 0x04}, {0xD0, 0xA2, 0x05},
    {0x20, 0x80, 0x00},
}};

std::array<uint8_t, kSettingsBlockSize> BuildSettingsBlock(uint8_t activeProfile,
                                                           const KeyboardSettings& s) {
    std::array<uint8_t, kSettingsBlockSize> block{};
    block[0] = activeProfile;
    block[1] = s.mode < kMaxModes ? s.mode : 0;
    block[2] = std::min<uint8_t>(s.brightness, 24);
    block[3] = static_cast<uint8_t>(5 - std::min<uint8_t>(s.speed, 5));
    block[4] = s.effectOption;
    block[5] = s.multiColour;
    block[6] = s.red;
    block[7] = s.green;
    block[8] = s.blue;
    block[15] = s.ledStatus;
    block[19] = s.wFlag;
    block[20] = s.sixKeyFlag;
    block[21] = s.winLockFlag;
    block[22] = s.pollingRateIndex;
    return block;
}

KeyboardSettings ReadSettingsBlock(std::span<const uint8_t, kSettingsBlockSize> block,
                                   const KeyboardSettings& previous) {
    KeyboardSettings s = previous;
    s.mode = block[1] < kMaxModes ? block[1] : 0;
    s.brightness = std::min<uint8_t>(block[2], 24);
    s.speed = static_cast<uint8_t>(5 - std::min<uint8_t>(block[3], 5));
    s.multiColour = block[5] != 0 ? 1 : 0;
    s.red = block[6];
    s.green = block[7];
    s.blue = block[8];
    s.wFlag = block[19];
    s.sixKeyFlag = block[20];
    s.winLockFlag = block[21];
    return s;
}

std::array<uint8_t, kPageKeyCount> MatchKeyMap(std::span<const uint8_t> keyMap) {
    std::array<uint8_t, kPageKeyCount> deviceKeys;
    deviceKeys.fill(kUnmapped);
    // Device key numbers travel in one byte and 255 means "none".
    const size_t deviceKeyCount = std::min<size_t>(keyMap.size() / 3, kUnmapped);
    std::vector<bool> taken(deviceKeyCount, false);
    for (size_t page = 0; page < kPageKeyCount; ++page) {
        for (size_t k = 0; k < deviceKeyCount; ++k) {
            if (taken[k] || !std::equal(kDefaultKeyCodes[page].begin(), kDefaultKeyCodes[page].end(),
                                        keyMap.begin() + static_cast<std::ptrdiff_t>(3 * k)))
                continue;
            deviceKeys[page] = static_cast<uint8_t>(k);
            taken[k] = true;
            break;
        }
    }
    return deviceKeys;
}

std::array<uint8_t, kPageKeyCount> MapKeyLeds(const std::array<uint8_t, kPageKeyCount>& deviceKeys,
                                              std::span<const uint8_t> keyLeds) {
    std::array<uint8_t, kPageKeyCount> leds;
    leds.fill(kUnmapped);
    for (size_t page = 0; page < kPageKeyCount; ++page) {
        const uint8_t k = deviceKeys[page];
        if (k == kUnmapped || k >= keyLeds.size()) continue;
        if (keyLeds[k] < kLedCount) leds[page] = keyLeds[k];
    }
    return leds;
}

std::vector<uint8_t> BuildKeyMap(std::span<const uint8_t> readKeyMap,
                                 const std::array<uint8_t, kPageKeyCount>& deviceKeys,
                                 std::span<const KeyCode> assignments) {
    std::vector<uint8_t> map(readKeyMap.begin(), readKeyMap.end());
    const size_t count = std::min<size_t>(assignments.size(), kPageKeyCount);
    for (size_t page = 0; page < count; ++page) {
        const size_t offset = 3 * size_t{deviceKeys[page]};
        if (deviceKeys[page] == kUnmapped || offset + 3 > map.size()) continue;
        std::copy(assignments[page].begin(), assignments[page].end(),
                  map.begin() + static_cast<std::ptrdiff_t>(offset));
    }
    return map;
}

size_t MacroImageSize(std::span<const std::vector<MacroEvent>> macros) {
    size_t size = 16 + 6 * macros.size();
    for (const auto& events : macros) size += 4 * events.size();
    return size;
}

MacroImage BuildMacroImage(std::span<const std::vector<MacroEvent>> macros, size_t capacity) {
    const size_t size = MacroImageSize(macros);
    // The image's own length and offset fields are 16 bits wide.
    const size_t limit = std::min<size_t>(capacity, 0xFFFF);
    if (size > limit) return {{}, static_cast<int>((size - limit) / 4) + 1};

    std::vector<uint8_t> image(size, 0);
    PutLe16(image, 0, kMacroImageMagic);
    PutLe16(image, 2, size);
    PutLe16(image, 4, macros.size());
    size_t record = 16 + 2 * macros.size();
    for (size_t m = 0; m < macros.size(); ++m) {
        PutLe16(image, 16 + 2 * m, record);
        PutLe16(image, record, macros[m].size());
        size_t event = record + 4;
        for (const MacroEvent& e : macros[m]) {
            const auto compact = e.ToCompact();
            std::copy(compact.begin(), compact.end(), image.begin() + static_cast<std::ptrdiff_t>(event));
            event += 4;
        }
        record = event;
    }
    return {std::move(image), 0};
}

std::optional<BitPosition> BitmapPosition(int led) {
    if (led < 0 || led >= kLedCount) return std::nullopt;
    return BitPosition{led % kBitmapSize, led / kBitmapSize};
}

std::array<uint8_t, kBitmapSize> BuildLightBitmap(const std::array<uint8_t, kPageKeyCount>& keyLeds,
                                                  const std::vector<bool>& lit) {
    std::array<uint8_t, kBitmapSize> bitmap{};
    for (size_t page = 0; page < kPageKeyCount && page < lit.size(); ++page) {
        const auto position = BitmapPosition(keyLeds[page] == kUnmapped ? -1 : keyLeds[page]);
        if (position && lit[page]) bitmap[static_cast<size_t>(position->byte)] |= uint8_t(1u << position->bit);
    }
    return bitmap;
}

}  // namespace kelno::keyboard
