#pragma once
// The keyboard's profile: system settings and the per-key colours of the
// user's custom lighting sets, beside the common data.

#include <array>
#include <cstdint>
#include <vector>

#include "profiles/basic_profile_data.h"

namespace kelno {

// Three words: "Repeat" | "RepeatDelay" << 16, "Key6Flag" | "PollingRate" << 16,
// "WFlag" | "WinFlag" << 16.
struct KeyboardSystemSettings {
    std::array<uint32_t, 3> words{};
    bool operator==(const KeyboardSystemSettings&) const = default;
};

struct KeyColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 0;
    bool operator==(const KeyColour&) const = default;
};

class CKeyboardProfiledata : public CBasicProfiledata {
public:
    // Custom lighting sets kept per profile; a group index outside this
    // range (from a damaged file or a caller) is not used.
    static constexpr int kMaxCustomLightGroups = 64;
    // Keys a new custom set shows lit (white), the rest dark.
    static constexpr std::array<int, 19> kLitByDefaultKeys = {
        29, 30, 32, 33, 49, 50, 51, 52, 53, 54, 70, 71, 72, 73, 74, 92, 93, 94, 109};

    KeyboardSystemSettings GetSystemStages();
    void SetSystemStages(const KeyboardSystemSettings& settings);

    // The colours of `group` for `count` keys. A group the profile does not
    // have yet is created: every key black and transparent except the
    // lit-by-default keys, stored white and opaque (the first call returns
    // all zeros, later calls what is stored). Empty for a group out of range.
    std::vector<KeyColour> GetCustomLightColours(int group, int count);
    void SetCustomLightColours(const std::vector<KeyColour>& colours, int group);
    int GetCustomLightGroup();  // 0 when missing or out of range
    void SetCustomLightGroup(int group);

private:
    KeyboardSystemSettings systemSettings_;
    std::vector<KeyColour> keyColours_;
    int group_ = 0;
};

}  // namespace kelno
