#include "profiles/basic_profile_data.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/json_file.h"
#include "support/temp_folder.h"
#include "support/unprivileged.h"

namespace kelno {
namespace {

namespace fs = std::filesystem;

// A user-data folder with a default profile, as the device sets it up.
class ProfileFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        defaultPath_ = folder_.WriteFile("DefaultData/keyboard.Json", R"({
            "Device": [{"LightInfo": {"SelectItem": 3, "Light": 4, "Speed": 2, "Fx": 1,
                                      "MultiColor": 0, "Red": 1, "Green": 2, "Blue": 3, "LedStaus": 1},
                        "KeyList": [{"Assignment": 65540, "DefaultAssignment": 65540}]}]})");
        profile_.SetDefaultPath(defaultPath_);
    }

    Json::Value Node(const std::string& json) {
        const fs::path path = folder_.WriteFile("user/p.Json", json);
        profile_.SetProfilePath(path);
        return profile_.Load(path);
    }

    test::TempFolder folder_;
    fs::path defaultPath_;
    CBasicProfiledata profile_;
};

TEST_F(ProfileFixture, LightSettingReadsTheStoredValues) {
    struct Case {
        const char* lightInfo;
        std::array<uint8_t, 12> expected;
    };
    const Case cases[] = {
        {R"({})", {0, 0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 0}},
        {R"({"SelectItem": 300, "Light": 2, "Speed": 3, "Fx": 1, "MultiColor": true,
             "Red": 10, "Green": 20, "Blue": 30, "LedStaus": 1})",
         {44, 2, 3, 1, 1, 10, 20, 30, 0, 0, 0, 1}},
        {R"({"MultiColor": 1})", {0, 0, 0, 0, 1, 255, 255, 255, 0, 0, 0, 0}},
        {R"({"MultiColor": "yes", "Red": "10", "SelectItem": 1.5})",
         {0, 0, 0, 0, 0, 255, 255, 255, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        Node(std::string(R"({"Device": [{"LightInfo": )") + c.lightInfo + "}]}");
        EXPECT_EQ(profile_.GetLightSetting().bytes, c.expected) << c.lightInfo;
    }
    Node(R"({"Device": [{}]})");
    EXPECT_EQ(profile_.GetLightSetting(), LightSetting{}) << "no LightInfo";
}

TEST_F(ProfileFixture, LightSettingRoundTripsThroughSave) {
    Node(R"({"profilename": "Game", "Device": [{}]})");
    const LightSetting written = LightSetting::FromWords(0x01020304, 0x0A141E01, 0x01000000);
    profile_.SetLightSetting(written.Word(0), written.Word(1), written.Word(2));
    ASSERT_TRUE(profile_.Save());

    CBasicProfiledata reloaded;
    reloaded.Load(profile_.GetProfilePath());
    const LightSetting read = reloaded.GetLightSetting();
    for (int byte : {0, 1, 2, 3, 4, 5, 6, 7, 11}) EXPECT_EQ(read[byte], written[byte]) << byte;
    EXPECT_EQ(ReadJsonFile(profile_.GetProfilePath())["profilename"].asString(), "Game");
}

TEST_F(ProfileFixture, LoadRepairsMissingNodesFromTheDefaultAndKeepsOtherKeys) {
    // Missing file: created with only the device node.
    const fs::path missing = folder_ / "user/new.Json";
    fs::create_directories(missing.parent_path());
    EXPECT_EQ(profile_.Load(missing)["LightInfo"]["SelectItem"].asInt(), 3);
    Json::Value created = ReadJsonFile(missing);
    EXPECT_EQ(created.getMemberNames(), std::vector<std::string>{"Device"});

    // A file without the node keeps its other keys.
    Node(R"({"profilename": "Mine", "profileUUID": "u1"})");
    const Json::Value repaired = ReadJsonFile(profile_.GetProfilePath());
    EXPECT_EQ(repaired["profilename"].asString(), "Mine");
    EXPECT_EQ(repaired["Device"][0]["LightInfo"]["Light"].asInt(), 4);
}

