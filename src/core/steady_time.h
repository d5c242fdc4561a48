#pragma once
// Monotonic time behind an interface, so the code that waits on it (a
// lighting loop sleeping until its next step, a periodic power poll, a
// wireless link probe, the command channel's read time-outs) can run on a
// clock a test steps instead of the machine's.
//
// Thread rules: every member may be called from any thread. A wait is woken
// through the caller's own condition variable: whoever makes its done() hold
// does so under the waiter's mutex, then notifies `wake`. SkipTo takes the
// mutex of each waiter it wakes, so its caller must hold none of them.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stop_token>

namespace kelno {

class SteadyTime {
  public:
    using Clock = std::chrono::steady_clock;

    virtual ~SteadyTime() = default;

    virtual Clock::time_point Now() const = 0;

    // Waits on `wake` (`lock` held on entry and on return; `done` runs with
    // it held) until done() holds, `token` asks to stop or Now() reaches
    // `deadline` (Clock::time_point::max(): never). True when done() held.
    // On a stepped clock the deadline is reached only when the clock is
    // moved on.
    virtual bool WaitUntil(std::condition_variable_any& wake, std::unique_lock<std::mutex>& lock,
                           const std::stop_token& token, Clock::time_point deadline,
                           const std::function<bool()>& done) = 0;

    // A stepped clock stands still until it is moved on (tests); the system
    // clock runs by itself.
    virtual bool IsStepped() const = 0;
    // Moves a stepped clock on to `when` (never back), waking the waiters
    // whose deadline it reaches; nothing on the system clock. For time that
    // nothing but its own passing can end: a request the emulator knows its
    // device will never answer, a time-out a backend reported.
    virtual void SkipTo(Clock::time_point when) = 0;
};

// The machine's monotonic clock.
SteadyTime& SystemSteadyTime();

}  // namespace kelno
