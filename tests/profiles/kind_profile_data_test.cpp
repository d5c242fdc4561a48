#include <gtest/gtest.h>

#include "core/json_file.h"
#include "profiles/headset_profile_data.h"
#include "profiles/keyboard_profile_data.h"
#include "profiles/mouse_profile_data.h"
#include "support/temp_folder.h"

namespace kelno {
namespace {

// Loads `json` as the profile of `profile` from a temp file.
template <typename Profile>
void LoadNode(Profile& profile, const test::TempFolder& folder, const std::string& json) {
    const auto path = folder.WriteFile("p.Json", json);
    profile.SetProfilePath(path);
    profile.Load(path);
}

TEST(KeyboardProfile, SystemStagesPackLow16BitsOfEachKey) {
    test::TempFolder folder;
    CKeyboardProfiledata profile;
    LoadNode(profile, folder, R"({"Device": [{"SystemStages": {"Repeat": 70000, "RepeatDelay": 2,
        "Key6Flag": 1, "PollingRate": 3, "WFlag": 0, "WinFlag": 1}}]})");
    const auto settings = profile.GetSystemStages();
    EXPECT_EQ(settings.words[0], 0x21170u);
    EXPECT_EQ(settings.words[1], 0x30001u);
    EXPECT_EQ(settings.words[2], 0x10000u);

    profile.SetSystemStages({{0x00050004, 0, 0xFFFF0001}});
    ASSERT_TRUE(profile.Save());
    const Json::Value stages = ReadJsonFile(profile.GetProfilePath())["Device"][0]["SystemStages"];
    EXPECT_EQ(stages["Repeat"].asInt(), 4);
    EXPECT_EQ(stages["RepeatDelay"].asInt(), 5);
    EXPECT_EQ(stages["WinFlag"].asInt(), 0xFFFF);
}

TEST(KeyboardProfile, NewCustomSetIsDarkWithTheLitByDefaultKeysWhite) {
    test::TempFolder folder;
    CKeyboardProfiledata profile;
    LoadNode(profile, folder, R"({"Device": [{}]})");

    const auto first = profile.GetCustomLightColours(0, 110);
    ASSERT_EQ(first.size(), 110u);
    for (const auto& colour : first) EXPECT_EQ(colour, KeyColour{});

    const auto second = profile.GetCustomLightColours(0, 110);
    for (int key = 0; key < 110; ++key) {
        const bool lit = std::find(CKeyboardProfiledata::kLitByDefaultKeys.begin(),
                                   CKeyboardProfiledata::kLitByDefaultKeys.end(),
                                   key) != CKeyboardProfiledata::kLitByDefaultKeys.end();
        EXPECT_EQ(second[static_cast<size_t>(key)],
                  lit ? (KeyColour{255, 255, 255, 255}) : KeyColour{}) << key;
    }
}

TEST(KeyboardProfile, GroupIndexesOutOfRangeAreNeverUsed) {
    test::TempFolder folder;
    CKeyboardProfiledata profile;
    LoadNode(profile, folder,
             R"({"Device": [{"CustomLightMode": {"CustomLightModeGroupIndex": 1000000000}}]})");
    EXPECT_EQ(profile.GetCustomLightGroup(), 0);
    for (int group : {-1, CKeyboardProfiledata::kMaxCustomLightGroups, 1000000000}) {
        EXPECT_TRUE(profile.GetCustomLightColours(group, 126).empty()) << group;
        profile.SetCustomLightColours({KeyColour{1, 2, 3, 4}}, group);
    }
    EXPECT_TRUE(profile.DeviceNode()["CustomLightMode"]["LightColorInfo"].isNull())
        << "no array was grown for a bogus group";

    profile.SetCustomLightGroup(2);
    profile.SetCustomLightColours({KeyColour{1, 2, 3, 4}}, 2);
    EXPECT_EQ(profile.GetCustomLightGroup(), 2);
    EXPECT_EQ(profile.GetCustomLightColours(2, 1), std::vector<KeyColour>{(KeyColour{1, 2, 3, 4})});
}

