#include "platform/input_settings/input_settings.h"

namespace kelno::input_settings {

std::string_view SettingName(Setting setting) {
    switch (setting) {
        case Setting::PointerSpeed:
            return "pointer speed";
        case Setting::PointerPrecision:
            return "pointer precision";
        case Setting::WheelLines:
            return "wheel lines";
        case Setting::DoubleClickTime:
            return "double-click time";
        case Setting::KeyRepeatRate:
            return "key repeat rate";
        case Setting::KeyRepeatDelay:
            return "key repeat delay";
    }
    return "unknown setting";
}

std::string_view OutcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::Applied:
            return "applied";
        case Outcome::NotSupported:
            return "not supported";
        case Outcome::Failed:
            return "failed";
    }
    return "unknown outcome";
}

Outcome Apply(IInputSettings& settings, Setting setting, int value) {
    switch (setting) {
        case Setting::PointerSpeed:
            return settings.SetPointerSpeed(value);
        case Setting::PointerPrecision:
            return settings.SetPointerPrecision(value != 0);
        case Setting::WheelLines:
            return settings.SetWheelLines(value);
        case Setting::DoubleClickTime:
            return settings.SetDoubleClickTime(value);
        case Setting::KeyRepeatRate:
            return settings.SetKeyRepeatRate(value);
        case Setting::KeyRepeatDelay:
            return settings.SetKeyRepeatDelay(value);
    }
    return Outcome::NotSupported;
}

}  // namespace kelno::input_settings
