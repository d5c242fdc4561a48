#pragma once
// A stand-in for the OS input settings: records every call with its value,
// answers with a configurable outcome per setting (Applied by default) and
// can hold calls until released, so a test controls when the worker runs.

#include <array>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/input_settings/input_settings.h"

namespace kelno::sim {

class RecordingInputSettings : public input_settings::IInputSettings {
  public:
    struct Call {
        input_settings::Setting setting;
        int value;
        bool operator==(const Call&) const = default;
    };

    input_settings::Outcome SetPointerSpeed(int speed) override;
    input_settings::Outcome SetPointerPrecision(bool enhanced) override;
    input_settings::Outcome SetWheelLines(int lines) override;
    input_settings::Outcome SetDoubleClickTime(int milliseconds) override;
    input_settings::Outcome SetKeyRepeatRate(int rate) override;
    input_settings::Outcome SetKeyRepeatDelay(int delay) override;

    void SetOutcome(input_settings::Setting setting, input_settings::Outcome outcome);

    // While held, each call waits (after being counted as started) until
    // Release.
    void Hold();
    void Release();
    // Waits until `count` calls have started; false after a generous bound.
    bool WaitForStartedCalls(size_t count);

    std::vector<Call> Calls() const;

  private:
    input_settings::Outcome Record(input_settings::Setting setting, int value);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::array<input_settings::Outcome, input_settings::kSettingCount> outcomes_{};
    std::vector<Call> calls_;
    size_t started_ = 0;
    bool held_ = false;
};

}  // namespace kelno::sim
