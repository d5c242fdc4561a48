// The wave and the ring chases of the software-lit devices, and how often
// their steps come.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "devices/models/ring_effects.h"

namespace kelno {
namespace {

EffectParameters Red(bool forward, bool multiColour = false) {
    EffectParameters p;
    p.brightness = 24;  // level 255
    p.speed = 3;
    p.forward = forward;
    p.multiColour = multiColour;
    p.colour = Rgb{255, 0, 0};
    return p;
}

// The lit LED with the highest level; -1 when all are dark.
int Brightest(const SoftwareLighting& lighting) {
    const std::vector<LedColour> leds = lighting.LedColours();
    int best = -1;
    for (size_t i = 0; i < leds.size(); ++i)
        if (leds[i].level > 0 && (best < 0 || leds[i].level > leds[static_cast<size_t>(best)].level))
            best = static_cast<int>(i);
    return best;
}

// The pad's 15 LEDs with one mark on the ring.
struct SeededPad : SoftwareLighting {
    SeededPad() : SoftwareLighting(15) { SetRingEntry(0, 1); }
};

TEST(EffectStepInterval, AStepEveryTPassesButNoFasterThanTenMilliseconds) {
    struct Case {
        int speed;
        bool custom;
        long long ms;
    } cases[] = {{0, false, 56}, {3, false, 26}, {4, false, 14},
                 {5, false, 10}, {99, false, 10}, {0, true, 10}};
    for (const Case& c : cases)
        EXPECT_EQ(EffectStepInterval(c.speed, c.custom).count(), c.ms) << c.speed;
}

TEST(WaveEffect, EachLedIsSpacingPlacesFurtherOnTheWheelOrTheCurve) {
    SoftwareLighting lighting(6);
    WaveEffect wave(WaveEffect::Shape{});
    wave.Step(lighting, Red(true, true));
    EXPECT_EQ(wave.Phase(), 1);
    const Rgb led1 = kColourWheel[1 + 1 + 7];
    EXPECT_EQ(lighting.GetLedColour(1), (LedColour{led1.red, led1.green, led1.blue, 255}));

    SoftwareLighting single(6);
    WaveEffect curve(WaveEffect::Shape{});
    curve.Step(single, Red(false));  // backward from 0 wraps to the curve's end
    EXPECT_EQ(curve.Phase(), kWaveSteps - 1);
    const uint8_t level = static_cast<uint8_t>(255 * kWaveCurve[(95 + 1 + 7 * 2) % 96] / 256);
    EXPECT_EQ(single.GetLedColour(2), (LedColour{255, 0, 0, level}));
}

TEST(WaveEffect, TheHeadsetShapeSpreadsTheWheelWiderAndMovesTheCurveThreePlaces) {
    const WaveEffect::Shape headset{16, 10, 3, 0};
    SoftwareLighting lighting(13);
    WaveEffect wave(headset);
    wave.Step(lighting, Red(true, true));
    const Rgb led12 = kColourWheel[(1 + 1 + 16 * 12) % 192];
    EXPECT_EQ(lighting.GetLedColour(12), (LedColour{led12.red, led12.green, led12.blue, 255}));

    SoftwareLighting single(13);
    WaveEffect curve(headset);
    curve.Step(single, Red(true));
    curve.Step(single, Red(true));
    EXPECT_EQ(curve.Phase(), 6);
    const uint8_t level = static_cast<uint8_t>(255 * kWaveCurve[(6 + 10 * 9) % 96] / 256);
    EXPECT_EQ(single.GetLedColour(9), (LedColour{255, 0, 0, level}));
}

TEST(RingChase, TheMarkMovesOneLedEverySecondCallAndLeavesATrail) {
    SeededPad lighting;
    RingChase chase(RingChase::Kind::Ring, 15);
    const EffectParameters red = Red(true);
    chase.Step(lighting, red);
    chase.Step(lighting, red);
    EXPECT_EQ(Brightest(lighting), -1) << "nothing marked before the second call is over";
    for (int led = 0; led < 4; ++led) {
        chase.Step(lighting, red);
        EXPECT_EQ(Brightest(lighting), led) << "call " << 3 + 2 * led;
        chase.Step(lighting, red);
    }
    // Behind the mark the LEDs fade.
    const std::vector<LedColour> leds = lighting.LedColours();
    EXPECT_GT(leds[3].level, leds[2].level);
    EXPECT_GT(leds[2].level, leds[1].level);
    EXPECT_EQ(leds[10].level, 0);
}

TEST(RingChase, BackwardTheMarkEntersFromTheFarEndOfTheRing) {
    SeededPad lighting;
    RingChase chase(RingChase::Kind::Ring, 15);
    const EffectParameters red = Red(false);
    std::vector<int> lit;
    for (int call = 0; call < 40; ++call) {
        chase.Step(lighting, red);
        const int led = Brightest(lighting);
        if (led >= 0 && (lit.empty() || lit.back() != led)) lit.push_back(led);
    }
    // Mark 0 goes to ring place 22 and walks down; the pad sees places 14 to 0.
    ASSERT_GE(lit.size(), 3u);
    EXPECT_EQ(lit[0], 0);
    EXPECT_EQ(lit[1], 14);
    EXPECT_EQ(lit[2], 13);
}

TEST(RingChase, PairsLightTogetherAndLedZeroStaysDark) {
    SeededPad lighting;
    lighting.SetRingEntry(0, 0);
    lighting.SetRingEntry(1, 1);  // a mark in front of pair (1, 14)'s key level
    RingChase chase(RingChase::Kind::Paired, 15);
    for (int call = 0; call < 12; ++call) {
        chase.Step(lighting, Red(false));
        const std::vector<LedColour> leds = lighting.LedColours();
        EXPECT_EQ(leds[0].level, 0) << "no pair drives LED 0";
        for (int pair = 1; pair <= 7; ++pair)
            EXPECT_EQ(leds[static_cast<size_t>(pair)], leds[static_cast<size_t>(15 - pair)])
                << "pair " << pair << " call " << call;
    }
    EXPECT_GE(Brightest(lighting), 1) << "the chase lit some pair";
}

TEST(RingChase, EachDeviceKeepsItsOwnPhase) {
    SeededPad a, b;
    RingChase first(RingChase::Kind::Ring, 15), second(RingChase::Kind::Ring, 15);
    for (int call = 0; call < 5; ++call) first.Step(a, Red(true, true));
    second.Step(b, Red(true, true));
    EXPECT_NE(first.Phase(), second.Phase());
    RingChase fresh(RingChase::Kind::Ring, 15);
    SeededPad c;
    fresh.Step(c, Red(true, true));
    EXPECT_EQ(fresh.Phase(), second.Phase()) << "the other device's steps changed nothing";
}

}  // namespace
}  // namespace kelno
