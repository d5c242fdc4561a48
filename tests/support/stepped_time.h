#pragma once
// A clock for tests: time stands still until the test moves it on (Advance,
// SkipTo), or the device emulator does for a request it will never answer.
// Moving it wakes every wait whose deadline it reaches, so "nothing happened
// yet" is asserted against stepped time, never by sleeping.
//
// Thread rules: as SteadyTime (core/steady_time.h); it must outlive the waits
// on it.

#include <memory>
#include <vector>

#include "core/steady_time.h"

namespace kelno::test {

class SteppedTime final : public SteadyTime {
  public:
    // Far from the clock's epoch, so code may reach back from it ("an hour
    // ago") without leaving the clock's range.
    static constexpr Clock::time_point kStart{std::chrono::hours(24 * 365)};

    SteppedTime() = default;
    SteppedTime(const SteppedTime&) = delete;
    SteppedTime& operator=(const SteppedTime&) = delete;

    Clock::time_point Now() const override;
    bool WaitUntil(std::condition_variable_any& wake, std::unique_lock<std::mutex>& lock,
                   const std::stop_token& token, Clock::time_point deadline,
                   const std::function<bool()>& done) override;
    bool IsStepped() const override { return true; }
    void SkipTo(Clock::time_point when) override;

    void Advance(Clock::duration step);
    // How far time has moved since the clock was made.
    Clock::duration Elapsed() const { return Now() - kStart; }
    // Waits in progress: a test steps time once the thread it drives sleeps.
    size_t Waiters() const;

  private:
    struct Waiter {
        std::condition_variable_any* wake;
        std::mutex* mutex;
        Clock::time_point deadline;
        int waking = 0;  // SkipTo calls about to take `mutex` for this waiter
    };

    void Leave(const std::shared_ptr<Waiter>& waiter, std::unique_lock<std::mutex>& lock);

    mutable std::mutex mutex_;
    std::condition_variable woken_;
    Clock::time_point now_ = kStart;
    std::vector<std::shared_ptr<Waiter>> waiters_;
};

}  // namespace kelno::test
