#include "skin/window/window_message_queue.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "task_pump_host.h"

namespace kelno::skin {
namespace {

struct Received {
    uint32_t id;
    int64_t w;
    std::string l;
};

class WindowMessageQueueTest : public ::testing::Test {
  protected:
    WindowMessageQueueTest()
        : queue_([this](uint32_t id, const MessageParam& w, const MessageParam& l) {
              const std::string* text = std::any_cast<std::string>(&l);
              received_.push_back({id, MessageInt(w), text ? *text : std::string()});
              return static_cast<int64_t>(id) + 1;
          }) {
        queue_.AttachHost(&host_);
    }

    test::TaskPumpHost host_;
    std::vector<Received> received_;
    WindowMessageQueue queue_;
};

TEST_F(WindowMessageQueueTest, PostedMessagesArriveInOrderWithOwnedPayloads) {
    {
        std::string text = "payload";
        ASSERT_TRUE(queue_.Post(3090, 1, text));
        text = "changed after posting";
        ASSERT_TRUE(queue_.Post(3091, 2u, std::string("second")));
    }
    EXPECT_TRUE(received_.empty()) << "posting must not run the handler";
    host_.Pump();
    ASSERT_EQ(received_.size(), 2u);
    EXPECT_EQ(received_[0].id, 3090u);
    EXPECT_EQ(received_[0].w, 1);
    EXPECT_EQ(received_[0].l, "payload");
    EXPECT_EQ(received_[1].id, 3091u);
    EXPECT_EQ(received_[1].w, 2);
}

TEST_F(WindowMessageQueueTest, SendOnUiThreadRunsTheHandlerDirectly) {
    EXPECT_EQ(queue_.Send(3089, 7), 3090);
    ASSERT_EQ(received_.size(), 1u);
    EXPECT_EQ(host_.Queued(), 0u);
}

TEST_F(WindowMessageQueueTest, SendFromWorkerWaitsUntilTheUiThreadHandledIt) {
    auto result = std::async(std::launch::async,
                             [this] { return queue_.Send(3328, 5, std::string("from worker")); });
    host_.Pump();
    EXPECT_EQ(result.get(), 3329);
    ASSERT_EQ(received_.size(), 1u);
    EXPECT_EQ(received_[0].l, "from worker");
}

TEST_F(WindowMessageQueueTest, CloseReleasesAWaitingSenderWithoutResult) {
    auto result = std::async(std::launch::async, [this] { return queue_.Send(3090); });
    // Wait until the send is queued, then close instead of handling it.
    while (host_.Queued() == 0) std::this_thread::yield();
    queue_.Close();
    EXPECT_EQ(result.get(), std::nullopt);
    host_.Pump();
    EXPECT_TRUE(received_.empty()) << "a closed window handles nothing";
}

TEST_F(WindowMessageQueueTest, StopTokenReleasesAWaitingSender) {
    std::stop_source stop;
    auto result =
        std::async(std::launch::async, [&] { return queue_.Send(3090, {}, {}, stop.get_token()); });
    while (host_.Queued() == 0) std::this_thread::yield();
    stop.request_stop();
    EXPECT_EQ(result.get(), std::nullopt);
}

TEST_F(WindowMessageQueueTest, NothingIsAcceptedWhenClosedOrTheHostRefuses) {
    queue_.Close();
    EXPECT_FALSE(queue_.Post(3090));
    auto fromWorker = std::async(std::launch::async, [this] { return queue_.Send(3090); });
    EXPECT_EQ(fromWorker.get(), std::nullopt);
    EXPECT_EQ(queue_.Send(3090), std::nullopt);

    test::TaskPumpHost refusing;
    refusing.Refuse();
    WindowMessageQueue other([](uint32_t, const MessageParam&, const MessageParam&) { return 1; });
    other.AttachHost(&refusing);
    EXPECT_FALSE(other.Post(1));
    EXPECT_EQ(std::async(std::launch::async, [&] { return other.Send(1); }).get(), std::nullopt);
}

TEST_F(WindowMessageQueueTest, ManyWorkersPostAndSendConcurrently) {
    constexpr int kWorkers = 4, kEach = 50;
    std::vector<std::future<int>> workers;
    for (int t = 0; t < kWorkers; ++t) {
        workers.push_back(std::async(std::launch::async, [this] {
            int handled = 0;
            for (int i = 0; i < kEach; ++i) {
                queue_.Post(1, i);
                if (queue_.Send(2, i) == 3) ++handled;
            }
            return handled;
        }));
    }
    int expectedMessages = kWorkers * kEach * 2;
    while (static_cast<int>(received_.size()) < expectedMessages) host_.Pump();
    for (auto& w : workers) EXPECT_EQ(w.get(), kEach);
}

TEST(MessageIntTest, ReadsEveryIntegralTypeAndFallsBackOtherwise) {
    EXPECT_EQ(MessageInt(MessageParam(42)), 42);
    EXPECT_EQ(MessageInt(MessageParam(uint8_t{200})), 200);
    EXPECT_EQ(MessageInt(MessageParam(-5L)), -5);
    EXPECT_EQ(MessageInt(MessageParam(true)), 1);
    EXPECT_EQ(MessageInt(MessageParam(), -1), -1);
    EXPECT_EQ(MessageInt(MessageParam(std::string("7")), -1), -1);
    EXPECT_EQ(MessageInt(MessageParam(1.5), -1), -1);
}

}  // namespace
}  // namespace kelno::skin
