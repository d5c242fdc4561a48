#pragma once
// The key map and macro image that the keyboard and the mouse share, as
// plain functions over bytes. A device stores 3 bytes per device key (type,
// b1, b2); the page knows its keys by their factory codes and finds each
// one's device key by matching them.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "macros/macro_event.h"

namespace kelno::keymap {

// A key code: type, b1, b2.
using KeyCode = std::array<uint8_t, 3>;

// The markers of a page key without a device key: the keyboard writes 255,
// the mouse 126. Either is skipped wherever a device index is used.
inline constexpr uint8_t kKeyboardUnmapped = 255;
inline constexpr uint8_t kMouseUnmapped = 126;
bool IsUnmapped(uint8_t deviceKey);

// Which device key sits under each page key: page key j gets the first
// device key, not already taken by an earlier page key, whose code equals
// `defaults[j]`; `unmapped` where none matches. Device keys numbered at or
// above the marker cannot be told from it and are not matched.
std::vector<uint8_t> MatchKeyMap(std::span<const uint8_t> keyMap,
                                 std::span<const KeyCode> defaults, uint8_t unmapped);

// A key map to write: `readKeyMap` with each mapped page key's code
// replaced by its assignment. Page keys marked unmapped (either marker) or
// whose device key lies beyond the map keep what the device has.
std::vector<uint8_t> BuildKeyMap(std::span<const uint8_t> readKeyMap,
                                 std::span<const uint8_t> deviceKeys,
                                 std::span<const KeyCode> assignments);

inline constexpr uint16_t kMacroImageMagic = 0x55AA;

// The macro image, or by how much it does not fit.
struct MacroImage {
    std::vector<uint8_t> bytes;  // empty when it does not fit
    int overflow = 0;            // ((size - capacity) / 4) + 1 when it does not fit
};
// Size of the image of these macros (event counts).
size_t MacroImageSize(std::span<const std::vector<MacroEvent>> macros);
MacroImage BuildMacroImage(std::span<const std::vector<MacroEvent>> macros, size_t capacity);

}  // namespace kelno::keymap
