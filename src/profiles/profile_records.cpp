#include "profiles/profile_records.h"

namespace kelno {

uint32_t LightSetting::Word(int index) const {
    const size_t base = static_cast<size_t>(index) * 4;
    return uint32_t{bytes[base]} | uint32_t{bytes[base + 1]} << 8 | uint32_t{bytes[base + 2]} << 16 |
           uint32_t{bytes[base + 3]} << 24;
}

LightSetting LightSetting::FromWords(uint32_t word0, uint32_t word1, uint32_t word2) {
    LightSetting setting;
    const uint32_t words[3] = {word0, word1, word2};
    for (size_t i = 0; i < 12; ++i)
        setting.bytes[i] = static_cast<uint8_t>(words[i / 4] >> (8 * (i % 4)));
    return setting;
}

KeyAssignment KeyAssignment::FromPacked(uint16_t keyIndex, uint32_t packed) {
    return {keyIndex, static_cast<uint8_t>(packed >> 16), static_cast<uint8_t>(packed >> 8),
            static_cast<uint8_t>(packed)};
}

}  // namespace kelno
