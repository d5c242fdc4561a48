// The preset curves the panel and the page use, and the default profile
// every new headset profile is copied from, hold the same gains.

#include <gtest/gtest.h>

#include <filesystem>

#include "headset/eq_presets.h"
#include "profiles/headset_profile_data.h"

namespace kelno {
namespace {

TEST(EqPresets, TheDefaultProfileCarriesTheTable) {
    CHs6533Profiledata profile;
    profile.Load(std::filesystem::path(KELNO_DEFAULT_DATA_DIR) / "HD.Json");
    for (int preset = kFirstEqPreset; preset <= kLastEqPreset; ++preset) {
        SCOPED_TRACE(preset);
        const std::optional<EqGains> gains = EqPresetGains(preset);
        ASSERT_TRUE(gains);
        EXPECT_EQ(profile.GetEqValues(preset), std::vector<int>(gains->begin(), gains->end()));
    }
}

TEST(EqPresets, OnlyPresetsOneToTwelveHaveCurves) {
    for (int preset : {0, 13, -1, 14}) EXPECT_FALSE(EqPresetGains(preset)) << preset;
    EXPECT_EQ(EqPresetGains(5), EqGains{});
    EXPECT_EQ(EqPresetGains(11), (EqGains{18, 14, 8, 2, -3, -6, -1, 2, 5, 6}));
}

}  // namespace
}  // namespace kelno
