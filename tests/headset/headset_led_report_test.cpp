// The headset's LED output reports: order of drivers and blocks, which
// LEDs each block carries, channel scaling and its limit.

#include <gtest/gtest.h>

#include <vector>

#include "headset/headset_led_report.h"

namespace kelno::headset {
namespace {

TEST(HeadsetLedReports, TwelveReportsInDriverAndBlockOrder) {
    const std::vector<LedColour> dark(kLedCount);
    const auto reports = BuildLedReports(dark);
    const uint8_t expected[kLedReportCount][2] = {
        {0x22, 0xAA}, {0x22, 0xAD}, {0x44, 0xAA}, {0x44, 0xAD}, {0x22, 0xAB}, {0x22, 0xAE},
        {0x44, 0xAB}, {0x44, 0xAE}, {0x22, 0xAC}, {0x22, 0xAF}, {0x44, 0xAC}, {0x44, 0xAF}};
    for (size_t i = 0; i < kLedReportCount; ++i) {
        EXPECT_EQ(reports[i][0], 0xFF) << i;
        EXPECT_EQ(reports[i][1], expected[i][0]) << i;
        EXPECT_EQ(reports[i][2], expected[i][1]) << i;
    }
}

TEST(HeadsetLedReports, EachBlockCarriesItsHalfOfOneColour) {
    std::vector<LedColour> leds(kLedCount);
    for (int i = 0; i < kLedCount; ++i)
        leds[static_cast<size_t>(i)] = {static_cast<uint8_t>(10 + i), static_cast<uint8_t>(100 + i),
                                        static_cast<uint8_t>(240 + i), 255};
    const auto reports = BuildLedReports(leds);
    // Red of LEDs 0-6 on driver 0x22: 7 bytes, then zeros.
    const LedReport redFirst = {0xFF, 0x22, 0xAA, 9, 10, 11, 12, 13, 14, 15, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(reports[0], redFirst);
    // Green of LEDs 7-12 on driver 0x44: 6 bytes.
    const LedReport greenSecond = {0xFF, 0x44, 0xAE, 106, 107, 108, 109, 110, 111,
                                   0,    0,    0,    0,   0,   0,   0,   0};
    EXPECT_EQ(reports[7], greenSecond);
    EXPECT_EQ(reports[2][3], reports[0][3]) << "both drivers get the same data";
    // Blue of LEDs 7-12: 247 x 255 / 256 for LED 7, capped at 247 for LED 12.
    EXPECT_EQ(reports[11][3], 246);
    EXPECT_EQ(reports[11][8], kMaxChannel);
}

TEST(HeadsetLedReports, ChannelValues) {
    struct Case {
        uint8_t component, level, value;
    } cases[] = {
        {255, 255, 247},  // 254 capped
        {248, 255, 247},  // 247 exactly
        {200, 128, 100},
        {255, 0, 0},
        {1, 255, 0},  // integer scaling rounds down
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChannelValue(c.component, c.level), c.value) << int{c.component} << "/" << int{c.level};
}

TEST(HeadsetLedReports, MissingLedsAreDarkAndExtraOnesIgnored) {
    const std::vector<LedColour> three(3, LedColour{255, 255, 255, 255});
    auto reports = BuildLedReports(three);
    EXPECT_EQ(reports[0][5], kMaxChannel);
    EXPECT_EQ(reports[0][6], 0) << "LED 3 does not exist here";
    EXPECT_EQ(reports[1][3], 0);

    const std::vector<LedColour> many(20, LedColour{255, 0, 0, 255});
    reports = BuildLedReports(many);
    EXPECT_EQ(reports[1][8], kMaxChannel) << "LED 12";
    EXPECT_EQ(reports[1][9], 0) << "no 14th LED in a report";
}

}  // namespace
}  // namespace kelno::headset
