#pragma once
// Constant tables of the software lighting effects.

#include <array>
#include <cstdint>

namespace kelno {

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

inline constexpr int kMaxBrightnessLevel = 24;
inline constexpr int kMaxSpeed = 5;
inline constexpr int kColourWheelSize = 192;
inline constexpr int kBreathingSteps = 128;
inline constexpr int kWaveSteps = 96;

// LED level of each brightness step 0 to 24.
extern const std::array<uint8_t, kMaxBrightnessLevel + 1> kLevelTable;
// One breath: 64 rising values, then the same falling.
extern const std::array<uint8_t, kBreathingSteps> kBreathingCurve;
// The wave of the wave effects: the upper 48 values of a breath, rising
// then falling.
extern const std::array<uint8_t, kWaveSteps> kWaveCurve;
// 192 colours in six runs of 32 round the hue circle.
extern const std::array<Rgb, kColourWheelSize> kColourWheel;
extern const std::array<Rgb, 4> kFourColours;
// Blink half-period per speed 0 to 5, in units of 200 ms; also the number
// of lighting passes between two steps of an effect.
extern const std::array<uint8_t, kMaxSpeed + 1> kBlinkPeriod;
// Passes between two colour-cycle steps of a custom effect, per speed 0 to 5.
extern const std::array<uint8_t, kMaxSpeed + 1> kCycleStepPasses;

// Table lookups with the index clamped into the table, since brightness and
// speed come from files and devices.
uint8_t LevelForBrightness(int brightness);
// Speeds above 5 give 0, as the tables do for the fastest speed.
uint8_t BlinkPeriodForSpeed(int speed);
uint8_t CycleStepPassesForSpeed(int speed);

// One step of an animation position in 8-bit arithmetic: forward adds
// `amount` and restarts at 0 when the result is not below `modulus`;
// backward subtracts and continues at modulus - amount when the result is
// not below `modulus` (a wrapped-around value).
uint8_t Step(bool forward, uint8_t modulus, uint8_t value, uint8_t amount);

}  // namespace kelno
