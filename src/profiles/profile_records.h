#pragma once
// The records a profile hands to its device: the light setting, per-LED
// parameters, custom-effect steps and key assignments.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelno {

// 12 bytes, handled by the device and the lighting panel as three 32-bit
// little-endian words.
struct LightSetting {
    enum Byte : int {
        kMode = 0,
        kBrightness = 1,
        kSpeed = 2,
        kDirection = 3,
        kMultiColor = 4,
        kRed = 5,
        kGreen = 6,
        kBlue = 7,
        kLedState = 11,
    };

    std::array<uint8_t, 12> bytes{};

    uint32_t Word(int index) const;
    static LightSetting FromWords(uint32_t word0, uint32_t word1, uint32_t word2);
    uint8_t operator[](int index) const { return bytes[static_cast<size_t>(index)]; }
    uint8_t& operator[](int index) { return bytes[static_cast<size_t>(index)]; }
    bool operator==(const LightSetting&) const = default;
};

struct LightListEntry {
    uint8_t mode = 0;
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t direction = 0;
    uint8_t multiColor = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t valid = 0;  // 1 when the file had parameters for this LED
    bool operator==(const LightListEntry&) const = default;
};

struct LightEffectStep {
    uint8_t mode = 0;
    uint8_t brightness = 0;
    uint8_t speed = 0;
    uint8_t direction = 0;
    uint8_t multiColor = 0;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    int32_t time = 0;   // the step's duration in ms
    int32_t cycle = 0;  // carried, not used
    bool operator==(const LightEffectStep&) const = default;
};

// Three assignment bytes (bits 23-16, 15-8, 7-0 of the stored integer) of
// one key position; their meaning belongs to the key assignment panel.
struct KeyAssignment {
    uint16_t keyIndex = 0;
    uint8_t high = 0;
    uint8_t middle = 0;
    uint8_t low = 0;

    uint32_t Packed() const { return uint32_t{high} << 16 | uint32_t{middle} << 8 | low; }
    static KeyAssignment FromPacked(uint16_t keyIndex, uint32_t packed);
    bool operator==(const KeyAssignment&) const = default;
};

struct KeyAssignmentPair {
    KeyAssignment current;
    KeyAssignment defaults;
    bool operator==(const KeyAssignmentPair&) const = default;
};

}  // namespace kelno
