// The mouse's settings block and DPI arithmetic, and the shared key map
// writer's handling of both unmapped markers.

#include <gtest/gtest.h>

#include <vector>

#include "devices/models/key_map_wire.h"
#include "devices/models/mouse_wire.h"

namespace kelno::mouse {
namespace {

DpiStage Stage(uint16_t dpi, uint8_t red) {
    return DpiStage{1, 0, dpi, dpi, red, 0, 0};
}

TEST(MouseSettingsBlock, CarriesLightStagesAndScreen) {
    MouseSettings s;
    s.mode = 9;  // beyond the mouse's modes: written as 0
    s.brightness = 24;
    s.speed = 2;
    s.effectOption = 1;
    s.multiColour = 1;
    s.red = 1, s.green = 2, s.blue = 3;
    s.reportRate = 3;
    s.currentStage = 2;
    s.stages = {Stage(8, 0xAA), Stage(0x1234, 0xBB), Stage(32, 0xCC)};
    s.flag = 1;
    s.screenWidth = 1920;
    s.screenHeight = 1080;
    s.minimumSquare = 7;
    s.pixelThreshold = 9;
    const auto block = BuildSettingsBlock(0, s);

    EXPECT_EQ(block[1], 0);
    EXPECT_EQ(block[2], kMaxBrightness) << "brightness within the mouse's maximum";
    EXPECT_EQ(block[3], 3) << "speed 2 is written as 3";
    EXPECT_EQ(block[4], 1);
    EXPECT_EQ(block[11], 3);
    EXPECT_EQ(block[12], 2);
    const std::vector<uint8_t> stage1(block.begin() + 23, block.begin() + 32);
    EXPECT_EQ(stage1, (std::vector<uint8_t>{1, 0, 0x34, 0x12, 0x34, 0x12, 0xBB, 0, 0}));
    for (size_t i = 41; i <= 58; ++i) EXPECT_EQ(block[i], 0) << "absent stage byte " << i;
    EXPECT_EQ(block[59], 1);
    EXPECT_EQ(std::vector<uint8_t>(block.begin() + 60, block.begin() + 64),
              (std::vector<uint8_t>{0x80, 0x07, 0x38, 0x04}));
    EXPECT_EQ(block[64], 7);
    EXPECT_EQ(block[65], 9);
}

TEST(MouseSettingsBlock, MoreThanFiveStagesNeverReachTheScreenSize) {
    MouseSettings s;
    for (int i = 0; i < 16; ++i) s.stages.push_back(Stage(0xFFFF, 0xFF));
    s.screenWidth = 0x0102;
    const auto block = BuildSettingsBlock(0, s);
    EXPECT_EQ(block[56], 0xFF);  // the fifth stage's red
    EXPECT_EQ(block[59], 0);
    EXPECT_EQ(block[60], 0x02);
    EXPECT_EQ(block[61], 0x01);
}

TEST(MouseSettingsBlock, ReadBackIsClamped) {
    struct Case {
        std::vector<uint8_t> head;  // bytes 0..12
        size_t stages;
        MouseReadBack expected;
    } cases[] = {
        {{0, 3, 2, 1, 0, 0, 10, 20, 30, 0, 0, 0, 1}, 5, {3, 2, 4, 0, 10, 20, 30, 1}},
        {{0, 200, 99, 250, 0, 7, 0, 0, 0, 0, 0, 0, 4}, 5, {0, 4, 0, 1, 0, 0, 0, 4}},
        {{0, 8, 0, 5, 0, 0, 0, 0, 0, 0, 0, 0, 3}, 3, {8, 0, 0, 0, 0, 0, 0, std::nullopt}},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, kSettingsReadSize> block{};
        std::copy(c.head.begin(), c.head.end(), block.begin());
        EXPECT_EQ(ReadSettingsBlock(block, c.stages), c.expected) << int{c.head[1]};
    }
}

TEST(MouseDpi, TypedValuesBecomeWholeStepsInRange) {
    const std::array<uint8_t, 14> info = {0, 0, 0, 0, 0, 10, 8, 0, 0, 0, 0, 50, 0x90, 0x01};
    const DpiRange range = DpiRangeOf(info);
    EXPECT_EQ(range.step, 50);
    EXPECT_EQ(range.steps, 400);
    struct Case {
        long long dpi;
        int steps;
    } cases[] = {{1234, 24}, {49, 0}, {-50, 0}, {20000, 400}, {1LL << 40, 400}};
    for (const Case& c : cases) EXPECT_EQ(StepsOfDpi(c.dpi, range), c.steps) << c.dpi;
    EXPECT_EQ(StepsOfDpi(1000, DpiRange{0, 400}), 0) << "no step: no division";
    EXPECT_EQ(DpiRangeOf(std::array<uint8_t, 4>{}).steps, 0) << "a short record";
}

TEST(KeyMapWriter, SkipsBothUnmappedMarkersAndKeysBeyondTheMap) {
    const std::vector<uint8_t> read(3 * 4, 0x11);
    const std::vector<uint8_t> deviceKeys = {0, keymap::kMouseUnmapped, keymap::kKeyboardUnmapped,
                                             9, 3};
    const std::vector<keymap::KeyCode> codes(5, keymap::KeyCode{0x10, 0x01, 0x00});
    const std::vector<uint8_t> map = keymap::BuildKeyMap(read, deviceKeys, codes);
    ASSERT_EQ(map.size(), read.size());
    const std::vector<uint8_t> expected = {0x10, 0x01, 0x00, 0x11, 0x11, 0x11,
                                           0x11, 0x11, 0x11, 0x10, 0x01, 0x00};
    EXPECT_EQ(map, expected);
}

TEST(KeyMapMatcher, MouseKeysMatchTheirFactoryCodesOnce) {
    // Device keys hold the codes of page keys 3, 0, 0 (a duplicate) and a
    // foreign one.
    std::vector<uint8_t> map;
    for (int page : {3, 0, 0}) {
        const auto& code = kDefaultKeyCodes[static_cast<size_t>(page)];
        map.insert(map.end(), code.begin(), code.end());
    }
    map.insert(map.end(), {0x42, 0, 0});
    const std::vector<uint8_t> keys = keymap::MatchKeyMap(map, kDefaultKeyCodes, kUnmapped);
    ASSERT_EQ(keys.size(), 10u);
    EXPECT_EQ(keys[0], 1);
    EXPECT_EQ(keys[3], 0);
    EXPECT_EQ(keys[1], kUnmapped);
}

}  // namespace
}  // namespace kelno::mouse
