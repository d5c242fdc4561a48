#include "core/worker_thread.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <future>
#include <string>

namespace kelno {
namespace {

using namespace std::chrono_literals;

TEST(WaitFor, ReturnsFalseAtOnceWhenStopWasRequested) {
    std::stop_source source;
    source.request_stop();
    EXPECT_FALSE(WaitFor(source.get_token(), 1h));
}

TEST(WaitFor, RunsOutWhenNobodyStops) {
    std::stop_source source;
    EXPECT_TRUE(WaitFor(source.get_token(), 1ms));
}

// What `top -H` and profilers show; the kernel keeps 15 bytes.
TEST(WorkerThread, TheThreadCarriesTheWorkersName) {
    const struct {
        const char* name;
        const char* shown;
    } cases[] = {{"device-lighting", "device-lighting"},
                 {"a-much-longer-worker-name", "a-much-longer-w"}};
    for (const auto& c : cases) {
        WorkerThread worker(c.name);
        std::promise<std::string> shown;
        ASSERT_TRUE(worker.Start([&](std::stop_token) {
            char name[16] = {};
            pthread_getname_np(pthread_self(), name, sizeof name);
            shown.set_value(name);
        }));
        EXPECT_EQ(shown.get_future().get(), c.shown);
        EXPECT_TRUE(worker.StopAndJoin(1s));
    }
}

TEST(WorkerThread, StopWakesALongWait) {
    WorkerThread worker("long-wait");
    std::promise<void> waiting;
    std::atomic<bool> completedWait{true};
    ASSERT_TRUE(worker.Start([&](std::stop_token token) {
        waiting.set_value();
        completedWait = WaitFor(token, 1h);
    }));
    waiting.get_future().wait();
    // A generous bound: the test is about being woken, not about speed.
    EXPECT_TRUE(worker.StopAndJoin(60s));
    EXPECT_FALSE(completedWait);
    EXPECT_FALSE(worker.IsRunning());
}

TEST(WorkerThread, BoundedJoinLeavesAStuckThreadRunningAndJoinsItLater) {
    WorkerThread worker("stuck");
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    ASSERT_TRUE(worker.Start([released](std::stop_token) { released.wait(); }));

    EXPECT_FALSE(worker.StopAndJoin(1ms));
    EXPECT_TRUE(worker.IsRunning());
    EXPECT_FALSE(worker.Start([](std::stop_token) {})) << "one run at a time";

    release.set_value();
    EXPECT_TRUE(worker.StopAndJoin(60s));
    EXPECT_FALSE(worker.IsRunning());
}

TEST(WorkerThread, CanBeRestartedAfterItEnded) {
    WorkerThread worker("restart");
    std::atomic<int> runs{0};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(worker.Start([&](std::stop_token) { ++runs; }));
        ASSERT_TRUE(worker.StopAndJoin(60s));
    }
    EXPECT_EQ(runs, 3);
}

TEST(WorkerThread, DestructorStopsAndJoins) {
    std::atomic<bool> sawStop{false};
    {
        WorkerThread worker("destructed");
        worker.Start([&](std::stop_token token) { sawStop = !WaitFor(token, 1h); });
    }
    EXPECT_TRUE(sawStop);
}

}  // namespace
}  // namespace kelno