TEST_F(ProfileFixture, LoadLeavesAnEmptyNodeAloneAndKeepsDamagedFiles) {
    const std::string emptyNode = R"({"Device": [ {} ]})";
    Node(emptyNode);
    EXPECT_EQ(folder_.ReadFile("user/p.Json"), emptyNode) << "an empty node is not rewritten";

    Node("{ this is not json");
    EXPECT_EQ(folder_.ReadFile("user/p.Json.bak"), "{ this is not json");
    EXPECT_EQ(ReadJsonFile(folder_ / "user/p.Json")["Device"][0]["LightInfo"]["Speed"].asInt(), 2);
}

TEST_F(ProfileFixture, FilesItCannotUseAreKeptAsBackupBeforeTheyAreRepaired) {
    const std::string cases[] = {
        R"({"profilename": "Mine", "Device": "not an array"})",
        R"({"profilename": "Mine", "Device": [5]})",
        R"([{"Device": []}])",
        "{ not json",
    };
    for (const std::string& content : cases) {
        EXPECT_EQ(Node(content)["LightInfo"]["Light"].asInt(), 4) << content;
        EXPECT_EQ(profile_.GetLastLoadResult(), CBasicProfiledata::LoadResult::Repaired) << content;
        EXPECT_EQ(folder_.ReadFile("user/p.Json.bak"), content);
        const Json::Value repaired = ReadJsonFile(folder_ / "user/p.Json");
        EXPECT_EQ(repaired["Device"][0]["LightInfo"]["Light"].asInt(), 4) << content;
        if (content.starts_with("{\"profilename")) {
            EXPECT_EQ(repaired["profilename"].asString(), "Mine") << "the other keys stay";
        }
    }
}

TEST_F(ProfileFixture, SpecialFilesAreBackedUpAsWhatTheyAre) {
    const fs::path path = folder_ / "user/p.Json";
    fs::create_directories(path.parent_path());
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(profile_.Load(path)["LightInfo"]["Light"].asInt(), 4) << "a FIFO must not block";
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(folder_ / "user/p.Json.bak")));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path)));

    // A link to a damaged file: the backup is the link, and the file it
    // points to is left as it is.
    const fs::path target = folder_.WriteFile("elsewhere/real.Json", R"({"Device": "x"})");
    fs::remove(path);
    fs::create_symlink(target, path);
    profile_.Load(path);
    EXPECT_EQ(fs::read_symlink(folder_ / "user/p.Json.bak"), target);
    EXPECT_EQ(folder_.ReadFile("elsewhere/real.Json"), R"({"Device": "x"})");
    EXPECT_EQ(profile_.GetLastLoadResult(), CBasicProfiledata::LoadResult::Repaired);
}

TEST_F(ProfileFixture, FilesThatCannotBeReadOrBackedUpAreNeverReplaced) {
    const std::string stored =
        R"({"profilename": "Mine", "Device": [{"LightInfo": {"Light": 1}}]})";
    const fs::path path = folder_.WriteFile("user/p.Json", stored);
    for (const fs::path& folder : {folder_.Path(), path.parent_path()})
        fs::permissions(folder, fs::perms::all);
    fs::permissions(path, fs::perms::none);
    profile_.SetProfilePath(path);
    const int child = test::RunUnprivileged([&] {
        const bool defaultInMemory =
            profile_.Load(path)["LightInfo"]["Light"].asInt() == 4 &&
            profile_.GetLastLoadResult() == CBasicProfiledata::LoadResult::InMemoryOnly;
        return defaultInMemory && !profile_.Save() ? 0 : 1;
    });
    EXPECT_EQ(child, 0) << "the default node in memory, and no save";
    EXPECT_EQ(folder_.ReadFile("user/p.Json"), stored);
    EXPECT_FALSE(fs::exists(folder_ / "user/p.Json.bak"));

    // Damaged, but the backup's place is taken by a folder.
    fs::create_directories(folder_ / "user/p.Json.bak/inside");
    Node(R"({"Device": "x"})");
    EXPECT_EQ(profile_.GetLastLoadResult(), CBasicProfiledata::LoadResult::InMemoryOnly);
    EXPECT_FALSE(profile_.Save());
    EXPECT_EQ(folder_.ReadFile("user/p.Json"), R"({"Device": "x"})");
}

