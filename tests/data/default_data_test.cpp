// The default data shipped with the program is what every new profile is
// copied from: a broken file here breaks every user's first start.

#include <gtest/gtest.h>

#include <set>

#include "core/json_access.h"
#include "core/json_file.h"
#include "macros/recoil_data.h"
#include "profiles/headset_profile_data.h"
#include "profiles/keyboard_profile_data.h"
#include "profiles/mouse_profile_data.h"

namespace kelno {
namespace {

const std::filesystem::path kDataDir = KELNO_DEFAULT_DATA_DIR;

TEST(DefaultData, EveryFileParsesWithADeviceNode) {
    for (const char* name : {"keyboard.Json", "mouse.Json", "MousePad.Json", "HD.Json"}) {
        const Json::Value root = ReadJsonFile(kDataDir / name);
        EXPECT_TRUE(ProfileDeviceNode(root, 0).isObject()) << name;
        EXPECT_TRUE(json::Member(ProfileDeviceNode(root, 0), "LightInfo").isObject()) << name;
    }
}

TEST(DefaultData, KeyboardDefaultsCoverAllKeysWithDistinctCodes) {
    CKeyboardProfiledata profile;
    profile.SetDefaultPath(kDataDir / "keyboard.Json");
    profile.Load(kDataDir / "keyboard.Json");
    const auto keys = profile.GetKeyList();
    ASSERT_EQ(keys.size(), 126u);
    std::set<uint32_t> codes;
    for (const auto& key : keys) {
        EXPECT_EQ(key.current, key.defaults) << key.current.keyIndex;
        codes.insert(key.defaults.Packed());
    }
    // Keys 62 and 104 both carry the empty code; every other key is unique,
    // so a device key can be matched to exactly one page key.
    EXPECT_EQ(codes.size(), 125u);
    EXPECT_EQ(keys[62].defaults.Packed(), 0x200000u);
    EXPECT_EQ(keys[104].defaults.Packed(), 0x200000u);
    EXPECT_EQ(keys[16].defaults.Packed(), 0xA01B00u);
    EXPECT_EQ(keys[125].defaults.Packed(), 0x208000u);
}

TEST(DefaultData, ModeNamesExistForEveryKind) {
    const Json::Value names = ReadJsonFile(kDataDir / "default_light.json");
    const Json::Value& lists = json::Member(names, "DefaultLightName");
    const std::pair<int, int> minimumModes[] = {{0, 25}, {1, 9}, {2, 9}, {3, 9}};
    for (const auto& [kind, count] : minimumModes) {
        const Json::Value& modes = json::Element(lists, kind);
        ASSERT_GE(static_cast<int>(modes.size()), count) << kind;
        for (const auto& mode : modes) EXPECT_FALSE(json::ReadString(mode, "LightName").empty());
    }
}

TEST(DefaultData, MouseAndHeadsetDefaultsAreComplete) {
    CMouseProfiledata mouse;
    mouse.Load(kDataDir / "mouse.Json");
    EXPECT_EQ(mouse.GetDpiStages().size(), 5u);

    CHs6533Profiledata headset;
    headset.Load(kDataDir / "HD.Json");
    for (int type = 1; type <= 12; ++type) EXPECT_EQ(headset.GetEqValues(type).size(), 10u);
}

// A recoil reset copies these files over the user's: each holds the 30
// shots whole (click, release, two moves), with amounts and delays a device
// takes.
TEST(DefaultData, RecoilPresetsHoldThirtyWholeShots) {
    for (int preset = 0; preset < RecoilLimits::kPresets; ++preset) {
        const Json::Value file = ReadJsonFile(RecoilFilePath(kDataDir, preset));
        const Json::Value& events = json::Member(file, "Events");
        ASSERT_EQ(events.size(), 4u * RecoilLimits::kShots) << preset;
        for (int shot = 0; shot < RecoilLimits::kShots; ++shot) {
            Json::Value copy = file;
            const RecoilShot values = ReadRecoilShot(file, shot);
            StoreRecoilShot(copy, shot, values);  // what the panel would write back
            EXPECT_EQ(copy, file) << "preset " << preset << " shot " << shot;
            EXPECT_GT(values.delay, 0) << "preset " << preset << " shot " << shot;
        }
    }
}

}  // namespace
}  // namespace kelno