TEST(MouseProfile, DpiStagesComeFromTheCurrentProfileOnly) {
    test::TempFolder folder;
    CMouseProfiledata profile;
    const auto stagesJson = [](int count) {
        std::string json = R"({"Device": [{"DPIStages": {"StageActive": 1, "StageDPIs": [)";
        for (int i = 0; i < count; ++i)
            json += (i ? "," : "") + std::string(R"({"StageActive": 1, "StageDPIX": )") +
                    std::to_string(400 * (i + 1)) + R"(, "StageDPIY": 70000, "StageColorR": 255})";
        return json + "]}}]}";
    };
    LoadNode(profile, folder, stagesJson(6));
    EXPECT_EQ(profile.GetDpiStages().size(), 6u);
    LoadNode(profile, folder, stagesJson(4));
    const auto stages = profile.GetDpiStages();
    ASSERT_EQ(stages.size(), 4u);
    EXPECT_EQ(stages[3].dpiX, 1600);
    EXPECT_EQ(stages[3].dpiY, 70000 & 0xFFFF) << "truncated to 16 bits";
    EXPECT_EQ(profile.GetActiveStage(), 1);
    EXPECT_EQ(stages[0].Pack(), (std::array<uint8_t, 9>{1, 0, 0x90, 0x01, 0x70, 0x11, 255, 0, 0}));
}

TEST(MouseProfile, SystemStagesTakeTheReportRateFromReportStages) {
    test::TempFolder folder;
    CMouseProfiledata profile;
    LoadNode(profile, folder, R"({"Device": [{"SystemStages": {"DoubleClickTime": 500,
        "MouseSpeed": 10, "PointerPrecision": 1, "ScorllPage": 0, "WheelScorlllinse": 3}}]})");
    EXPECT_EQ(profile.GetSystemStages().words[2], 3u) << "no ReportStages: high half 0";

    profile.SetSystemStages({{500 | 10u << 16, 1, 3 | 2u << 16}});
    EXPECT_EQ(profile.DeviceNode()["ReportStages"]["StageActive"].asInt(), 2);
    EXPECT_EQ(profile.GetSystemStages().words[2], 3u | 2u << 16);
}

TEST(HeadsetProfile, PresetSlotsAndMissingCurves) {
    const std::pair<int, int> slots[] = {{0, 1}, {1, 1}, {5, 5}, {12, 12}, {13, -1},
                                         {14, 1}, {-3, 1}, {1000, 1}};
    for (const auto& [type, slot] : slots) EXPECT_EQ(CHs6533Profiledata::PresetSlot(type), slot) << type;

    test::TempFolder folder;
    CHs6533Profiledata profile;
    LoadNode(profile, folder, R"({"Device": [{}]})");
    EXPECT_EQ(profile.GetEqValues(0), std::vector<int>(10, 0));
    for (int band = 0; band < 10; ++band) {
        EXPECT_TRUE(profile.DeviceNode()["EQHzValueInfo"][1][band]["value"].isInt())
            << "a missing curve is stored whole, band " << band;
    }
    EXPECT_TRUE(profile.GetEqValues(13).empty());

    const std::vector<int> curve{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    profile.SetEqValues(14, curve);
    EXPECT_EQ(profile.GetEqValues(1), curve) << "type 14 writes slot 1";
    profile.SetEqValues(13, std::vector<int>(10, 99));
    EXPECT_EQ(profile.GetEqValues(0), curve) << "type 13 writes nothing";
}

TEST(HeadsetProfile, CustomCurvesAndNames) {
    test::TempFolder folder;
    CHs6533Profiledata profile;
    LoadNode(profile, folder, R"({"Device": [{"CustomEQNameInfo": [{"Name": "\u4e2d"}, {"Name": 3}],
        "SystemSetStages": {"EqType": 13, "CustomEqSeletIndex": 1, "MicInValue": "loud"}}]})");
    EXPECT_EQ(profile.GetCustomEqNames(), (std::vector<std::string>{"中", ""}));
    const auto settings = profile.GetSystemSet();
    EXPECT_EQ(settings.values[HeadsetSystemSettings::kEqType], 13);
    EXPECT_EQ(settings.values[HeadsetSystemSettings::kMicInValue], 0);

    const std::vector<int> curve(10, -4);
    profile.SetCustomEqValues(1, curve);
    EXPECT_EQ(profile.GetCustomEqValues(1), curve);
    EXPECT_TRUE(profile.GetCustomEqValues(20).empty());
    EXPECT_TRUE(profile.GetCustomEqValues(-1).empty());
    profile.SetCustomEqValues(1000000, curve);
    EXPECT_TRUE(profile.DeviceNode()["CustomEQHzValueInfo"].size() <= 20u);

    profile.SetCustomEqNames({"Bass", "Voice"});
    EXPECT_EQ(profile.GetCustomEqNames(), (std::vector<std::string>{"Bass", "Voice"}));
}

