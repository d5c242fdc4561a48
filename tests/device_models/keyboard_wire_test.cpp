#include "devices/models/keyboard_wire.h"

#include <gtest/gtest.h>

#include <numeric>
#include <set>
#include <random>

#include "profiles/keyboard_profile_data.h"

namespace kelno::keyboard {
namespace {

// A device key map holding the default codes in a shuffled device order.
struct ShuffledKeyMap {
    std::vector<uint8_t> bytes;
    std::vector<int> deviceOfPage;
};

ShuffledKeyMap MakeShuffledKeyMap(int deviceKeys, unsigned seed) {
    std::vector<int> order(static_cast<size_t>(deviceKeys));
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(seed));
    ShuffledKeyMap map{std::vector<uint8_t>(static_cast<size_t>(3 * deviceKeys), 0xEE), {}};
    for (int page = 0; page < kPageKeyCount && page < deviceKeys; ++page) {
        const int device = order[static_cast<size_t>(page)];
        std::copy(kDefaultKeyCodes[static_cast<size_t>(page)].begin(),
                  kDefaultKeyCodes[static_cast<size_t>(page)].end(),
                  map.bytes.begin() + 3 * device);
        map.deviceOfPage.push_back(device);
    }
    return map;
}

TEST(SettingsBlock, LayoutAndClamping) {
    KeyboardSettings settings{3, 12, 2, 1, 1, 10, 20, 30, 1, 1, 0, 1, 2};
    const auto block = BuildSettingsBlock(0, settings);
    const std::array<uint8_t, 25> expected = {0, 3, 12, 3, 1, 1, 10, 20, 30, 0, 0, 0, 0, 0, 0, 1,
                                              0, 0, 0, 1, 0, 1, 2, 0, 0};
    EXPECT_EQ(block, expected);

    settings.mode = 30;
    settings.speed = 5;
    EXPECT_EQ(BuildSettingsBlock(0, settings)[1], 0) << "mode 30 is written as 0";
    EXPECT_EQ(BuildSettingsBlock(0, settings)[3], 0) << "speed 5 is written as 0";
    settings.speed = 9;
    settings.brightness = 99;
    EXPECT_EQ(BuildSettingsBlock(0, settings)[3], 0) << "speed beyond 5 never wraps";
    EXPECT_EQ(BuildSettingsBlock(0, settings)[2], 24);
}

TEST(SettingsBlock, ReadBackClampsAndKeepsWhatIsNotReadBack) {
    std::array<uint8_t, 25> block{};
    block[1] = 7;
    block[2] = 200;
    block[3] = 0;
    block[5] = 9;
    block[6] = 1;
    block[19] = 1;
    block[22] = 3;
    const KeyboardSettings previous{0, 0, 0, 4, 0, 0, 0, 0, 1, 0, 0, 0, 2};
    const KeyboardSettings read = ReadSettingsBlock(block, previous);
    EXPECT_EQ(read.mode, 7);
    EXPECT_EQ(read.brightness, 24);
    EXPECT_EQ(read.speed, 5) << "0 on the wire is speed 5";
    EXPECT_EQ(read.multiColour, 1);
    EXPECT_EQ(read.effectOption, 4);
    EXPECT_EQ(read.pollingRateIndex, 2) << "not read back";
    block[3] = 250;
    EXPECT_EQ(ReadSettingsBlock(block, previous).speed, 0);
}

TEST(KeyMap, MatchingFindsEveryKeyOnceInAShuffledMap) {
    const ShuffledKeyMap map = MakeShuffledKeyMap(126, 42);
    const auto deviceKeys = MatchKeyMap(map.bytes);
    std::set<uint8_t> used;
    for (int page = 0; page < kPageKeyCount; ++page) {
        ASSERT_NE(deviceKeys[static_cast<size_t>(page)], kUnmapped) << page;
        used.insert(deviceKeys[static_cast<size_t>(page)]);
    }
    EXPECT_EQ(used.size(), 126u) << "keys 62 and 104 share a code but not a device key";
    EXPECT_EQ(deviceKeys[16], map.deviceOfPage[16]);
}

TEST(KeyMap, ShortOrForeignMapsLeaveKeysUnmapped) {
    EXPECT_EQ(MatchKeyMap({})[0], kUnmapped);
    const std::vector<uint8_t> foreign(300, 0x77);
    for (uint8_t key : MatchKeyMap(foreign)) EXPECT_EQ(key, kUnmapped);
    const std::vector<uint8_t> partial = {0x20, 0x00, 0x3A, 0x20, 0x00};  // one key and a half
    const auto keys = MatchKeyMap(partial);
    EXPECT_EQ(keys[1], 0);
    EXPECT_EQ(keys[0], kUnmapped);
}

TEST(KeyMap, LedsOutOfRangeAndUnmappedKeysAreDropped) {
    std::array<uint8_t, kPageKeyCount> deviceKeys;
    deviceKeys.fill(kUnmapped);
    deviceKeys[0] = 0;
    deviceKeys[1] = 1;
    deviceKeys[2] = 9;  // beyond the LED table
    const std::vector<uint8_t> leds = {22, 200};
    const auto mapped = MapKeyLeds(deviceKeys, leds);
    EXPECT_EQ(mapped[0], 22);
    EXPECT_EQ(mapped[1], kUnmapped) << "LED 200 does not exist";
    EXPECT_EQ(mapped[2], kUnmapped);
    EXPECT_EQ(mapped[3], kUnmapped);
}

TEST(KeyMap, WriteReplacesOnlyMappedKeys) {
    const ShuffledKeyMap map = MakeShuffledKeyMap(126, 7);
    auto deviceKeys = MatchKeyMap(map.bytes);
    deviceKeys[5] = kUnmapped;
    std::vector<KeyCode> assignments(kDefaultKeyCodes.begin(), kDefaultKeyCodes.end());
    assignments[0] = {0x30, 0xE9, 0x00};
    assignments[5] = {0x30, 0xEA, 0x00};
    const auto written = BuildKeyMap(map.bytes, deviceKeys, assignments);
    ASSERT_EQ(written.size(), map.bytes.size());
    const size_t k0 = 3 * size_t(map.deviceOfPage[0]);
    EXPECT_EQ((KeyCode{written[k0], written[k0 + 1], written[k0 + 2]}), (KeyCode{0x30, 0xE9, 0x00}));
    const size_t k5 = 3 * size_t(map.deviceOfPage[5]);
    EXPECT_EQ((KeyCode{written[k5], written[k5 + 1], written[k5 + 2]}), kDefaultKeyCodes[5])
        << "an unmapped key keeps what the keyboard has";
}

TEST(MacroImage, LayoutOffsetsAndCapacity) {
    const MacroEvent press{10, 4, true, 120};
    const std::vector<std::vector<MacroEvent>> macros = {
        std::vector<MacroEvent>(10, press), {}, std::vector<MacroEvent>(5, press)};
    EXPECT_EQ(MacroImageSize(macros), 94u);
    const MacroImage image = BuildMacroImage(macros, 128);
    ASSERT_EQ(image.bytes.size(), 94u);
    const auto le16 = [&](size_t at) { return image.bytes[at] | image.bytes[at + 1] << 8; };
    EXPECT_EQ(le16(0), 0x55AA);
    EXPECT_EQ(le16(2), 94);
    EXPECT_EQ(le16(4), 3);
    EXPECT_EQ(le16(16), 22);
    EXPECT_EQ(le16(18), 66);
    EXPECT_EQ(le16(20), 70);
    EXPECT_EQ(le16(22), 10);
    EXPECT_EQ(le16(66), 0);
    EXPECT_EQ(le16(70), 5);
    EXPECT_EQ((std::vector<uint8_t>(image.bytes.begin() + 26, image.bytes.begin() + 30)),
              (std::vector<uint8_t>{0x78, 0x00, 0x8A, 0x04}));

    EXPECT_EQ(BuildMacroImage(macros, 0).overflow, (94 / 4) + 1);
    EXPECT_TRUE(BuildMacroImage(macros, 0).bytes.empty());
    EXPECT_EQ(BuildMacroImage(macros, 90).overflow, 2);
    const std::vector<std::vector<MacroEvent>> huge(50, std::vector<MacroEvent>(2000, press));
    EXPECT_GT(BuildMacroImage(huge, 1u << 20).overflow, 0) << "the 16-bit length cannot hold it";
}

TEST(LightBitmap, PositionsAndBounds) {
    EXPECT_EQ(BitmapPosition(22)->byte, 1);
    EXPECT_EQ(BitmapPosition(22)->bit, 1);
    EXPECT_EQ(BitmapPosition(125)->byte, 20);
    EXPECT_EQ(BitmapPosition(125)->bit, 5);
    EXPECT_FALSE(BitmapPosition(126));
    EXPECT_FALSE(BitmapPosition(-1));

    std::array<uint8_t, kPageKeyCount> keyLeds;
    keyLeds.fill(kUnmapped);
    keyLeds[0] = 22;
    keyLeds[1] = 0;
    std::vector<bool> lit(kPageKeyCount, true);
    const auto bitmap = BuildLightBitmap(keyLeds, lit);
    std::array<uint8_t, kBitmapSize> expected{};
    expected[1] = 0x02;
    expected[0] = 0x01;
    EXPECT_EQ(bitmap, expected) << "unmapped keys never reach the bitmap";
}

TEST(DefaultCodes, MatchTheShippedKeyboardProfile) {
    CKeyboardProfiledata profile;
    profile.Load(std::filesystem::path(KELNO_DEFAULT_DATA_DIR) / "keyboard.Json");
    const auto keys = profile.GetKeyList();
    ASSERT_EQ(keys.size(), size_t{kPageKeyCount});
    for (size_t i = 0; i < keys.size(); ++i) {
        const KeyAssignment& d = keys[i].defaults;
        EXPECT_EQ((KeyCode{d.high, d.middle, d.low}), kDefaultKeyCodes[i]) << i;
    }
}

}  // namespace
}  // namespace kelno::keyboard
