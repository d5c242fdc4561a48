// The OS input settings worker over the recording stand-in: changes made
// while a value is being applied collapse to the latest one per setting, and
// shutdown drops what is pending and joins the thread.
#include "platform/input_settings/input_settings_worker.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "platform/sim/recording_input_settings.h"

namespace kelno::input_settings {
namespace {

using sim::RecordingInputSettings;
using Call = RecordingInputSettings::Call;

constexpr auto kWait = std::chrono::seconds(10);

struct Reported {
    Setting setting;
    int value;
    Outcome outcome;
    bool operator==(const Reported&) const = default;
};

class InputSettingsWorkerTest : public ::testing::Test {
  protected:
    std::vector<Reported> ReportedOutcomes() {
        std::lock_guard lock(mutex_);
        return reported_;
    }

    RecordingInputSettings settings_;
    std::mutex mutex_;
    std::vector<Reported> reported_;
    InputSettingsWorker worker_{settings_, [this](Setting setting, int value, Outcome outcome) {
                                    std::lock_guard lock(mutex_);
                                    reported_.push_back({setting, value, outcome});
                                }};
};

TEST_F(InputSettingsWorkerTest, ChangesDuringABusyCallCollapseToTheLatestValuePerSetting) {
    settings_.SetOutcome(Setting::KeyRepeatDelay, Outcome::Failed);
    settings_.Hold();
    ASSERT_TRUE(worker_.Set(Setting::PointerSpeed, 1));
    ASSERT_TRUE(settings_.WaitForStartedCalls(1));

    // A slider dragged while the first value is still being applied.
    for (int speed = 2; speed <= 20; ++speed)
        ASSERT_TRUE(worker_.Set(Setting::PointerSpeed, speed));
    ASSERT_TRUE(worker_.Set(Setting::KeyRepeatDelay, 0));
    ASSERT_TRUE(worker_.Set(Setting::KeyRepeatDelay, 3));
    ASSERT_TRUE(worker_.Set(Setting::PointerPrecision, 0));
    settings_.Release();
    ASSERT_TRUE(worker_.WaitIdle(kWait));

    EXPECT_EQ(settings_.Calls(), (std::vector<Call>{{Setting::PointerSpeed, 1},
                                                    {Setting::PointerSpeed, 20},
                                                    {Setting::PointerPrecision, 0},
                                                    {Setting::KeyRepeatDelay, 3}}));
    EXPECT_EQ(ReportedOutcomes(),
              (std::vector<Reported>{{Setting::PointerSpeed, 1, Outcome::Applied},
                                     {Setting::PointerSpeed, 20, Outcome::Applied},
                                     {Setting::PointerPrecision, 0, Outcome::Applied},
                                     {Setting::KeyRepeatDelay, 3, Outcome::Failed}}));
}

TEST_F(InputSettingsWorkerTest, ValuesSetAfterTheWorkerWentIdleAreAppliedToo) {
    ASSERT_TRUE(worker_.Set(Setting::WheelLines, 3));
    ASSERT_TRUE(worker_.WaitIdle(kWait));
    ASSERT_TRUE(worker_.Set(Setting::WheelLines, 255));
    ASSERT_TRUE(worker_.WaitIdle(kWait));
    EXPECT_EQ(settings_.Calls(),
              (std::vector<Call>{{Setting::WheelLines, 3}, {Setting::WheelLines, 255}}));
}

TEST_F(InputSettingsWorkerTest, ShutdownDropsPendingValuesAndJoinsOnceTheCallReturns) {
    settings_.Hold();
    ASSERT_TRUE(worker_.Set(Setting::DoubleClickTime, 500));
    ASSERT_TRUE(settings_.WaitForStartedCalls(1));
    ASSERT_TRUE(worker_.Set(Setting::DoubleClickTime, 100));

    // A call that does not return keeps the thread: the bound is kept, not the join.
    EXPECT_FALSE(worker_.Shutdown(std::chrono::milliseconds(50)));
    settings_.Release();
    EXPECT_TRUE(worker_.Shutdown(kWait));

    EXPECT_EQ(settings_.Calls(), (std::vector<Call>{{Setting::DoubleClickTime, 500}}));
    EXPECT_FALSE(worker_.Set(Setting::DoubleClickTime, 300));
    EXPECT_TRUE(worker_.WaitIdle(kWait));
    EXPECT_EQ(settings_.Calls(), (std::vector<Call>{{Setting::DoubleClickTime, 500}}));
}

}  // namespace
}  // namespace kelno::input_settings
