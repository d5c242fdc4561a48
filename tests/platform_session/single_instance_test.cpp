#include "platform/session/single_instance.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>

#include "support/temp_folder.h"

namespace kelno {
namespace {

using namespace std::chrono_literals;

// Counts wake-ups delivered on the listener thread.
struct WakeCounter {
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;

    SingleInstance::WakeHandler Handler() {
        return [this] {
            std::lock_guard lock(mutex);
            ++count;
            changed.notify_all();
        };
    }
    bool WaitFor(int expected) {
        std::unique_lock lock(mutex);
        // Generous hang guard; the wake normally arrives at once.
        return changed.wait_for(lock, 30s, [&] { return count >= expected; });
    }
};

TEST(SingleInstance, SecondInstanceWakesTheFirstAndTheLockIsReleasedOnExit) {
    test::TempFolder folder;
    WakeCounter wakes;
    auto first = SingleInstance::Acquire(folder / "run", "KELNO 742", wakes.Handler());
    ASSERT_EQ(first->GetRole(), SingleInstance::Role::First);
    EXPECT_EQ(std::filesystem::status(folder / "run").permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);

    auto second = SingleInstance::Acquire(folder / "run", "KELNO 742", nullptr);
    EXPECT_EQ(second->GetRole(), SingleInstance::Role::Second);
    EXPECT_TRUE(wakes.WaitFor(1));
    auto third = SingleInstance::Acquire(folder / "run", "KELNO 742", nullptr);
    EXPECT_EQ(third->GetRole(), SingleInstance::Role::Second);
    EXPECT_TRUE(wakes.WaitFor(2));

    first.reset();
    auto next = SingleInstance::Acquire(folder / "run", "KELNO 742", nullptr);
    EXPECT_EQ(next->GetRole(), SingleInstance::Role::First) << "the lock goes with the first instance";
}

TEST(SingleInstance, AnotherProcessIsTurnedAwayAndAStaleSocketIsReplaced) {
    test::TempFolder folder;
    // A socket file left by a crashed instance must not block the next one.
    folder.WriteFile("run/KELNO 742.socket", "stale");
    WakeCounter wakes;
    auto first = SingleInstance::Acquire(folder / "run", "KELNO 742", wakes.Handler());
    ASSERT_EQ(first->GetRole(), SingleInstance::Role::First);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto second = SingleInstance::Acquire(folder / "run", "KELNO 742", nullptr);
        _exit(second->GetRole() == SingleInstance::Role::Second ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(wakes.WaitFor(1));
}

TEST(SingleInstance, UnusableFolderIsReportedAsFailed) {
    test::TempFolder folder;
    folder.WriteFile("file", "x");
    EXPECT_EQ(SingleInstance::Acquire(folder / "file", "KELNO 742", nullptr)->GetRole(),
              SingleInstance::Role::Failed);
}

}  // namespace
}  // namespace kelno
