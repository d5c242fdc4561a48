#include "core/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/temp_folder.h"
#include "support/unprivileged.h"

namespace kelno {
namespace {

TEST(SettingsStore, MissingStoreHasNoValuesAndIsCreatedOnFirstWrite) {
    test::TempFolder folder;
    SettingsStore store = SettingsStore::ForConfigFolder(folder / "config/KELNO Driver");
    EXPECT_EQ(store.ReadInt("LANGUAGE"), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(store.File()));

    ASSERT_TRUE(store.WriteInt("LANGUAGE", 1));
    ASSERT_TRUE(store.WriteString("skin", "dark"));
    EXPECT_EQ(store.ReadInt("LANGUAGE"), 1);
    EXPECT_EQ(store.ReadString("skin"), "dark");
    EXPECT_EQ(store.ReadString("LANGUAGE"), std::nullopt) << "wrong type reads as missing";
}

// The window stores its language at every start: a value stored already
// is not written again (each write is a rename and an fsync).
TEST(SettingsStore, AValueStoredAlreadyIsNotWrittenAgain) {
    test::TempFolder folder;
    SettingsStore store = SettingsStore::ForConfigFolder(folder.Path());
    const auto inode = [&] {
        struct stat info {};
        EXPECT_EQ(::stat(store.File().c_str(), &info), 0);
        return info.st_ino;
    };
    ASSERT_TRUE(store.WriteInt("LANGUAGE", 2052));
    ASSERT_TRUE(store.WriteString("skin", "dark"));
    const ino_t written = inode();
    EXPECT_TRUE(store.WriteInt("LANGUAGE", 2052));
    EXPECT_TRUE(store.WriteString("skin", "dark"));
    EXPECT_EQ(inode(), written) << "left as it was";

    EXPECT_TRUE(store.WriteInt("LANGUAGE", 1033));
    EXPECT_NE(inode(), written) << "a new value is written";
    EXPECT_EQ(store.ReadInt("LANGUAGE"), 1033);
    EXPECT_EQ(store.ReadString("skin"), "dark");
}

TEST(SettingsStore, DamagedFileReadsAsEmptyAndIsReplacedOnWrite) {
    test::TempFolder folder;
    SettingsStore store(folder.WriteFile("settings.json", "[1, 2"));
    EXPECT_EQ(store.ReadInt("LANGUAGE"), std::nullopt);
    ASSERT_TRUE(store.WriteInt("LANGUAGE", 0));
    EXPECT_EQ(store.ReadInt("LANGUAGE"), 0);
}

TEST(SettingsStore, WrongShapeIsKeptAsBackupBeforeItIsReplaced) {
    test::TempFolder folder;
    SettingsStore store(folder.WriteFile("settings.json", R"(["LANGUAGE", 3])"));
    ASSERT_TRUE(store.WriteInt("LANGUAGE", 1));
    EXPECT_EQ(store.ReadInt("LANGUAGE"), 1);
    EXPECT_EQ(folder.ReadFile("settings.json.bak"), R"(["LANGUAGE", 3])");
}

TEST(SettingsStore, AValueOfTheOtherKindIsKeptAsBackupBeforeItIsReplaced) {
    struct Case {
        const char* stored;
        bool writesInt;  // else a string
        bool keptAside;
    };
    const Case cases[] = {
        {R"({"LANGUAGE": "2052", "skin": "dark"})", true, true},
        {R"({"LANGUAGE": 1.5})", true, true},
        {R"({"LANGUAGE": {"id": 1}})", true, true},
        {R"({"LANGUAGE": 4})", false, true},
        {R"({"LANGUAGE": 2052, "skin": 7})", true, false},  // only the written value counts
        {R"({"LANGUAGE": "dark"})", false, false},
        {R"({"skin": "dark"})", true, false},
    };
    for (const Case& c : cases) {
        test::TempFolder folder;
        SettingsStore store(folder.WriteFile("settings.json", c.stored));
        ASSERT_TRUE(c.writesInt ? store.WriteInt("LANGUAGE", 1)
                                : store.WriteString("LANGUAGE", "x"))
            << c.stored;
        EXPECT_EQ(std::filesystem::exists(folder / "settings.json.bak"), c.keptAside) << c.stored;
        if (c.keptAside) {
            EXPECT_EQ(folder.ReadFile("settings.json.bak"), c.stored);
        }
        if (c.writesInt) {
            EXPECT_EQ(store.ReadInt("LANGUAGE"), 1) << c.stored;
        } else {
            EXPECT_EQ(store.ReadString("LANGUAGE"), "x") << c.stored;
        }
    }
}

TEST(SettingsStore, FileThatMayNotBeReadIsNeverReplaced) {
    test::TempFolder folder;
    std::filesystem::permissions(folder.Path(), std::filesystem::perms::all);
    const std::string stored = R"({"LANGUAGE": 3, "skin": "dark"})";
    const std::filesystem::path file = folder.WriteFile("settings.json", stored);
    std::filesystem::permissions(file, std::filesystem::perms::none);
    SettingsStore store(file);
    EXPECT_EQ(test::RunUnprivileged([&] { return store.WriteInt("LANGUAGE", 1) ? 1 : 0; }), 0);
    EXPECT_EQ(folder.ReadFile("settings.json"), stored);
    EXPECT_FALSE(std::filesystem::exists(folder / "settings.json.bak"));
}

TEST(SettingsStore, FifoInTheFilesPlaceReadsAsDamagedAndIsKept) {
    test::TempFolder folder;
    ASSERT_EQ(::mkfifo((folder / "settings.json").c_str(), 0600), 0);
    SettingsStore store(folder / "settings.json");
    EXPECT_EQ(store.ReadInt("LANGUAGE"), std::nullopt);
    ASSERT_TRUE(store.WriteInt("LANGUAGE", 2));
    EXPECT_EQ(store.ReadInt("LANGUAGE"), 2);
    EXPECT_TRUE(std::filesystem::is_fifo(folder / "settings.json.bak"));
}

TEST(SettingsStore, UnwritableLocationIsReported) {
    test::TempFolder folder;
    folder.WriteFile("blocker", "x");
    SettingsStore store(folder / "blocker" / "settings.json");
    EXPECT_FALSE(store.WriteInt("LANGUAGE", 1));
}

}  // namespace
}  // namespace kelno
