#include "platform/input_settings/input_settings_worker.h"

#include <utility>

#include "core/debug_output.h"

namespace kelno::input_settings {

InputSettingsWorker::InputSettingsWorker(IInputSettings& settings, OutcomeHandler onOutcome)
    : settings_(settings), onOutcome_(std::move(onOutcome)) {}

InputSettingsWorker::~InputSettingsWorker() {
    Shutdown();
}

bool InputSettingsWorker::Set(Setting setting, int value) {
    const auto index = static_cast<size_t>(setting);
    if (index >= pending_.size()) return false;
    std::lock_guard lock(mutex_);
    if (shutDown_) return false;
    pending_[index] = value;
    if (drainPosted_) return true;  // the queued task will pick the new value up
    drainPosted_ = worker_.Post([this](const std::stop_token& token) { ApplyPending(token); });
    return drainPosted_;
}

void InputSettingsWorker::ApplyPending(const std::stop_token& token) {
    std::array<std::optional<int>, kSettingCount> taken;
    {
        std::lock_guard lock(mutex_);
        taken.swap(pending_);
        // Values set from here on need a task of their own.
        drainPosted_ = false;
    }
    for (size_t index = 0; index < taken.size(); ++index) {
        if (!taken[index] || token.stop_requested()) continue;
        const auto setting = static_cast<Setting>(index);
        const Outcome outcome = Apply(settings_, setting, *taken[index]);
        if (outcome != Outcome::Applied) {
            DebugOutputF("OS input setting %s = %d: %s", SettingName(setting).data(), *taken[index],
                         OutcomeName(outcome).data());
        }
        if (onOutcome_) onOutcome_(setting, *taken[index], outcome);
    }
}

bool InputSettingsWorker::WaitIdle(std::chrono::milliseconds bound) {
    return worker_.WaitIdle(bound);
}

bool InputSettingsWorker::Shutdown(std::chrono::milliseconds bound) {
    {
        std::lock_guard lock(mutex_);
        shutDown_ = true;
        pending_ = {};
    }
    const bool ended = worker_.Stop(bound);
    if (!ended) DebugOutput("OS input settings worker still busy at shutdown");
    return ended;
}

}  // namespace kelno::input_settings