// Junk in the name list must take no place among the 20 curves and must
// not shift a name off its own curve.
TEST(HeadsetProfile, UnusableNameEntriesGoWithTheirCurves) {
    std::string twentyTwo;  // 22 names and a number between each
    std::vector<std::string> firstTwenty;
    for (int i = 0; i < 22; ++i) {
        twentyTwo += R"({"Name": "n)" + std::to_string(i) + R"("}, 0, )";
        if (i < 20) firstTwenty.push_back("n" + std::to_string(i));
    }
    struct Case {
        const char* what;
        std::string names;
        std::string curves;
        std::vector<std::string> expected;
        std::vector<int> lastCurve;  // the curve of the last name kept
    };
    const Case cases[] = {
        {"entries that are not objects",
         R"([{"Name": "A"}, 5, "x", {"Name": "B"}])",
         R"([[{"value": 1}], [{"value": 2}], [{"value": 3}], [{"value": 4}]])",
         {"A", "B"},
         {4, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"a list that is no array", R"("junk")", "[]", {}, {}},
        {"more than twenty", "[" + twentyTwo + "0]", "[]", firstTwenty, std::vector<int>(10, 0)},
    };
    for (const Case& c : cases) {
        test::TempFolder folder;
        CHs6533Profiledata profile;
        LoadNode(profile, folder,
                 R"({"Device": [{"CustomEQNameInfo": )" + c.names + R"(, "CustomEQHzValueInfo": )" +
                     c.curves + "}]}");
        const std::vector<std::string> names = profile.GetCustomEqNames();
        EXPECT_EQ(names, c.expected) << c.what;
        if (!names.empty()) {
            EXPECT_EQ(profile.GetCustomEqValues(static_cast<int>(names.size()) - 1), c.lastCurve)
                << c.what;
        }
    }
}

TEST(HeadsetProfile, ASaveOverJunkCurveListsKeepsTheFileAsBackup) {
    struct Case {
        const char* node;
        bool keptAside;
    };
    const Case cases[] = {
        {R"({"CustomEQNameInfo": [{"Name": "A"}, 7]})", true},
        {R"({"CustomEQNameInfo": {"Name": "A"}})", true},
        {R"({"CustomEQHzValueInfo": "junk"})", true},
        {R"({"CustomEQHzValueInfo": [[{"value": 1}, 2]]})", true},
        {R"({"CustomEQNameInfo": [{"Name": "A"}], "CustomEQHzValueInfo": [null, [{"value": 1}]]})",
         false},
        {"{}", false},
    };
    for (const Case& c : cases) {
        test::TempFolder folder;
        CHs6533Profiledata profile;
        const std::string stored = std::string(R"({"Device": [)") + c.node + "]}";
        LoadNode(profile, folder, stored);
        profile.GetCustomEqNames();
        profile.SetCustomEqNames({"A", "B"});
        profile.SetCustomEqValues(1, std::vector<int>(10, 5));
        ASSERT_TRUE(profile.Save()) << c.node;
        EXPECT_EQ(std::filesystem::exists(folder / "p.Json.bak"), c.keptAside) << c.node;
        if (c.keptAside) {
            EXPECT_EQ(folder.ReadFile("p.Json.bak"), stored) << c.node;
        }

        CHs6533Profiledata reloaded;
        LoadNode(reloaded, folder, folder.ReadFile("p.Json"));
        EXPECT_EQ(reloaded.GetCustomEqNames(), (std::vector<std::string>{"A", "B"})) << c.node;
        EXPECT_EQ(reloaded.GetCustomEqValues(1), std::vector<int>(10, 5)) << c.node;
    }
}

TEST(HeadsetProfile, RemovingACurveTakesItsGainsWithItsName) {
    test::TempFolder folder;
    CHs6533Profiledata profile;
    LoadNode(profile, folder, R"({"Device": [{}]})");
    profile.SetCustomEqNames({"Bass", "Voice", "Flat"});
    for (int i = 0; i < 3; ++i) profile.SetCustomEqValues(i, std::vector<int>(10, i + 1));

    EXPECT_FALSE(profile.RemoveCustomEq(3));
    EXPECT_FALSE(profile.RemoveCustomEq(-1));
    ASSERT_TRUE(profile.RemoveCustomEq(1));
    EXPECT_EQ(profile.GetCustomEqNames(), (std::vector<std::string>{"Bass", "Flat"}));
    EXPECT_EQ(profile.GetCustomEqValues(1), std::vector<int>(10, 3)) << "Flat keeps its own curve";
    EXPECT_EQ(profile.DeviceNode()["CustomEQHzValueInfo"].size(), 2u);
}

}  // namespace
}  // namespace kelno
