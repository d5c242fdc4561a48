#include "profiles/macro_assignment_remap.h"

#include <gtest/gtest.h>

#include "core/json_file.h"
#include "support/temp_folder.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kKeyA = 0x200004;       // a plain key, the usual default
constexpr uint32_t kLeftClick = 0x010100;  // a default that is not a key

uint32_t PlayMacro(int index, uint8_t type = kPlayMacroAssignment) {
    return uint32_t{type} << 16 | static_cast<uint32_t>(index) << 8 | 0x01;
}

KeyAssignmentPair Key(uint16_t index, uint32_t current, uint32_t defaults = kKeyA) {
    return {KeyAssignment::FromPacked(index, current), KeyAssignment::FromPacked(index, defaults)};
}

TEST(MacroAssignmentRemap, DeletingAMacroTable) {
    struct Case {
        const char* what;
        std::vector<KeyAssignmentPair> keys;
        int deleted;
        std::vector<uint32_t> after;
        bool changed;
        std::vector<uint16_t> users;
    };
    const Case cases[] = {
        {"users fall back to their default, later macros move down",
         {Key(0, PlayMacro(2)), Key(1, PlayMacro(1), kLeftClick), Key(2, kKeyA)},
         1,
         {PlayMacro(1), kLeftClick, kKeyA},
         true,
         {1}},
        {"both macro types count",
         {Key(0, PlayMacro(0, kPlayMacroWhileHeldAssignment)),
          Key(1, PlayMacro(3, kPlayMacroWhileHeldAssignment))},
         0,
         {kKeyA, PlayMacro(2, kPlayMacroWhileHeldAssignment)},
         true,
         {0}},
        {"earlier macros and other types stay",
         {Key(0, PlayMacro(0)), Key(1, 0x300105), Key(2, 0x600100)},
         1,
         {PlayMacro(0), 0x300105, 0x600100},
         false,
         {}},
        {"a negative index changes nothing", {Key(0, PlayMacro(0))}, -1, {PlayMacro(0)}, false, {}},
        {"no keys", {}, 0, {}, false, {}},
    };
    for (const auto& c : cases) {
        const MacroRemap remap = RemapAfterMacroDeleted(c.keys, c.deleted);
        std::vector<uint32_t> after;
        for (const KeyAssignmentPair& key : remap.keys) after.push_back(key.current.Packed());
        EXPECT_EQ(after, c.after) << c.what;
        EXPECT_EQ(remap.changed, c.changed) << c.what;
        EXPECT_EQ(remap.usersOfDeleted, c.users) << c.what;
        for (size_t i = 0; i < remap.keys.size(); ++i) {
            EXPECT_EQ(remap.keys[i].current.keyIndex, c.keys[i].current.keyIndex) << c.what;
            EXPECT_EQ(remap.keys[i].defaults, c.keys[i].defaults) << c.what;
        }
    }
}

// A device folder with a profile list naming "open", "uses", "unused" and
// "broken"; "open" is the profile held in memory by its owner.
class ProfileFolder : public ::testing::Test {
  protected:
    ProfileFolder() {
        folder_.WriteFile("ProfileList.ini", R"({"profilelist": [
            {"profilename": "Open", "profileUUID": "open"},
            {"profilename": "Uses", "profileUUID": "uses"},
            {"profilename": "Unused", "profileUUID": "unused"},
            {"profilename": "Broken", "profileUUID": "broken"},
            {"profilename": "Gone", "profileUUID": "gone"}], "profileselect": 0})");
        WriteProfile("open", {PlayMacro(1), PlayMacro(2)});
        WriteProfile("uses", {PlayMacro(1), PlayMacro(2), kKeyA});
        WriteProfile("unused", {PlayMacro(0), kKeyA});
        folder_.WriteFile("broken.Json", "{\"Device\": [");
    }

    void WriteProfile(const std::string& uuid, const std::vector<uint32_t>& assignments) {
        Json::Value profile(Json::objectValue);
        profile["profilename"] = uuid;
        profile["profileUUID"] = uuid;
        Json::Value& node = profile["Device"][0];
        node["LightInfo"]["Light"] = 3;
        for (size_t i = 0; i < assignments.size(); ++i) {
            node["KeyList"][static_cast<Json::ArrayIndex>(i)]["Assignment"] = assignments[i];
            node["KeyList"][static_cast<Json::ArrayIndex>(i)]["DefaultAssignment"] = kLeftClick;
            node["KeyList"][static_cast<Json::ArrayIndex>(i)]["KeyName"] = "k";
        }
        ASSERT_EQ(WriteJsonFile(Path(uuid), profile), 0);
    }
    fs::path Path(const std::string& uuid) const { return folder_ / (uuid + ".Json"); }
    std::string Text(const std::string& uuid) const { return folder_.ReadFile(uuid + ".Json"); }

    test::TempFolder folder_;
};

TEST_F(ProfileFolder, EveryListedProfileButTheOpenOneIsRemapped) {
    const std::string openBefore = Text("open");
    const std::string unusedBefore = Text("unused");
    const std::string brokenBefore = Text("broken");

    const ProfileRemapReport report =
        RemapMacroAssignmentsInProfiles(folder_.Path(), 1, Path("open"));

    EXPECT_EQ(report.rewritten, (std::vector<fs::path>{Path("uses")}));
    EXPECT_EQ(report.leftAlone, (std::vector<fs::path>{Path("broken")}));
    const Json::Value uses = ReadJsonFile(Path("uses"));
    const Json::Value& keys = uses["Device"][0]["KeyList"];
    EXPECT_EQ(keys[0]["Assignment"].asUInt(), kLeftClick);
    EXPECT_EQ(keys[1]["Assignment"].asUInt(), PlayMacro(1));
    EXPECT_EQ(keys[2]["Assignment"].asUInt(), kKeyA);
    // Only the assignments change.
    EXPECT_EQ(keys[0]["DefaultAssignment"].asUInt(), kLeftClick);
    EXPECT_EQ(keys[0]["KeyName"], "k");
    EXPECT_EQ(uses["Device"][0]["LightInfo"]["Light"], 3);
    EXPECT_EQ(uses["profilename"], "uses");

    EXPECT_EQ(Text("open"), openBefore);
    EXPECT_EQ(Text("unused"), unusedBefore);
    EXPECT_EQ(Text("broken"), brokenBefore);
    EXPECT_FALSE(fs::exists(folder_ / "broken.Json.bak"));
    EXPECT_FALSE(fs::exists(Path("gone")));
}

TEST_F(ProfileFolder, FoldersInPlaceOfProfilesAreReportedAndTheListIsNotWritten) {
    fs::remove(Path("uses"));
    fs::create_directory(Path("uses"));
    const std::string listBefore = folder_.ReadFile("ProfileList.ini");

    const ProfileRemapReport report = RemapMacroAssignmentsInProfiles(folder_.Path(), 0, {});

    EXPECT_EQ(report.rewritten, (std::vector<fs::path>{Path("open"), Path("unused")}));
    EXPECT_EQ(report.leftAlone, (std::vector<fs::path>{Path("uses"), Path("broken")}));
    EXPECT_EQ(ReadJsonFile(Path("unused"))["Device"][0]["KeyList"][0]["Assignment"].asUInt(),
              kLeftClick);
    EXPECT_EQ(folder_.ReadFile("ProfileList.ini"), listBefore);
}

}  // namespace
}  // namespace kelno
