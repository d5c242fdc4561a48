// The system's input settings that the mouse and keyboard pages change:
// applied on one worker (never the UI thread), and a failure shown until a
// later value of that setting goes through.

#include "app/app_messages.h"
#include "app/main_window.h"
#include "core/debug_output.h"
#include "devices/models/keyboard_device.h"
#include "devices/models/mouse_device.h"
#include "platform/input_settings/input_settings_units.h"
#include "skin/core/attribute_values.h"

namespace kelno::app {

using input_settings::Outcome;
using input_settings::Setting;

void CMainWnd::CreateInputSettingsWorker() {
    if (!options_.inputSettings) return;
    inputSettingsWorker_ = std::make_unique<input_settings::InputSettingsWorker>(
        *options_.inputSettings, [this](Setting setting, int value, Outcome outcome) {
            DebugOutputF("input setting %s = %d: %s",
                         std::string(input_settings::SettingName(setting)).c_str(), value,
                         std::string(input_settings::OutcomeName(outcome)).c_str());
            PostMessage(kMsgInputSettingOutcome, int64_t{static_cast<int>(setting)},
                        int64_t{static_cast<int>(outcome)});
        });
}

void CMainWnd::ShowInputSettingOutcome(Setting setting, Outcome outcome) {
    const uint32_t bit = 1u << static_cast<int>(setting);
    // A setting this system does not have is kept in the profile only; the
    // user is not told on every change.
    if (outcome == Outcome::Failed)
        failedInputSettings_ |= bit;
    else
        failedInputSettings_ &= ~bit;
    if (skin::CControlUI* notice = m_PaintManager.FindControl("os_setting_notice"))
        notice->SetVisible(failedInputSettings_ != 0);
}

// Only the setting the control stands for goes to the system: the others
// did not change.
void CMainWnd::ApplyMouseSetting(const CZembravaMouseDevice& mouse, std::string_view control) {
    if (!inputSettingsWorker_) return;
    const auto& s = mouse.GetSystemSettings();
    using M = CZembravaMouseDevice;
    const auto is = [control](std::string_view name) { return skin::EqualsNoCase(control, name); };
    if (is("pointer_speed_slider")) {
        inputSettingsWorker_->Set(Setting::PointerSpeed,
                                  input_settings::PointerSpeedFromSlider(s[M::kPointerSpeed]));
    } else if (is("pointer_precision_check")) {
        inputSettingsWorker_->Set(Setting::PointerPrecision, s[M::kPointerPrecision] != 0 ? 1 : 0);
    } else if (is("scroll_speed_slider") || is("scrolls_page_check")) {
        inputSettingsWorker_->Set(
            Setting::WheelLines,
            input_settings::WheelLinesFromSlider(s[M::kWheelLines], s[M::kWheelPage] != 0));
    } else if (is("double_click_slider")) {
        inputSettingsWorker_->Set(Setting::DoubleClickTime,
                                  input_settings::DoubleClickTimeFromSlider(
                                      s[M::kDoubleClick], M::kDoubleClickSliderMax));
    }
}

void CMainWnd::ApplyKeyboardSetting(const CZembravaKeyboardDevice& keyboard,
                                    std::string_view control) {
    if (!inputSettingsWorker_) return;
    const auto& s = keyboard.GetSystemSettings();
    using K = CZembravaKeyboardDevice;
    if (skin::EqualsNoCase(control, "repeat_rate_slider"))
        inputSettingsWorker_->Set(Setting::KeyRepeatRate, s[K::kRepeatRate]);
    else if (control.starts_with("repeat_delay_check_"))
        inputSettingsWorker_->Set(Setting::KeyRepeatDelay, s[K::kRepeatDelay]);
}

}  // namespace kelno::app
