#pragma once
// Applies OS input settings on one worker thread, so the UI thread never
// waits for a settings daemon or the X server. Only the latest value of each
// setting is applied: dragging a slider queues no backlog, and no thread is
// left behind per change.

#include <array>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>

#include "core/serial_worker.h"
#include "platform/input_settings/input_settings.h"

namespace kelno::input_settings {

class InputSettingsWorker {
  public:
    // Called on the worker thread after each applied value; the receiver
    // posts it on to the UI thread.
    using OutcomeHandler = std::function<void(Setting, int value, Outcome)>;

    // `settings` must outlive the worker (or its Shutdown).
    InputSettingsWorker(IInputSettings& settings, OutcomeHandler onOutcome);
    // Shuts down with the default bound.
    ~InputSettingsWorker();
    InputSettingsWorker(const InputSettingsWorker&) = delete;
    InputSettingsWorker& operator=(const InputSettingsWorker&) = delete;

    // Replaces the pending value of `setting` and returns at once. False
    // after Shutdown.
    bool Set(Setting setting, int value);

    // Waits up to `bound` until every value set so far has been applied.
    bool WaitIdle(std::chrono::milliseconds bound);

    // Drops values not yet applied and waits up to `bound` for the thread.
    // True when it ended.
    bool Shutdown(std::chrono::milliseconds bound = kDefaultShutdownBound);

    static constexpr std::chrono::milliseconds kDefaultShutdownBound{2000};

  private:
    void ApplyPending(const std::stop_token& token);

    IInputSettings& settings_;
    OutcomeHandler onOutcome_;
    std::mutex mutex_;
    std::array<std::optional<int>, kSettingCount> pending_;
    bool drainPosted_ = false;  // a task that will apply pending_ is queued
    bool shutDown_ = false;
    SerialWorker worker_{"input settings"};
};

}  // namespace kelno::input_settings
