#pragma once
// Unit conversions for the OS input settings: from the pages' slider
// positions to the settings' own units, and from those to what the Linux
// desktop settings and X expect. Out-of-range inputs are clamped.

namespace kelno::input_settings {

inline constexpr int kMinPointerSpeed = 1;
inline constexpr int kMaxPointerSpeed = 20;
inline constexpr int kNeutralPointerSpeed = 10;  // no scaling of the hand's motion
inline constexpr int kMaxKeyRepeatRate = 31;
inline constexpr int kMaxKeyRepeatDelay = 3;
inline constexpr int kPageWheelLines = 255;  // "one page per notch"

// Page side.
int PointerSpeedFromSlider(int position);                    // 2p + 2 within 1..20
int WheelLinesFromSlider(int position, bool pagePerNotch);   // p + 1, or 255
int DoubleClickTimeFromSlider(int position, int sliderMax);  // (max - p + 1) x 100 ms

// Desktop settings side.
double DesktopPointerSpeed(int speed);  // -1 (slowest) .. 1, 0 at speed 10
int RepeatIntervalMs(int rate);         // ms between repeats: 400 at 0, 33 at 31
int RepeatDelayMs(int delay);           // ms before the first repeat: 250 .. 1000

// X pointer acceleration: motion beyond `threshold` pixels per event is
// multiplied by numerator / denominator.
struct PointerAcceleration {
    int numerator = 1;
    int denominator = 1;
    int threshold = 0;

    bool operator==(const PointerAcceleration&) const = default;
};
// Without precision the pointer is not accelerated at all (1/1).
PointerAcceleration XPointerAcceleration(int speed, bool precision);

}  // namespace kelno::input_settings
