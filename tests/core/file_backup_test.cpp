#include "core/file_backup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/backup_record.h"
#include "support/temp_folder.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;

TEST(KeepBackup, KeepsTheFileAsItIsWithoutTouchingIt) {
    test::TempFolder folder;
    const fs::path file = folder.WriteFile("p.Json", "{ broken");
    folder.WriteFile("p.Json.bak", "an older backup");
    ASSERT_TRUE(KeepBackup(file));
    EXPECT_EQ(folder.ReadFile("p.Json.bak"), "{ broken");
    EXPECT_EQ(folder.ReadFile("p.Json"), "{ broken");
}

TEST(KeepBackup, KeepsALinkAsTheLinkAndAFifoAsAFifo) {
    test::TempFolder folder;
    folder.WriteFile("elsewhere/target.Json", "the target's content");
    fs::create_symlink(folder / "elsewhere/target.Json", folder / "link.Json");
    ASSERT_EQ(::mkfifo((folder / "fifo.Json").c_str(), 0600), 0);

    ASSERT_TRUE(KeepBackup(folder / "link.Json"));
    ASSERT_TRUE(KeepBackup(folder / "fifo.Json"));
    ASSERT_TRUE(fs::is_symlink(folder / "link.Json.bak"));
    EXPECT_EQ(fs::read_symlink(folder / "link.Json.bak"), folder / "elsewhere/target.Json");
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(folder / "fifo.Json.bak")));
}

TEST(KeepBackup, NothingToKeepAndNoRoomForTheBackup) {
    test::TempFolder folder;
    EXPECT_TRUE(KeepBackup(folder / "missing.Json"));

    folder.WriteFile("empty.Json", "");
    folder.WriteFile("empty.Json.bak", "older and worth more");
    EXPECT_TRUE(KeepBackup(folder / "empty.Json"));
    EXPECT_EQ(folder.ReadFile("empty.Json.bak"), "older and worth more");

    const fs::path file = folder.WriteFile("p.Json", "x");
    folder.WriteFile("p.Json.bak/inside", "a folder in the backup's place");
    EXPECT_FALSE(KeepBackup(file));
}

TEST(KeepBackup, NotesOnlyTheBackupsItMakes) {
    test::TempFolder folder;
    BackupRecord& record = BackupRecord::Process();
    record.TakeUnshown();
    const fs::path damaged = folder.WriteFile("damaged.Json", "{ broken");
    folder.WriteFile("empty.Json", "");
    const fs::path blocked = folder.WriteFile("blocked.Json", "x");
    folder.WriteFile("blocked.Json.bak/inside", "a folder in the backup's place");

    ASSERT_TRUE(KeepBackup(damaged));
    ASSERT_TRUE(KeepBackup(folder / "missing.Json"));
    ASSERT_TRUE(KeepBackup(folder / "empty.Json"));
    ASSERT_FALSE(KeepBackup(blocked));
    EXPECT_EQ(record.TakeUnshown(),
              (std::vector<KeptBackup>{{damaged, folder / "damaged.Json.bak"}}));
}

TEST(MayReplace, BacksUpDamagedFilesAndNeverReplacesUnreadOnes) {
    struct Case {
        FileReadStatus status;
        bool mayReplace;
        bool backupMade;
    };
    const Case cases[] = {
        {FileReadStatus::Read, true, false},
        {FileReadStatus::Missing, true, false},
        {FileReadStatus::Damaged, true, true},
        {FileReadStatus::Unreadable, false, false},
    };
    for (const Case& c : cases) {
        test::TempFolder folder;
        const fs::path file = folder.WriteFile("settings.json", "[1]");
        EXPECT_EQ(MayReplace(file, c.status), c.mayReplace) << static_cast<int>(c.status);
        EXPECT_EQ(fs::exists(folder / "settings.json.bak"), c.backupMade)
            << static_cast<int>(c.status);
    }

    test::TempFolder folder;
    const fs::path file = folder.WriteFile("settings.json", "[1]");
    fs::create_directories(folder / "settings.json.bak/full");
    EXPECT_FALSE(MayReplace(file, FileReadStatus::Damaged)) << "no backup, no replacing";
}

}  // namespace
}  // namespace kelno
