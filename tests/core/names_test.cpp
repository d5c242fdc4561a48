#include "core/names.h"

#include <gtest/gtest.h>

#include <set>

#include "support/temp_folder.h"

namespace kelno {
namespace {

struct SplitCase {
    const char* name;
    bool numbered;
    const char* prefix;
    int number;
};

TEST(SplitIndexedName, SplitsAtLastUnderscoreAndAcceptsOnlyPlainDecimals) {
    const SplitCase cases[] = {
        {"key_12", true, "key_", 12},
        {"key_0", true, "key_", 0},
        {"DPI_slider_3", true, "DPI_slider_", 3},
        {"key_007", true, "key_", 7},
        {"key_", false, "key_", -1},
        {"key_abc", false, "key_", -1},
        {"key_12abc", false, "key_", -1},
        {"key_butt_keysave", false, "key_butt_", -1},
        {"abc", false, "", -1},
        {"", false, "", -1},
        {"key_-1", false, "key_", -1},
        {"key_+1", false, "key_", -1},
        {"key_ 1", false, "key_", -1},
        {"key_99999999999", false, "key_", -1},
        {"key_2147483647", true, "key_", 2147483647},
        {"key_2147483648", false, "key_", -1},
    };
    for (const auto& c : cases) {
        std::string prefix = "stale";
        int number = 42;
        EXPECT_EQ(SplitIndexedName(c.name, prefix, number), c.numbered) << c.name;
        EXPECT_EQ(prefix, c.prefix) << c.name;
        EXPECT_EQ(number, c.number) << c.name;
    }
}

TEST(IsBareName, RejectsAnythingThatCouldLeaveTheFolder) {
    const std::pair<const char*, bool> cases[] = {
        {"2023_04_09_17_05_31_042", true},
        {"My profile (1)", true},
        {"中文名", true},
        {"", false},
        {".", false},
        {"..", false},
        {"../profile", false},
        {"a/b", false},
        {"a\\b", false},
        {"a..b", false},
        {"tab\there", false},
        {"line\nbreak", false},
    };
    for (const auto& [name, bare] : cases) EXPECT_EQ(IsBareName(name), bare) << name;
    // Too long to become a file name once an ending is added.
    EXPECT_TRUE(IsBareName(std::string(kMaxBareNameLength, 'a')));
    EXPECT_FALSE(IsBareName(std::string(kMaxBareNameLength + 1, 'a')));
    EXPECT_FALSE(IsBareName(std::string(300, 'a')));
    EXPECT_FALSE(IsBareName(std::string_view("nul\0inside", 10)));
}

TEST(IsBareName, TheLongestNameStillMakesItsFiles) {
    test::TempFolder folder;
    const std::string name(kMaxBareNameLength, 'a');
    // A profile's temporary file during an atomic write, and its backup.
    for (const char* ending : {".Json.tmp-XXXXXX", ".Json.bak"}) {
        folder.WriteFile(name + ending, "made");
        EXPECT_EQ(folder.ReadFile(name + ending), "made") << ending;
    }
}

TEST(MakeTimestampName, FormatsLocalTimeWithZeroPadding) {
    const test::FixedWallClock clock({2023, 4, 9, 17, 5, 31, 42});
    EXPECT_EQ(MakeTimestampName(clock), "2023_04_09_17_05_31_042");
    const test::FixedWallClock late({2024, 12, 31, 23, 59, 59, 999});
    EXPECT_EQ(MakeTimestampName(late), "2024_12_31_23_59_59_999");
}

TEST(MakeTimestampName, SameMillisecondGivesSameName) {
    const test::FixedWallClock clock({2023, 4, 9, 17, 5, 31, 42});
    EXPECT_EQ(MakeTimestampName(clock), MakeTimestampName(clock));
}

TEST(MakeFreeTimestampName, MovesOnPastTakenNamesWithCarry) {
    struct Case {
        LocalTime start;
        std::set<std::string> taken;
        const char* expected;
    };
    const Case cases[] = {
        {{2023, 4, 9, 17, 5, 31, 42}, {}, "2023_04_09_17_05_31_042"},
        {{2023, 4, 9, 17, 5, 31, 42},
         {"2023_04_09_17_05_31_042", "2023_04_09_17_05_31_043"},
         "2023_04_09_17_05_31_044"},
        {{2023, 12, 31, 23, 59, 59, 999}, {"2023_12_31_23_59_59_999"}, "2024_01_01_00_00_00_000"},
        {{2024, 2, 28, 23, 59, 59, 999}, {"2024_02_28_23_59_59_999"}, "2024_02_29_00_00_00_000"},
        {{2023, 2, 28, 23, 59, 59, 999}, {"2023_02_28_23_59_59_999"}, "2023_03_01_00_00_00_000"},
        {{2023, 4, 30, 23, 59, 59, 999}, {"2023_04_30_23_59_59_999"}, "2023_05_01_00_00_00_000"},
    };
    for (const auto& c : cases) {
        const test::FixedWallClock clock(c.start);
        const auto isTaken = [&](const std::string& name) { return c.taken.count(name) > 0; };
        EXPECT_EQ(MakeFreeTimestampName(isTaken, clock), c.expected);
    }
}

TEST(MakeFreeTimestampName, GivesUpWithEmptyNameWhenEverythingIsTaken) {
    const test::FixedWallClock clock({2023, 4, 9, 17, 5, 31, 42});
    EXPECT_EQ(MakeFreeTimestampName([](const std::string&) { return true; }, clock), "");
}

TEST(MakeFreeTimestampName, ChecksTheFolderForExistingFiles) {
    test::TempFolder folder;
    const test::FixedWallClock clock({2023, 4, 9, 17, 5, 31, 42});
    folder.WriteFile("2023_04_09_17_05_31_042.Json", "{}");
    const auto isTaken = [&](const std::string& name) {
        return IsNameTakenInFolder(folder.Path(), name, ".Json");
    };
    EXPECT_EQ(MakeFreeTimestampName(isTaken, clock), "2023_04_09_17_05_31_043");
}

}  // namespace
}  // namespace kelno
