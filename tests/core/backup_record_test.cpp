#include "core/backup_record.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace kelno {
namespace {

TEST(BackupRecord, EachFileIsHandedOutOnceInTheOrderNoted) {
    BackupRecord record;
    int told = 0;
    record.SetListener([&] { ++told; });
    record.Note("/d/a.Json", "/d/a.Json.bak");
    record.Note("/d/b.Json", "/d/b.Json.bak");
    record.Note("/d/./a.Json", "/d/a.Json.bak");  // the same file again
    EXPECT_EQ(told, 2);
    EXPECT_EQ(record.TakeUnshown(), (std::vector<KeptBackup>{{"/d/a.Json", "/d/a.Json.bak"},
                                                             {"/d/b.Json", "/d/b.Json.bak"}}));
    EXPECT_TRUE(record.TakeUnshown().empty());

    // Backed up again later in the run: the user was told already.
    record.Note("/d/a.Json", "/d/a.Json.bak");
    EXPECT_TRUE(record.TakeUnshown().empty());
    EXPECT_EQ(told, 2);
}

TEST(BackupRecord, NotesWithoutAListenerWaitToBeTaken) {
    BackupRecord record;
    record.Note("/d/early.Json", "/d/early.Json.bak");
    int told = 0;
    record.SetListener([&] { ++told; });
    EXPECT_EQ(told, 0) << "the window asks for what came before it listened";
    EXPECT_EQ(record.TakeUnshown().size(), 1u);

    record.SetListener({});
    record.Note("/d/late.Json", "/d/late.Json.bak");
    EXPECT_EQ(told, 0);
    EXPECT_EQ(record.TakeUnshown().size(), 1u);
}

TEST(BackupRecord, WorkersNoteWhileTheWindowTakes) {
    BackupRecord record;
    std::atomic<int> told = 0;
    record.SetListener([&] { ++told; });
    constexpr int kThreads = 4, kFilesEach = 50;
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back([&record, t] {
            for (int i = 0; i < kFilesEach; ++i) {
                // Every worker notes every other worker's files too.
                for (int owner = 0; owner < kThreads; ++owner) {
                    const std::string name =
                        std::to_string((owner + t) % kThreads) + "_" + std::to_string(i) + ".Json";
                    record.Note(name, name + ".bak");
                }
            }
        });
    size_t taken = 0;
    for (int i = 0; i < 100; ++i) taken += record.TakeUnshown().size();
    for (std::thread& worker : workers) worker.join();
    taken += record.TakeUnshown().size();
    EXPECT_EQ(taken, static_cast<size_t>(kThreads * kFilesEach));
    EXPECT_EQ(told, kThreads * kFilesEach);
}

}  // namespace
}  // namespace kelno
