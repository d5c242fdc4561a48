// The custom-effect player: each step mode's pace and colours, the steps
// following each other by their times, blinking at the device's own pace,
// and an effect without steps turning the LEDs off.

#include "devices/models/custom_effect_player.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kelno {
namespace {

using Clock = CustomEffectPlayer::Clock;
using std::chrono::milliseconds;

LightEffectStep Step(uint8_t mode, uint8_t speed, int32_t time = 1000) {
    LightEffectStep step;
    step.mode = mode;
    step.brightness = 24;  // level 255
    step.speed = speed;
    step.red = 10;
    step.green = 20;
    step.blue = 30;
    step.time = time;
    return step;
}

class PlayerTest : public ::testing::Test {
  protected:
    // `count` passes at the start time.
    void Passes(int count, int deviceSpeed = 0) {
        for (int i = 0; i < count; ++i) player.Play(lighting, deviceSpeed, t0);
    }
    LedColour Led(int i) const { return lighting.GetLedColour(i); }

    SoftwareLighting lighting{3};
    CustomEffectPlayer player;
    const Clock::time_point t0 = Clock::now();
};

TEST_F(PlayerTest, WithoutStepsEveryLedIsOff) {
    lighting.SetLedColour(1, {1, 2, 3, 200});
    Passes(1);
    EXPECT_EQ(Led(1).level, 0);
}

TEST_F(PlayerTest, ModesChangeTheLedsOnlyAfterTheirPassesForTheStepsSpeed) {
    struct Case {
        uint8_t mode, speed;
        int passesBefore;  // passes that change nothing
    };
    const Case cases[] = {
        {CustomEffectPlayer::kSteady, 4, 6},       // T[4] = 7
        {CustomEffectPlayer::kBreathing, 3, 12},   // T[3] = 13
        {CustomEffectPlayer::kColourCycle, 2, 3},  // C[2] = 4
        {CustomEffectPlayer::kWave, 4, 6},
    };
    for (const Case& c : cases) {
        SoftwareLighting leds(3);
        CustomEffectPlayer fresh;
        fresh.SetSteps({Step(c.mode, c.speed)});
        for (int i = 0; i < c.passesBefore; ++i) fresh.Play(leds, 0, t0);
        EXPECT_EQ(leds.GetLedColour(0), LedColour{}) << int{c.mode};
        fresh.Play(leds, 0, t0);
        EXPECT_NE(leds.GetLedColour(0), LedColour{}) << int{c.mode};
    }
}

TEST_F(PlayerTest, SteadyAndBreathingShowTheStepsColourAtItsLevel) {
    player.SetSteps({Step(CustomEffectPlayer::kSteady, 5)});
    Passes(1);  // T[5] = 0: every pass
    EXPECT_EQ(Led(2), (LedColour{10, 20, 30, 255}));

    CustomEffectPlayer breathing;
    breathing.SetSteps({Step(CustomEffectPlayer::kBreathing, 5)});
    breathing.Play(lighting, 0, t0);  // phase 1
    EXPECT_EQ(Led(0).level, 255 * kBreathingCurve[1] / 256);
}

TEST_F(PlayerTest, TheWaveRunsAlongTheLeds) {
    LightEffectStep wave = Step(CustomEffectPlayer::kWave, 5);
    player.SetSteps({wave});
    Passes(1);  // phase 1, start position 2
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Led(i).level,
                  255 * kWaveCurve[static_cast<size_t>((2 + 12 * (i + 1)) % 96)] / 256)
            << i;
}

TEST(WaveCurve, RisesFrom22To255AndFallsBack) {
    EXPECT_EQ(kWaveCurve[0], 22);
    EXPECT_EQ(kWaveCurve[47], 255);
    EXPECT_EQ(kWaveCurve[48], 255);
    EXPECT_EQ(kWaveCurve[95], 22);
    EXPECT_TRUE(std::is_sorted(kWaveCurve.begin(), kWaveCurve.begin() + 48));
    EXPECT_EQ(CycleStepPassesForSpeed(6), 0) << "faster than the table: every pass";
    EXPECT_EQ(BlinkPeriodForSpeed(200), 0);
}

TEST_F(PlayerTest, StepsFollowEachOtherByTheirTimesAndComeRound) {
    player.SetSteps(
        {Step(CustomEffectPlayer::kSteady, 5, 100), Step(CustomEffectPlayer::kHold, 5, 50)});
    player.Play(lighting, 0, t0);
    player.Play(lighting, 0, t0 + milliseconds(100));
    EXPECT_EQ(player.StepIndex(), 0u) << "a step lasts its whole time";
    player.Play(lighting, 0, t0 + milliseconds(101));
    EXPECT_EQ(player.StepIndex(), 1u);
    player.Play(lighting, 0, t0 + milliseconds(152));
    EXPECT_EQ(player.StepIndex(), 0u);
    player.SetSteps({Step(CustomEffectPlayer::kSteady, 5)});
    EXPECT_EQ(player.StepIndex(), 0u);
}

TEST_F(PlayerTest, BlinkingKeepsTheDevicesPace) {
    player.SetSteps({Step(CustomEffectPlayer::kBlinking, 5)});
    // The device's speed 4: T = 7, so 1.4 s between toggles.
    player.Play(lighting, 4, t0 + milliseconds(1400));
    const bool firstOn = Led(0).level != 0;
    player.Play(lighting, 4, t0 + milliseconds(2000));
    EXPECT_EQ(Led(0).level != 0, firstOn) << "too early to toggle";
    player.Play(lighting, 4, t0 + milliseconds(2800));
    EXPECT_NE(Led(0).level != 0, firstOn);
}

}  // namespace
}  // namespace kelno
