#include "core/serial_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>
#include <vector>

namespace kelno {
namespace {

using namespace std::chrono_literals;

TEST(SerialWorker, RunsTasksOneAtATimeInTheOrderPosted) {
    SerialWorker worker("order");
    std::mutex mutex;
    std::vector<int> order;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(worker.Post([&, i](const std::stop_token&) {
            if (++inside > 1) overlapped = true;
            std::this_thread::yield();
            {
                std::lock_guard lock(mutex);
                order.push_back(i);
            }
            --inside;
        }));
    }
    ASSERT_TRUE(worker.WaitIdle(60s));
    EXPECT_TRUE(worker.IsIdle());
    EXPECT_FALSE(overlapped);
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(order[static_cast<size_t>(i)], i);
}

TEST(SerialWorker, StopWakesTheRunningTaskDropsTheQueueAndAllowsANewStart) {
    SerialWorker worker("stop");
    std::promise<void> started;
    std::atomic<bool> waitedFully{true};
    std::atomic<bool> droppedRan{false};
    worker.Post([&](const std::stop_token& token) {
        started.set_value();
        waitedFully = WaitFor(token, 1h);
    });
    worker.Post([&](const std::stop_token&) { droppedRan = true; });
    started.get_future().wait();
    EXPECT_FALSE(worker.IsIdle());
    // A generous bound: the test is about being woken, not about speed.
    EXPECT_TRUE(worker.Stop(60s));
    EXPECT_FALSE(waitedFully);
    EXPECT_FALSE(droppedRan) << "queued tasks are dropped";

    std::atomic<bool> ranAfter{false};
    ASSERT_TRUE(worker.Post([&](const std::stop_token&) { ranAfter = true; }));
    EXPECT_TRUE(worker.WaitIdle(60s));
    EXPECT_TRUE(ranAfter);
}

TEST(SerialWorker, AnIdleWorkerIsIdleBeforeAndAfterItsFirstTask) {
    SerialWorker worker("idle");
    EXPECT_TRUE(worker.IsIdle());
    EXPECT_TRUE(worker.WaitIdle(0ms));
    worker.Post([](const std::stop_token&) {});
    EXPECT_TRUE(worker.WaitIdle(60s));
}

}  // namespace
}  // namespace kelno
