#include "core/steady_time.h"

namespace kelno {
namespace {

class SystemTime final : public SteadyTime {
  public:
    Clock::time_point Now() const override { return Clock::now(); }

    bool WaitUntil(std::condition_variable_any& wake, std::unique_lock<std::mutex>& lock,
                   const std::stop_token& token, Clock::time_point deadline,
                   const std::function<bool()>& done) override {
        // No deadline is an untimed wait: a timed one would have to turn the
        // largest time point into the system's time format.
        const auto held = [&] { return done(); };
        if (deadline == Clock::time_point::max()) return wake.wait(lock, token, held);
        return wake.wait_until(lock, token, deadline, held);
    }

    bool IsStepped() const override { return false; }
    void SkipTo(Clock::time_point) override {}
};

}  // namespace

SteadyTime& SystemSteadyTime() {
    static SystemTime time;
    return time;
}

}  // namespace kelno
