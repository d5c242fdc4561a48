#include "core/steady_time.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "support/eventually.h"
#include "support/stepped_time.h"

namespace kelno {
namespace {

using namespace std::chrono_literals;
using test::Eventually;
using test::kHangGuard;
using test::SteppedTime;
using Clock = SteadyTime::Clock;

// One wait on a thread of its own, with the mutex and condition variable
// that code waiting on the clock owns.
class Sleeper {
  public:
    struct Outcome {
        bool done;
        Clock::time_point returnedAt;
    };

    Sleeper(SteadyTime& time, Clock::time_point deadline) : time_(time) {
        outcome_ = std::async(std::launch::async, [this, deadline] {
            std::unique_lock lock(mutex_);
            const bool done = time_.WaitUntil(wake_, lock, stop_.get_token(), deadline, [this] {
                ++looks_;
                return done_;
            });
            return Outcome{done, time_.Now()};
        });
    }
    ~Sleeper() { Finish(); }

    void Finish() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_all();
    }
    void Stop() { stop_.request_stop(); }
    // The wait has looked at done() and let go of the lock: it sleeps.
    bool Asleep() {
        std::lock_guard lock(mutex_);
        return looks_ > 0;
    }
    bool Returned() const { return outcome_.wait_for(0s) == std::future_status::ready; }
    Outcome Result() {
        if (outcome_.wait_for(kHangGuard) != std::future_status::ready) {
            ADD_FAILURE() << "the wait never ended";
            Finish();
        }
        return outcome_.get();
    }

  private:
    SteadyTime& time_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::stop_source stop_;
    bool done_ = false;
    int looks_ = 0;
    std::future<Outcome> outcome_;
};

// What code waiting on the clock relies on, on both clocks.
class SteadyTimeContract : public testing::TestWithParam<bool> {
  protected:
    SteadyTime& Time() {
        return GetParam() ? static_cast<SteadyTime&>(stepped) : SystemSteadyTime();
    }
    SteppedTime stepped;
};

TEST_P(SteadyTimeContract, DoneEndsTheWaitWithOrWithoutADeadline) {
    for (const Clock::time_point deadline : {Clock::time_point::max(), Time().Now() + 1h}) {
        Sleeper sleeper(Time(), deadline);
        ASSERT_TRUE(Eventually([&] { return sleeper.Asleep(); }));
        sleeper.Finish();
        EXPECT_TRUE(sleeper.Result().done);
    }
    EXPECT_EQ(stepped.Elapsed(), 0ms) << "a wait never moves the clock itself";
}

TEST_P(SteadyTimeContract, StopEndsTheWait) {
    Sleeper sleeper(Time(), Clock::time_point::max());
    ASSERT_TRUE(Eventually([&] { return sleeper.Asleep(); }));
    sleeper.Stop();
    EXPECT_FALSE(sleeper.Result().done);
}

TEST_P(SteadyTimeContract, ADeadlineAlreadyReachedEndsTheWaitAtOnce) {
    Sleeper sleeper(Time(), Time().Now());
    EXPECT_FALSE(sleeper.Result().done);
}

INSTANTIATE_TEST_SUITE_P(Clocks, SteadyTimeContract, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "Stepped" : "System";
                         });

TEST(SteppedTime, EachWaitEndsWhenTimeReachesItsDeadline) {
    SteppedTime time;
    const Clock::time_point start = time.Now();
    Sleeper at10(time, start + 10ms);
    Sleeper at20(time, start + 20ms);
    Sleeper at30(time, start + 30ms);
    ASSERT_TRUE(Eventually([&] { return time.Waiters() == 3; }));

    time.Advance(9ms);
    time.Advance(1ms);
    const Sleeper::Outcome first = at10.Result();
    EXPECT_FALSE(first.done);
    EXPECT_EQ(first.returnedAt, start + 10ms) << "not woken by the step short of its deadline";

    time.Advance(15ms);
    EXPECT_EQ(at20.Result().returnedAt, start + 25ms);
    EXPECT_FALSE(at30.Returned());

    time.SkipTo(start + 30ms);
    EXPECT_EQ(at30.Result().returnedAt, start + 30ms);
    EXPECT_EQ(time.Waiters(), 0u);
}

TEST(SteppedTime, NeverGoesBack) {
    SteppedTime time;
    time.Advance(5s);
    time.SkipTo(SteppedTime::kStart + 1s);
    EXPECT_EQ(time.Elapsed(), 5s);
}

// A step racing a wait that is just starting: the waiter either sees the
// new time before it sleeps or is woken by the step.
TEST(SteppedTime, NoWakeUpIsLostToARacingStep) {
    SteppedTime time;
    for (int i = 0; i < 1000; ++i) {
        Sleeper sleeper(time, time.Now() + 1ms);
        // Stepped the moment the wait is known, to meet it on its way to sleep.
        const auto guard = Clock::now() + kHangGuard;
        while (time.Waiters() == 0 && Clock::now() < guard) std::this_thread::yield();
        time.Advance(1ms);
        ASSERT_FALSE(sleeper.Result().done) << "round " << i;
    }
}

}  // namespace
}  // namespace kelno
