// The mouse's settings block and DPI arithmetic, and the shared key map
// writer's handling of both unmapped markers.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "devices/models/key_map_wire.h"
#include "devices/models/mouse_wire.h"

namespace kelno::mouse {
namespace {

using Head = std::array<uint8_t, 14>;  // profile, light, report rate, stage
using StageBytes = std::array<uint8_t, 9>;
using Tail = std::array<uint8_t, 7>;  // flag, screen size, correction
static_assert(sizeof(Head) + 5 * sizeof(StageBytes) + sizeof(Tail) == kSettingsWriteSize);

// A whole expected block laid out by hand rather than from the module's own
// offsets, so a moved field shows: the head, five stage records (zero when
// absent) and the tail.
std::array<uint8_t, kSettingsWriteSize> Block(const Head& head,
                                              const std::vector<StageBytes>& stages,
                                              const Tail& tail) {
    std::vector<uint8_t> bytes(head.begin(), head.end());
    for (size_t i = 0; i < 5; ++i) {
        const StageBytes record = i < stages.size() ? stages[i] : StageBytes{};
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    std::array<uint8_t, kSettingsWriteSize> block{};
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return block;
}

TEST(MouseSettingsBlock, CarriesLightStagesAndScreen) {
    MouseSettings s;
    s.mode = 7;
    s.brightness = 3;
    s.speed = 2;  // written as 5 - 2
    s.effectOption = 1;
    s.multiColour = 1;
    s.red = 0x21, s.green = 0x22, s.blue = 0x23;
    s.reportRate = 3;
    s.currentStage = 2;
    // X and Y differ and every colour byte is its own, so a swap shows.
    s.stages = {DpiStage{1, 1, 0x0108, 0x0209, 0xA1, 0xA2, 0xA3},
                DpiStage{1, 0, 0x1234, 0x5678, 0xB1, 0xB2, 0xB3},
                DpiStage{0, 2, 32, 33, 0xC1, 0xC2, 0xC3}};
    s.flag = 1;
    s.screenWidth = 1920;
    s.screenHeight = 1080;
    s.minimumSquare = 7;
    s.pixelThreshold = 9;
    const auto expected = Block({5, 7, 3, 3, 1, 1, 0x21, 0x22, 0x23, 0, 0, 3, 2, 0},
                                {{1, 1, 0x08, 0x01, 0x09, 0x02, 0xA1, 0xA2, 0xA3},
                                 {1, 0, 0x34, 0x12, 0x78, 0x56, 0xB1, 0xB2, 0xB3},
                                 {0, 2, 32, 0, 33, 0, 0xC1, 0xC2, 0xC3}},
                                {1, 0x80, 0x07, 0x38, 0x04, 7, 9});
    EXPECT_EQ(BuildSettingsBlock(5, s), expected);
}

TEST(MouseSettingsBlock, ModeBrightnessAndSpeedAreClamped) {
    struct Case {
        uint8_t mode, brightness, speed;
        uint8_t wireMode, wireBrightness, wireSpeed;
    } cases[] = {
        {0, 0, 0, 0, 0, 5},   // the slowest speed is written as 5
        {8, 4, 5, 8, 4, 0},   // the last mode, brightness and speed
        {9, 5, 6, 0, 4, 0},   // one beyond each: mode 0, the others at their maximum
        {9, 24, 2, 0, 4, 3},  // far beyond the brightness
        {255, 255, 255, 0, 4, 0},
    };
    for (const Case& c : cases) {
        MouseSettings s;
        s.mode = c.mode;
        s.brightness = c.brightness;
        s.speed = c.speed;
        const auto expected = Block(
            {0, c.wireMode, c.wireBrightness, c.wireSpeed, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {}, {});
        EXPECT_EQ(BuildSettingsBlock(0, s), expected)
            << int{c.mode} << " " << int{c.brightness} << " " << int{c.speed};
    }
}

TEST(MouseSettingsBlock, MoreThanFiveStagesNeverReachTheScreenSize) {
    MouseSettings s;
    for (uint8_t i = 1; i <= 16; ++i) s.stages.push_back(DpiStage{i, i, 0xFFFF, 0xFFFF, i, i, i});
    s.screenWidth = 0x0102;
    std::vector<StageBytes> five;
    for (uint8_t i = 1; i <= 5; ++i) five.push_back({i, i, 0xFF, 0xFF, 0xFF, 0xFF, i, i, i});
    const Head head = {0, 0, 0, 5};  // speed 0 is written as 5
    EXPECT_EQ(BuildSettingsBlock(0, s), Block(head, five, {0, 0x02, 0x01, 0, 0, 0, 0}));
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