TEST_F(ProfileFixture, KeyListSaveChangesOnlyAssignments) {
    Node(R"({"top": 1, "Device": [{"KeyList": [
        {"Assignment": 1, "DefaultAssignment": 2, "Extra": "x"},
        {"Assignment": 16909060, "DefaultAssignment": 5}]}, {"other": true}]})");
    std::vector<KeyAssignmentPair> keys = profile_.GetKeyList();
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[1].current, (KeyAssignment{1, 0x02, 0x03, 0x04})) << "24 bits used";
    EXPECT_EQ(keys[1].defaults, (KeyAssignment{1, 0, 0, 5}));

    keys[0].current = {0, 0x0A, 0x0B, 0x0C};
    keys[0].defaults = {0, 9, 9, 9};
    profile_.SetKeyList(keys);
    ASSERT_TRUE(profile_.Save());
    const Json::Value saved = ReadJsonFile(profile_.GetProfilePath());
    EXPECT_EQ(saved["Device"][0]["KeyList"][0]["Assignment"].asInt(), 0x0A0B0C);
    EXPECT_EQ(saved["Device"][0]["KeyList"][0]["DefaultAssignment"].asInt(), 2);
    EXPECT_EQ(saved["Device"][0]["KeyList"][0]["Extra"].asString(), "x");
    EXPECT_TRUE(saved["Device"][1]["other"].asBool()) << "other device nodes survive";
    EXPECT_EQ(saved["top"].asInt(), 1);
}

TEST_F(ProfileFixture, LightListMarksNullElementsAndIsBounded) {
    Node(R"({"Device": [{"LightList": [null, {"LEDREGMode": 2, "LEDDirection": true,
        "LEDMultiColor": 0, "red": 9, "green": 8, "blue": 7, "LEDBrightness": 3, "LEDSpeed": 1}]}]})");
    const auto list = profile_.GetLightList();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], LightListEntry{});
    EXPECT_EQ(list[1], (LightListEntry{2, 3, 1, 1, 0, 9, 8, 7, 1}));

    std::string huge = R"({"Device": [{"LightList": [)";
    for (int i = 0; i < 2000; ++i) huge += "null,";
    huge += "null]}]}";
    Node(huge);
    EXPECT_EQ(profile_.GetLightList().size(), size_t{CBasicProfiledata::kMaxListEntries});
}

TEST_F(ProfileFixture, CustomEffectNeedsABareGuid) {
    folder_.WriteFile(
        "user/fx1.light",
        R"({"LEDEffectList": [{"LEDREGMode": 1, "red": 255, "Time": 500, "Cyle": 2}]})");
    folder_.WriteFile("secret.light", R"({"LEDEffectList": [{"LEDREGMode": 9}]})");
    const fs::path config = folder_.WriteFile(
        "user/tovra_light.config",
        R"({"LightInfo": [[{"Guid": "fx1"}, {"Guid": "../secret"}, {"Guid": 5}]]})");
    profile_.SetLightConfigPath(config);
    profile_.LoadLightConfig(config);

    const std::pair<uint32_t, size_t> cases[] = {{0, 1}, {1, 0}, {2, 0}, {7, 0}};
    for (const auto& [mode, steps] : cases) {
        profile_.SetLightSetting(mode, 0, 0);
        EXPECT_EQ(profile_.GetCustomEffect().size(), steps) << "mode " << mode;
    }
    profile_.SetLightSetting(0, 0, 0);
    const auto effect = profile_.GetCustomEffect();
    ASSERT_EQ(effect.size(), 1u);
    EXPECT_EQ(effect[0].red, 255);
    EXPECT_EQ(effect[0].time, 500);
    EXPECT_EQ(effect[0].cycle, 2);
}

}  // namespace
}  // namespace kelno
