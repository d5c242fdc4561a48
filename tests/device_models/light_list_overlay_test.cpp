// The per-LED light list laid over an effect.
#include "devices/models/light_list_overlay.h"

#include <gtest/gtest.h>

namespace kelno {
namespace {

using namespace std::chrono_literals;

LightListEntry Entry(uint8_t mode, uint8_t brightness, uint8_t speed, Rgb colour, bool valid = true,
                     bool multi = false) {
    LightListEntry e;
    e.mode = mode;
    e.brightness = brightness;
    e.speed = speed;
    e.multiColor = multi ? 1 : 0;
    e.red = colour.red;
    e.green = colour.green;
    e.blue = colour.blue;
    e.valid = valid ? 1 : 0;
    return e;
}

TEST(LightListOverlay, EachModeActsOnItsOwnLed) {
    SoftwareLighting lighting(6);
    const LedColour painted{1, 2, 3, 4};
    for (int i = 0; i < 6; ++i) lighting.SetLedColour(i, painted);
    LightListOverlay overlay;
    overlay.Reset({Entry(1, 24, 0, {9, 8, 7}),         // steady
                   Entry(4, 24, 0, {9, 8, 7}),         // off
                   Entry(9, 24, 0, {9, 8, 7}),         // unknown: untouched
                   Entry(0, 24, 0, {9, 8, 7}, false),  // breathing, not valid: untouched
                   Entry(3, 10, 5, {0, 0, 0}),         // colour cycle at speed 5: every pass
                   Entry(0, 24, 1, {200, 0, 0})});     // breathing by speed + 4
    const auto now = SoftwareLighting::Clock::now();
    overlay.Apply(lighting, now);
    EXPECT_EQ(lighting.GetLedColour(0), (LedColour{9, 8, 7, 255}));
    EXPECT_EQ(lighting.GetLedColour(1), LedColour{});
    EXPECT_EQ(lighting.GetLedColour(2), painted);
    EXPECT_EQ(lighting.GetLedColour(3), painted);
    const Rgb wheel1 = kColourWheel[1];
    EXPECT_EQ(lighting.GetLedColour(4),
              (LedColour{wheel1.red, wheel1.green, wheel1.blue, kLevelTable[10]}));
    EXPECT_EQ(lighting.GetLedColour(5),
              (LedColour{200, 0, 0, static_cast<uint8_t>(kBreathingCurve[5] * 255 / 256)}));
    // The seventh LED has no entry.
}

TEST(LightListOverlay, BlinkingTogglesAfterItsPeriodAndHostileValuesStayInTables) {
    SoftwareLighting lighting(2);
    LightListOverlay overlay;
    overlay.Reset({Entry(2, 200, 4, {50, 60, 70}), Entry(0, 255, 255, {1, 1, 1}, true, true)});
    auto now = SoftwareLighting::Clock::now();
    overlay.Apply(lighting, now);  // the first pass toggles on
    EXPECT_EQ(lighting.GetLedColour(0), (LedColour{50, 60, 70, 255}));
    overlay.Apply(lighting, now + 100ms);  // period at speed 4: 7 x 200 ms
    EXPECT_EQ(lighting.GetLedColour(0).level, 255);
    overlay.Apply(lighting, now + 1500ms);
    EXPECT_EQ(lighting.GetLedColour(0), LedColour{});
    for (int pass = 0; pass < 4000; ++pass) overlay.Apply(lighting, now);
    EXPECT_LE(lighting.GetLedColour(1).level, 255);  // breathing stopped at the last wheel colour
    const Rgb last = kColourWheel[kColourWheelSize - 1];
    EXPECT_EQ(lighting.GetLedColour(1).red, last.red);
}

}  // namespace
}  // namespace kelno
