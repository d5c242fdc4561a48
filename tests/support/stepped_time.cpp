#include "support/stepped_time.h"

#include <algorithm>

namespace kelno::test {

SteadyTime::Clock::time_point SteppedTime::Now() const {
    std::lock_guard guard(mutex_);
    return now_;
}

size_t SteppedTime::Waiters() const {
    std::lock_guard guard(mutex_);
    return waiters_.size();
}

void SteppedTime::Advance(Clock::duration step) {
    SkipTo(Now() + step);
}

void SteppedTime::SkipTo(Clock::time_point when) {
    std::vector<std::shared_ptr<Waiter>> due;
    {
        std::lock_guard guard(mutex_);
        if (when <= now_) return;
        now_ = when;
        for (const auto& waiter : waiters_) {
            if (waiter->deadline > now_) continue;
            ++waiter->waking;
            due.push_back(waiter);
        }
    }
    // Each waiter checks the time under its own mutex, so taking that mutex
    // before notifying means it either sees the new time or is already
    // waiting for the notification: no wake-up is lost between the two.
    for (const auto& waiter : due) {
        std::lock_guard held(*waiter->mutex);
        waiter->wake->notify_all();
    }
    std::lock_guard guard(mutex_);
    for (const auto& waiter : due) --waiter->waking;
    woken_.notify_all();
}

bool SteppedTime::WaitUntil(std::condition_variable_any& wake, std::unique_lock<std::mutex>& lock,
                            const std::stop_token& token, Clock::time_point deadline,
                            const std::function<bool()>& done) {
    const auto waiter = std::make_shared<Waiter>(Waiter{&wake, lock.mutex(), deadline});
    {
        std::lock_guard guard(mutex_);
        waiters_.push_back(waiter);
    }
    wake.wait(lock, token, [&] { return done() || Now() >= deadline; });
    Leave(waiter, lock);
    return done();
}

void SteppedTime::Leave(const std::shared_ptr<Waiter>& waiter, std::unique_lock<std::mutex>& lock) {
    std::unique_lock guard(mutex_);
    if (waiter->waking > 0) {
        // A SkipTo is about to take the caller's mutex to wake this waiter:
        // it is let go until then, so the caller never frees it under SkipTo.
        guard.unlock();
        lock.unlock();
        guard.lock();
        woken_.wait(guard, [&] { return waiter->waking == 0; });
        std::erase(waiters_, waiter);
        guard.unlock();
        lock.lock();
        return;
    }
    std::erase(waiters_, waiter);
}

}  // namespace kelno::test
