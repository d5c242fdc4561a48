// Hot-plug events in-process: what detection waits on instead of a timer.
#include "platform/hid/hotplug.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

namespace kelno::hid {
namespace {

using namespace std::chrono_literals;

TEST(HotplugEvents, AWatchSeesEachChangeOnceAndNothingElse) {
    auto events = std::make_shared<HotplugEvents>();
    events->Announce();  // before the watch: not its change
    const auto watch = events->Watch();
    std::stop_source stop;
    EXPECT_FALSE(watch->WaitForChange(stop.get_token(), 1ms));

    events->Announce();
    events->Announce();  // two changes before the wait are seen as one
    EXPECT_TRUE(watch->WaitForChange(stop.get_token(), 1ms));
    EXPECT_FALSE(watch->WaitForChange(stop.get_token(), 1ms));
}

TEST(HotplugEvents, AWaitWithoutLimitEndsOnAChangeOrOnStop) {
    auto events = std::make_shared<HotplugEvents>();
    const auto watch = events->Watch();
    std::stop_source stop;
    auto changed = std::async(std::launch::async,
                              [&] { return watch->WaitForChange(stop.get_token(), std::nullopt); });
    events->Announce();
    EXPECT_TRUE(changed.get());

    auto stopped = std::async(std::launch::async,
                              [&] { return watch->WaitForChange(stop.get_token(), std::nullopt); });
    stop.request_stop();
    EXPECT_FALSE(stopped.get());
}

TEST(PlugListeners, EveryLiveListenerHearsAndAGoneOneIsSkipped) {
    PlugListeners listeners;
    auto kept = std::make_shared<HotplugEvents>();
    auto gone = std::make_shared<HotplugEvents>();
    const auto keptWatch = kept->Watch();
    listeners.Add(kept);
    listeners.Add(gone);
    gone.reset();
    listeners.AnnounceAll();
    std::stop_source stop;
    EXPECT_TRUE(keptWatch->WaitForChange(stop.get_token(), 1ms));
}

}  // namespace
}  // namespace kelno::hid
