#include "devices/models/light_tables.h"

#include <algorithm>

namespace kelno {
namespace {

constexpr std::array<uint8_t, 64> kBreathRise = {
    0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  12,  14,  16,  18,  20,
    22,  24,  27,  30,  33,  36,  39,  42,  45,  49,  53,  57,  61,  65,  69,  73,
    77,  81,  85,  89,  94,  99,  104, 109, 114, 119, 124, 129, 134, 140, 146, 152,
    158, 164, 170, 176, 182, 188, 194, 200, 206, 213, 220, 227, 234, 241, 248, 255};

constexpr std::array<uint8_t, 32> kUp = {1,   3,   5,   7,   10,  14,  18,  22,  26,  32,  38,
                                         44,  50,  57,  65,  73,  81,  89,  99,  109, 119, 129,
                                         140, 152, 164, 176, 188, 200, 213, 227, 241, 255};
constexpr std::array<uint8_t, 32> kDown = {248, 234, 220, 206, 194, 182, 170, 158, 146, 134, 124,
                                           114, 104, 94,  85,  77,  69,  61,  53,  47,  41,  35,
                                           29,  24,  20,  16,  12,  8,   6,   4,   2,   0};

std::array<uint8_t, kBreathingSteps> MakeBreathingCurve() {
    std::array<uint8_t, kBreathingSteps> curve{};
    for (size_t i = 0; i < 64; ++i) {
        curve[i] = kBreathRise[i];
        curve[127 - i] = kBreathRise[i];
    }
    return curve;
}

std::array<uint8_t, kWaveSteps> MakeWaveCurve() {
    constexpr size_t kHalf = kWaveSteps / 2;
    std::array<uint8_t, kWaveSteps> curve{};
    for (size_t i = 0; i < kHalf; ++i) {
        curve[i] = kBreathRise[kBreathRise.size() - kHalf + i];
        curve[kWaveSteps - 1 - i] = curve[i];
    }
    return curve;
}

std::array<Rgb, kColourWheelSize> MakeColourWheel() {
    std::array<Rgb, kColourWheelSize> wheel{};
    for (size_t i = 0; i < 32; ++i) {
        wheel[i] = {255, kUp[i], 0};
        wheel[32 + i] = {kDown[i], 255, 0};
        wheel[64 + i] = {0, 255, kUp[i]};
        wheel[96 + i] = {0, kDown[i], 255};
        wheel[128 + i] = {kUp[i], 0, 255};
        wheel[160 + i] = {255, 0, kDown[i]};
    }
    return wheel;
}

}  // namespace

const std::array<uint8_t, kMaxBrightnessLevel + 1> kLevelTable = {
    0,   10,  20,  30,  40,  50,  60,  70,  80,  90,  100, 110, 120,
    130, 140, 150, 160, 170, 180, 190, 200, 210, 220, 230, 255};
const std::array<uint8_t, kBreathingSteps> kBreathingCurve = MakeBreathingCurve();
const std::array<uint8_t, kWaveSteps> kWaveCurve = MakeWaveCurve();
const std::array<Rgb, kColourWheelSize> kColourWheel = MakeColourWheel();
const std::array<Rgb, 4> kFourColours = {
    {{0, 255, 180}, {0, 255, 0}, {255, 255, 255}, {255, 0, 0}}};
const std::array<uint8_t, kMaxSpeed + 1> kBlinkPeriod = {28, 23, 18, 13, 7, 0};
const std::array<uint8_t, kMaxSpeed + 1> kCycleStepPasses = {6, 5, 4, 3, 2, 1};

uint8_t LevelForBrightness(int brightness) {
    return kLevelTable[static_cast<size_t>(std::clamp(brightness, 0, kMaxBrightnessLevel))];
}

uint8_t BlinkPeriodForSpeed(int speed) {
    return kBlinkPeriod[static_cast<size_t>(std::clamp(speed, 0, kMaxSpeed))];
}

uint8_t CycleStepPassesForSpeed(int speed) {
    if (speed > kMaxSpeed) return 0;
    return kCycleStepPasses[static_cast<size_t>(std::max(speed, 0))];
}

uint8_t Step(bool forward, uint8_t modulus, uint8_t value, uint8_t amount) {
    if (forward) {
        const auto next = static_cast<uint8_t>(value + amount);
        return next < modulus ? next : 0;
    }
    const auto next = static_cast<uint8_t>(value - amount);
    return next < modulus ? next : static_cast<uint8_t>(modulus - amount);
}

}  // namespace kelno
