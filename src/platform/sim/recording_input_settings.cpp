#include "platform/sim/recording_input_settings.h"

#include <chrono>

namespace kelno::sim {

using input_settings::Outcome;
using input_settings::Setting;

Outcome RecordingInputSettings::Record(Setting setting, int value) {
    std::unique_lock lock(mutex_);
    ++started_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !held_; });
    calls_.push_back({setting, value});
    const auto index = static_cast<size_t>(setting);
    return index < outcomes_.size() ? outcomes_[index] : Outcome::NotSupported;
}

Outcome RecordingInputSettings::SetPointerSpeed(int speed) {
    return Record(Setting::PointerSpeed, speed);
}
Outcome RecordingInputSettings::SetPointerPrecision(bool enhanced) {
    return Record(Setting::PointerPrecision, enhanced ? 1 : 0);
}
Outcome RecordingInputSettings::SetWheelLines(int lines) {
    return Record(Setting::WheelLines, lines);
}
Outcome RecordingInputSettings::SetDoubleClickTime(int milliseconds) {
    return Record(Setting::DoubleClickTime, milliseconds);
}
Outcome RecordingInputSettings::SetKeyRepeatRate(int rate) {
    return Record(Setting::KeyRepeatRate, rate);
}
Outcome RecordingInputSettings::SetKeyRepeatDelay(int delay) {
    return Record(Setting::KeyRepeatDelay, delay);
}

void RecordingInputSettings::SetOutcome(Setting setting, Outcome outcome) {
    const auto index = static_cast<size_t>(setting);
    std::lock_guard lock(mutex_);
    if (index < outcomes_.size()) outcomes_[index] = outcome;
}

void RecordingInputSettings::Hold() {
    std::lock_guard lock(mutex_);
    held_ = true;
}

void RecordingInputSettings::Release() {
    std::lock_guard lock(mutex_);
    held_ = false;
    changed_.notify_all();
}

bool RecordingInputSettings::WaitForStartedCalls(size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return started_ >= count; });
}

std::vector<RecordingInputSettings::Call> RecordingInputSettings::Calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

}  // namespace kelno::sim
