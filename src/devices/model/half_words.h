#pragma once
// Six 16-bit settings packed two to a 32-bit word (the low half first), as
// the keyboard and mouse profiles keep their system settings.

#include <array>
#include <cstdint>

namespace kelno {

inline std::array<uint16_t, 6> UnpackHalfWords(const std::array<uint32_t, 3>& words) {
    std::array<uint16_t, 6> values{};
    for (size_t i = 0; i < values.size(); ++i) {
        const uint32_t word = words[i / 2];
        values[i] = static_cast<uint16_t>(i % 2 == 0 ? word & 0xFFFF : word >> 16);
    }
    return values;
}

inline std::array<uint32_t, 3> PackHalfWords(const std::array<uint16_t, 6>& values) {
    std::array<uint32_t, 3> words{};
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = uint32_t{values[2 * i]} | uint32_t{values[2 * i + 1]} << 16;
    return words;
}

}  // namespace kelno
