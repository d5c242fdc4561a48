#include "platform/input_settings/input_settings_units.h"

#include <algorithm>
#include <cmath>

namespace kelno::input_settings {

namespace {

constexpr int kMsPerDoubleClickStep = 100;
constexpr int kMsPerRepeatDelayStep = 250;
constexpr int kXAccelerationThreshold = 4;
// Key repeats per second at rate 0 and at the fastest rate.
constexpr double kSlowestRepeatsPerSecond = 2.5;
constexpr double kFastestRepeatsPerSecond = 30.0;

}  // namespace

int PointerSpeedFromSlider(int position) {
    // Computed in a wider type: a damaged profile may hold any int.
    const long long speed = 2LL * position + 2;
    return static_cast<int>(std::clamp<long long>(speed, kMinPointerSpeed, kMaxPointerSpeed));
}

int WheelLinesFromSlider(int position, bool pagePerNotch) {
    if (pagePerNotch) return kPageWheelLines;
    // A wheel that scrolls nothing (or a page through a line count) is never asked for.
    return std::clamp(position, 0, kPageWheelLines - 2) + 1;
}

int DoubleClickTimeFromSlider(int position, int sliderMax) {
    const int max = std::max(sliderMax, 0);
    return (max - std::clamp(position, 0, max) + 1) * kMsPerDoubleClickStep;
}

double DesktopPointerSpeed(int speed) {
    const int clamped = std::clamp(speed, kMinPointerSpeed, kMaxPointerSpeed);
    return std::clamp((clamped - kNeutralPointerSpeed) / 10.0, -1.0, 1.0);
}

int RepeatIntervalMs(int rate) {
    const int clamped = std::clamp(rate, 0, kMaxKeyRepeatRate);
    const double perSecond =
        kSlowestRepeatsPerSecond +
        clamped * (kFastestRepeatsPerSecond - kSlowestRepeatsPerSecond) / kMaxKeyRepeatRate;
    return static_cast<int>(std::lround(1000.0 / perSecond));
}

int RepeatDelayMs(int delay) {
    return (std::clamp(delay, 0, kMaxKeyRepeatDelay) + 1) * kMsPerRepeatDelayStep;
}

PointerAcceleration XPointerAcceleration(int speed, bool precision) {
    if (!precision) return {1, 1, kXAccelerationThreshold};
    return {std::clamp(speed, kMinPointerSpeed, kMaxPointerSpeed), 10, kXAccelerationThreshold};
}

}  // namespace kelno::input_settings
