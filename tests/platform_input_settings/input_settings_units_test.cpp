// The unit conversions of the OS input settings, as tables of cases with the
// edges where the arithmetic would go wrong unclamped.
#include "platform/input_settings/input_settings_units.h"

#include <gtest/gtest.h>

#include <climits>

namespace kelno::input_settings {
namespace {

TEST(InputSettingsUnits, PageSlidersToSettingUnits) {
    struct Case {
        int position;
        int speed;
    };
    // Slider 9 already reaches the fastest speed; a damaged profile may hold anything.
    for (const Case c : {Case{0, 2},
                         {4, 10},
                         {8, 18},
                         {9, 20},
                         {10, 20},
                         {-1, 1},
                         {-5, 1},
                         {INT_MAX, 20},
                         {INT_MIN, 1}}) {
        EXPECT_EQ(PointerSpeedFromSlider(c.position), c.speed) << "position " << c.position;
    }

    struct WheelCase {
        int position;
        bool page;
        int lines;
    };
    for (const WheelCase c : {WheelCase{0, false, 1},
                              {2, false, 3},
                              {99, false, 100},
                              {2, true, 255},
                              {0, true, 255},
                              {-3, false, 1},
                              {1000, false, 254}}) {
        EXPECT_EQ(WheelLinesFromSlider(c.position, c.page), c.lines)
            << "position " << c.position << " page " << c.page;
    }

    struct ClickCase {
        int position;
        int max;
        int milliseconds;
    };
    // The slider runs backwards: its maximum is the shortest time.
    for (const ClickCase c : {ClickCase{9, 9, 100},
                              {0, 9, 1000},
                              {5, 9, 500},
                              {12, 9, 100},
                              {-1, 9, 1000},
                              {0, 0, 100},
                              {3, -2, 100}}) {
        EXPECT_EQ(DoubleClickTimeFromSlider(c.position, c.max), c.milliseconds)
            << "position " << c.position << " max " << c.max;
    }
}

TEST(InputSettingsUnits, DesktopPointerSpeedIsCentredOnTenAndBounded) {
    struct Case {
        int speed;
        double desktop;
    };
    for (const Case c :
         {Case{10, 0.0}, {1, -0.9}, {20, 1.0}, {15, 0.5}, {0, -0.9}, {-40, -0.9}, {99, 1.0}}) {
        EXPECT_DOUBLE_EQ(DesktopPointerSpeed(c.speed), c.desktop) << "speed " << c.speed;
    }
}

TEST(InputSettingsUnits, KeyRepeatTimes) {
    struct Case {
        int rate;
        int intervalMs;
    };
    // 2.5 repeats a second at rate 0 up to 30 at 31, rounded to whole ms.
    for (const Case c :
         {Case{0, 400}, {31, 33}, {15, 63}, {1, 295}, {-1, 400}, {32, 33}, {INT_MAX, 33}}) {
        EXPECT_EQ(RepeatIntervalMs(c.rate), c.intervalMs) << "rate " << c.rate;
    }
    struct DelayCase {
        int delay;
        int delayMs;
    };
    for (const DelayCase c : {DelayCase{0, 250}, {1, 500}, {3, 1000}, {4, 1000}, {-1, 250}}) {
        EXPECT_EQ(RepeatDelayMs(c.delay), c.delayMs) << "delay " << c.delay;
    }
}

TEST(InputSettingsUnits, XAccelerationFollowsSpeedOnlyWithPrecision) {
    struct Case {
        int speed;
        bool precision;
        PointerAcceleration acceleration;
    };
    for (const Case c : {Case{10, true, {10, 10, 4}},
                         {20, true, {20, 10, 4}},
                         {1, true, {1, 10, 4}},
                         {0, true, {1, 10, 4}},
                         {25, true, {20, 10, 4}},
                         {20, false, {1, 1, 4}},
                         {1, false, {1, 1, 4}}}) {
        const PointerAcceleration actual = XPointerAcceleration(c.speed, c.precision);
        EXPECT_EQ(actual, c.acceleration)
            << "speed " << c.speed << " precision " << c.precision << ": " << actual.numerator
            << "/" << actual.denominator << " > " << actual.threshold;
    }
}

}  // namespace
}  // namespace kelno::input_settings
