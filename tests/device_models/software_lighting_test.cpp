#include "devices/models/software_lighting.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace kelno {
namespace {

using namespace std::chrono_literals;

TEST(Step, WrapsInBothDirections) {
    struct Case {
        bool forward;
        uint8_t modulus, value, amount, expected;
    };
    const Case cases[] = {
        {true, 128, 0, 1, 1},     {true, 128, 127, 1, 0},   {true, 128, 200, 1, 0},
        {false, 128, 1, 1, 0},    {false, 128, 0, 1, 127},  {false, 128, 200, 1, 127},
        {true, 192, 190, 16, 0},  {false, 192, 5, 16, 176}, {true, 192, 255, 1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Step(c.forward, c.modulus, c.value, c.amount), c.expected)
            << c.forward << " " << int(c.modulus) << " " << int(c.value) << " " << int(c.amount);
}

TEST(LightTables, ShapeOfTheCurves) {
    EXPECT_EQ(kBreathingCurve[0], 0);
    EXPECT_EQ(kBreathingCurve[63], 255);
    EXPECT_EQ(kBreathingCurve[64], 255);
    EXPECT_EQ(kBreathingCurve[127], 0);
    EXPECT_EQ(kColourWheel[0], (Rgb{255, 1, 0}));
    EXPECT_EQ(kColourWheel[63], (Rgb{0, 255, 0}));
    EXPECT_EQ(kColourWheel[191], (Rgb{255, 0, 0}));
    // Brightness and speed from files are clamped before they index a table.
    EXPECT_EQ(LevelForBrightness(-3), 0);
    EXPECT_EQ(LevelForBrightness(24), 255);
    EXPECT_EQ(LevelForBrightness(200), 255);
    EXPECT_EQ(BlinkPeriodForSpeed(9), 0);
}

TEST(SoftwareLighting, MultiColourBreathVisitsTwelveWheelColours) {
    SoftwareLighting lighting(2);
    lighting.SetParameters({24, 3, true, true, {1, 2, 3}});
    std::vector<uint8_t> visited;
    for (int breath = 0; breath < 13; ++breath) {
        for (int step = 0; step < kBreathingSteps; ++step) lighting.Breathe();
        visited.push_back(lighting.ColourIndex());
    }
    EXPECT_EQ(visited, (std::vector<uint8_t>{16, 32, 48, 64, 80, 96, 112, 128, 144, 160, 176, 0, 16}));
    const LedColour led = lighting.GetLedColour(0);
    EXPECT_EQ((Rgb{led.red, led.green, led.blue}), kColourWheel[16]);
}

TEST(SoftwareLighting, BreathLevelFollowsCurveAndBrightness) {
    SoftwareLighting lighting(1);
    lighting.SetParameters({12, 3, true, false, {10, 20, 30}});
    for (int i = 0; i < 63; ++i) lighting.Breathe();
    EXPECT_EQ(lighting.Phase(), 63);
    EXPECT_EQ(lighting.GetLedColour(0), (LedColour{10, 20, 30, 255 * 120 / 256}));
}

TEST(SoftwareLighting, PositionsLeftByOneEffectNeverIndexPastTheNext) {
    SoftwareLighting lighting(1);
    lighting.SetParameters({24, 5, false, true, {}});
    for (int i = 0; i < 191; ++i) lighting.ColourCycle();  // phase near the wheel's end
    for (int i = 0; i < 300; ++i) {
        lighting.Breathe();
        ASSERT_LT(lighting.Phase(), kBreathingSteps);
        lighting.Blink(SoftwareLighting::Clock::now());
        ASSERT_LT(lighting.Phase(), kColourWheelSize);
        lighting.BreatheFourColours();
        ASSERT_LT(lighting.ColourIndex(), kColourWheelSize);
    }
}

TEST(SoftwareLighting, BlinkAtTopSpeedTogglesEveryCallAndSlowerWaits) {
    SoftwareLighting lighting(1);
    lighting.SetParameters({24, 5, true, false, {255, 0, 0}});
    const auto t0 = SoftwareLighting::Clock::now();
    std::vector<uint8_t> levels;
    for (int i = 0; i < 4; ++i) {
        lighting.Blink(t0);
        levels.push_back(lighting.GetLedColour(0).level);
    }
    EXPECT_EQ(levels, (std::vector<uint8_t>{255, 0, 255, 0}));

    SoftwareLighting slow(1);
    slow.SetParameters({24, 0, true, false, {255, 0, 0}});
    slow.Blink(t0 + 10s);
    EXPECT_EQ(slow.GetLedColour(0).level, 255);
    slow.Blink(t0 + 10s + 5599ms);
    EXPECT_EQ(slow.GetLedColour(0).level, 255) << "28 x 200 ms not yet passed";
    slow.Blink(t0 + 10s + 5600ms);
    EXPECT_EQ(slow.GetLedColour(0).level, 0);
}

TEST(SoftwareLighting, FrameScalesByLevelAndIndexesAreBounded) {
    SoftwareLighting lighting(2);
    lighting.SetLedColour(0, {255, 128, 0, 128});
    lighting.SetLedColour(1, {10, 20, 30, 255});
    lighting.SetLedColour(2, {1, 1, 1, 1});
    lighting.SetLedColour(-1, {1, 1, 1, 1});
    EXPECT_EQ(lighting.Frame(), (std::vector<uint8_t>{127, 64, 0, 9, 19, 29}));
    EXPECT_EQ(lighting.GetLedColour(5), LedColour{});
}

TEST(SoftwareLighting, ReactiveLevelsTable) {
    struct Case {
        uint8_t level;
        uint8_t lowerCoarse, lowerFine, raiseCoarse, raiseFine;
    };
    const Case cases[] = {
        {250, 210, 210, 255, 255}, {128, 88, 88, 168, 134}, {100, 70, 70, 130, 105},
        {40, 30, 30, 50, 44},      {20, 12, 12, 28, 23},    {12, 8, 11, 16, 14},
        {3, 0, 2, 7, 4},           {0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SoftwareLighting lighting;
        const auto after = [&](auto change) {
            lighting.SetKeyLevel(5, c.level);
            change();
            return lighting.KeyLevel(5);
        };
        EXPECT_EQ(after([&] { lighting.LowerKeyLevel(5, false); }), c.lowerCoarse) << int(c.level);
        EXPECT_EQ(after([&] { lighting.LowerKeyLevel(5, true); }), c.lowerFine) << int(c.level);
        EXPECT_EQ(after([&] { lighting.RaiseKeyLevel(5, false); }), c.raiseCoarse) << int(c.level);
        EXPECT_EQ(after([&] { lighting.RaiseKeyLevel(5, true); }), c.raiseFine) << int(c.level);
    }
    SoftwareLighting lighting;
    lighting.RaiseKeyLevel(126, false);
    lighting.LowerKeyLevel(-1, false);
    EXPECT_EQ(lighting.KeyLevel(126), 0);
}

TEST(SoftwareLighting, RingRotatesAndMarksWithoutTouchingOtherKeys) {
    SoftwareLighting lighting;
    lighting.SetRingEntry(22, 7);
    lighting.SetKeyLevel(125, 99);
    lighting.RotateRing(true);
    EXPECT_EQ(lighting.RingEntry(0), 7);
    lighting.RotateRing(false);
    EXPECT_EQ(lighting.RingEntry(22), 7);
    lighting.RotateRing(true);
    lighting.MarkRingKeys();
    EXPECT_EQ(lighting.KeyLevel(0), 255);
    EXPECT_EQ(lighting.KeyLevel(1), 0);
    EXPECT_EQ(lighting.KeyLevel(125), 99) << "the ring is not stored over the key levels";
    lighting.ClearKeyLevels();
    EXPECT_EQ(lighting.KeyLevel(0), 0);
    EXPECT_EQ(lighting.RingEntry(0), 0);
}

TEST(SoftwareLighting, UiAndLightingThreadsShareTheLeds) {
    SoftwareLighting lighting(126);
    lighting.SetParameters({24, 5, true, true, {}});
    std::thread effects([&] {
        for (int i = 0; i < 2000; ++i) {
            lighting.ColourCycle();
            (void)lighting.Frame();
        }
    });
    for (int i = 0; i < 2000; ++i) {
        lighting.SetLedColour(i % 126, {1, 2, 3, 4});
        (void)lighting.LedColours();
    }
    effects.join();
    EXPECT_EQ(lighting.LedCount(), 126);
}

}  // namespace
}  // namespace kelno
