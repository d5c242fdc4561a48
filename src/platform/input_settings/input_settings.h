#pragma once
// The operating system's own input settings (pointer, wheel, double click,
// key repeat) that the mouse and keyboard pages change. Each call applies
// one value system-wide and says whether this system took it.

#include <string_view>

namespace kelno::input_settings {

enum class Outcome {
    Applied,       // at least one place of this system now holds the value
    NotSupported,  // this system has no such setting (the profile still keeps it)
    Failed,        // the setting exists but every attempt to write it failed
};

// The settings, also the keys of the worker's latest-value table.
enum class Setting {
    PointerSpeed,
    PointerPrecision,
    WheelLines,
    DoubleClickTime,
    KeyRepeatRate,
    KeyRepeatDelay,
};
inline constexpr int kSettingCount = 6;

std::string_view SettingName(Setting setting);
std::string_view OutcomeName(Outcome outcome);

// Calls may block (a settings daemon, an X round trip); the worker makes
// them off the UI thread. Implementations are used from one thread at a
// time.
class IInputSettings {
  public:
    virtual ~IInputSettings() = default;

    virtual Outcome SetPointerSpeed(int speed) = 0;  // 1 (slowest) to 20
    // Precision on = the pointer accelerates with the hand's speed.
    virtual Outcome SetPointerPrecision(bool enhanced) = 0;
    virtual Outcome SetWheelLines(int lines) = 0;  // 255 = one page per notch
    virtual Outcome SetDoubleClickTime(int milliseconds) = 0;
    virtual Outcome SetKeyRepeatRate(int rate) = 0;    // 0 (slowest) to 31
    virtual Outcome SetKeyRepeatDelay(int delay) = 0;  // 0 (shortest) to 3
};

// Calls the setter of `setting` with `value` (precision: non-zero = on).
Outcome Apply(IInputSettings& settings, Setting setting, int value);

}  // namespace kelno::input_settings
