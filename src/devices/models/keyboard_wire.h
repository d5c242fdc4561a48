#pragma once
// The keyboard's memory formats, as plain functions over bytes: the 25-byte
// settings block, the key map and its matching against the page's keys,
// the macro image and the per-key light bitmap.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "devices/models/key_map_wire.h"

namespace kelno::keyboard {

inline constexpr int kPageKeyCount = 126;
inline constexpr int kLedCount = 126;
inline constexpr uint8_t kUnmapped = keymap::kKeyboardUnmapped;
inline constexpr int kSettingsBlockSize = 25;
inline constexpr int kBitmapSize = 21;
inline constexpr int kMaxModes = 25;  // modes 25 and above are sent as 0

// A key code: type, b1, b2 (0x20 keyboard key, 0x30 consumer, 0xA0/0xD0
// keyboard functions).
using keymap::BuildKeyMap;
using keymap::BuildMacroImage;
using keymap::KeyCode;
using keymap::kMacroImageMagic;
using keymap::MacroImage;
using keymap::MacroImageSize;

// The default code of each page key; a device key map is matched against it.
extern const std::array<KeyCode, kPageKeyCount> kDefaultKeyCodes;

// What the settings block carries.
struct KeyboardSettings {
    uint8_t mode = 0;
    uint8_t brightness = 0;  // 0 to 24
    uint8_t speed = 0;       // 0 to 5; sent as 5 - speed
    uint8_t effectOption = 0;
    uint8_t multiColour = 0;
    uint8_t red = 0, green = 0, blue = 0;
    uint8_t ledStatus = 0;
    uint8_t wFlag = 0;
    uint8_t sixKeyFlag = 0;
    uint8_t winLockFlag = 0;
    uint8_t pollingRateIndex = 0;
    bool operator==(const KeyboardSettings&) const = default;
};

// The block written at profile × 25. Out-of-range values are clamped.
std::array<uint8_t, kSettingsBlockSize> BuildSettingsBlock(uint8_t activeProfile,
                                                           const KeyboardSettings& settings);

// What a block read back from the keyboard says, clamped into range
// (effect option, LED status and polling rate are not read back and stay
// as given in `previous`).
KeyboardSettings ReadSettingsBlock(std::span<const uint8_t, kSettingsBlockSize> block,
                                   const KeyboardSettings& previous);

// Which device key sits under each page key: page key j gets the first
// device key, not already taken by an earlier page key, whose code equals
// j's default code (two page keys share the empty code). kUnmapped where
// none matches. `keyMap` holds 3 bytes per device key.
std::array<uint8_t, kPageKeyCount> MatchKeyMap(std::span<const uint8_t> keyMap);

// The LED of each page key from the key-to-LED table (1 byte per device
// key); kUnmapped for unmapped keys and for LED numbers out of range.
std::array<uint8_t, kPageKeyCount> MapKeyLeds(const std::array<uint8_t, kPageKeyCount>& deviceKeys,
                                              std::span<const uint8_t> keyLeds);

// Per-key light bitmap: bit (led / 21) of byte (led % 21).
struct BitPosition {
    int byte;
    int bit;
};
std::optional<BitPosition> BitmapPosition(int led);  // nothing for LEDs out of range
std::array<uint8_t, kBitmapSize> BuildLightBitmap(const std::array<uint8_t, kPageKeyCount>& keyLeds,
                                                  const std::vector<bool>& lit);

}  // namespace kelno::keyboard
