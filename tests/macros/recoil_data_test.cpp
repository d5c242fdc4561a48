// Recoil preset files: what a shot reads as, what saving a shot writes
// (all four events, earlier missing shots filled, other content kept,
// values clamped), and that a reset never leaves the user without a file.

#include "macros/recoil_data.h"

#include <gtest/gtest.h>

#include "core/json_file.h"
#include "support/temp_folder.h"

namespace kelno {
namespace {

Json::Value Event(const char* action, int button, int delay, int type) {
    Json::Value event;
    event["Action"] = action;
    event["Button"] = button;
    event["Delay"] = delay;
    event["Type"] = type;
    return event;
}

TEST(RecoilData, SavingAShotWritesItsFourEventsAndFillsTheShotsBeforeIt) {
    test::TempFolder folder;
    // Shot 2 of preset 1: 3 to the left, 12 downwards, delay 40.
    ASSERT_EQ(SaveRecoilShot(folder.Path(), 1, 2, {true, 3, false, 12, 40}),
              RecoilFileResult::Done);
    const Json::Value file = ReadJsonFile(folder / "ShootData_1.Shoot");
    const Json::Value& events = file["Events"];
    ASSERT_EQ(events.size(), 12u);
    EXPECT_EQ(events[8], Event("down", 1, 10, 1));
    EXPECT_EQ(events[9], Event("up", 1, 0, 1));
    EXPECT_EQ(events[10], Event("down", 3, 5, 4));
    EXPECT_EQ(events[11], Event("up", 12, 40, 5));
    // The shots before it are whole shots without movement, never nulls.
    for (Json::ArrayIndex i = 0; i < 8; ++i) EXPECT_TRUE(events[i].isObject()) << i;
    EXPECT_EQ(ReadRecoilShot(file, 0), RecoilShot{});
    EXPECT_EQ(ReadRecoilShot(file, 2), (RecoilShot{true, 3, false, 12, 40}));
}

TEST(RecoilData, SavingKeepsEverythingElseOfTheFile) {
    test::TempFolder folder;
    Json::Value file;
    file["Name"] = "AK";
    for (int i = 0; i < 8; ++i) file["Events"][i] = Event("up", 7, 9, 5);
    ASSERT_EQ(WriteJsonFile(folder / "ShootData_0.Shoot", file), 0);
    ASSERT_EQ(SaveRecoilShot(folder.Path(), 0, 0, {false, 1, true, 2, 3}), RecoilFileResult::Done);
    const Json::Value saved = ReadJsonFile(folder / "ShootData_0.Shoot");
    EXPECT_EQ(saved["Name"], "AK");
    EXPECT_EQ(saved["Events"].size(), 8u);
    EXPECT_EQ(saved["Events"][7], Event("up", 7, 9, 5));
    EXPECT_EQ(ReadRecoilShot(saved, 0), (RecoilShot{false, 1, true, 2, 3}));
}

TEST(RecoilData, ValuesAreClampedAndNumbersOutOfRangeClampToTheEnds) {
    struct Case {
        RecoilShot given, stored;
    };
    const Case cases[] = {
        {{true, 300, true, -4, 70000}, {true, 255, true, 0, 65535}},
        {{false, 255, false, 0, 0}, {false, 255, false, 0, 0}},
    };
    for (const Case& c : cases) {
        Json::Value file;
        StoreRecoilShot(file, 99, c.given);  // shot 99 is the last, 29
        EXPECT_EQ(file["Events"].size(), 120u);
        EXPECT_EQ(ReadRecoilShot(file, 29), c.stored);
    }
    EXPECT_EQ(RecoilFilePath("/x", 9), std::filesystem::path("/x/ShootData_3.Shoot"));
    EXPECT_EQ(RecoilFilePath("/x", -1), std::filesystem::path("/x/ShootData_0.Shoot"));
}

TEST(RecoilData, AMissingOrDamagedFileReadsAsZerosAndADamagedOneIsKeptWhenSaved) {
    test::TempFolder folder;
    EXPECT_EQ(ReadRecoilShot(ReadJsonFile(folder / "ShootData_2.Shoot"), 5), RecoilShot{});
    folder.WriteFile("ShootData_2.Shoot", "{broken");
    ASSERT_EQ(SaveRecoilShot(folder.Path(), 2, 0, {true, 1, true, 1, 1}), RecoilFileResult::Done);
    EXPECT_EQ(ReadFileText(folder / "ShootData_2.Shoot.bak"), "{broken");
}

TEST(RecoilData, AResetCopiesTheDefaultAndWithoutOneLeavesTheUsersFile) {
    test::TempFolder user, defaults;
    user.WriteFile("ShootData_0.Shoot", "{\"Events\": []}");
    EXPECT_EQ(ResetRecoilPreset(user.Path(), defaults.Path(), 0), RecoilFileResult::DefaultMissing);
    EXPECT_EQ(ReadFileText(user / "ShootData_0.Shoot"), "{\"Events\": []}");

    defaults.WriteFile("ShootData_0.Shoot", "{\"Events\": [1]}\n");
    EXPECT_EQ(ResetRecoilPreset(user.Path(), defaults.Path(), 0), RecoilFileResult::Done);
    EXPECT_EQ(ReadFileText(user / "ShootData_0.Shoot"), "{\"Events\": [1]}\n");
}

}  // namespace
}  // namespace kelno
