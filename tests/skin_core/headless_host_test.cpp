// The headless host's manual clock, task pump and thread-safe posting.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "skin/host/headless_host.h"

namespace kelno::skin {
namespace {

// Records what the host calls; a timer handler can act on the host.
class RecordingClient : public IHostClient {
  public:
    void OnHostPaint(cairo_t*, const Rect&) override {}
    void OnHostInput(const InputEvent&) override {}
    void OnHostResize(Size) override {}
    void OnHostTimer(uint32_t id) override {
        fired.push_back({id, host->NowMs()});
        if (onTimer) onTimer(id);
    }
    void OnHostCloseRequest() override {}
    void OnHostDestroyed() override { destroyed = true; }

    HeadlessHost* host = nullptr;
    std::vector<std::pair<uint32_t, uint64_t>> fired;
    std::function<void(uint32_t)> onTimer;
    bool destroyed = false;
};

TEST(SkinHeadlessHost, TimersFireInTimeOrderAndHonourKills) {
    HeadlessHost host({10, 10});
    RecordingClient client;
    client.host = &host;
    host.SetClient(&client);
    host.SetTimer(1, 30);
    host.SetTimer(2, 20);
    host.SetTimer(3, 60);
    // Timer 2's second run kills timer 3 before it is due.
    client.onTimer = [&](uint32_t id) {
        if (id == 2 && host.NowMs() == 40) host.KillTimer(3);
    };
    host.AdvanceTime(65);
    using Fire = std::pair<uint32_t, uint64_t>;
    EXPECT_EQ(client.fired, (std::vector<Fire>{{2, 20}, {1, 30}, {2, 40}, {1, 60}, {2, 60}}));
    EXPECT_EQ(host.NowMs(), 65u);
    EXPECT_FALSE(host.HasTimer(3));
    host.KillTimer(1);
    host.KillTimer(2);
    host.AdvanceTime(1000);
    EXPECT_EQ(client.fired.size(), 5u);
}

TEST(SkinHeadlessHost, TasksRunInOrderIncludingTasksTheyPost) {
    HeadlessHost host({10, 10});
    std::vector<int> order;
    host.PostTask([&] {
        order.push_back(1);
        host.PostTask([&] { order.push_back(3); });
    });
    host.PostTask([&] { order.push_back(2); });
    EXPECT_EQ(host.RunPendingTasks(), 3u);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(host.RunPendingTasks(), 0u);

    RecordingClient client;
    client.host = &host;
    host.SetClient(&client);
    host.PostTask([&] { order.push_back(4); });
    host.Destroy();
    EXPECT_TRUE(client.destroyed);
    EXPECT_FALSE(host.PostTask([&] { order.push_back(5); }));
    EXPECT_EQ(host.RunPendingTasks(), 0u);  // a destroyed window runs nothing more
}

TEST(SkinHeadlessHost, PostTaskIsSafeFromWorkerThreads) {
    HeadlessHost host({10, 10});
    constexpr int kThreads = 4, kPerThread = 500;
    std::atomic<int> ran{0};
    std::vector<std::vector<int>> seen(kThreads);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                host.PostTask([&, t, i] {
                    seen[static_cast<size_t>(t)].push_back(i);
                    ++ran;
                });
            }
        });
    }
    // The UI thread pumps while the workers post.
    size_t pumped = 0;
    while (pumped < static_cast<size_t>(kThreads * kPerThread)) {
        pumped += host.RunPendingTasks();
        std::this_thread::yield();
    }
    for (auto& w : workers) w.join();
    pumped += host.RunPendingTasks();
    EXPECT_EQ(ran.load(), kThreads * kPerThread);
    for (const auto& s : seen) {
        ASSERT_EQ(s.size(), static_cast<size_t>(kPerThread));
        for (int i = 0; i < kPerThread; ++i) EXPECT_EQ(s[static_cast<size_t>(i)], i);
    }
}

}  // namespace
}  // namespace kelno::skin
