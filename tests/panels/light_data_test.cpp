#include "panels/light_data.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/json_file.h"

#include "support/temp_folder.h"

namespace kelno {
namespace {

TEST(TypedComponent, ClampsAndSaysWhatTheEditShows) {
    struct Case {
        const char* typed;
        int value;
        const char* shown;
    };
    const Case cases[] = {
        {"0", 0, "0"},
        {"255", 255, "255"},
        {"256", 255, "255"},
        {"300", 255, "255"},
        {"", 0, "0"},
        {"  ", 0, "0"},
        {"-1", 0, "0"},
        {"-300", 0, "0"},
        {" 42 ", 42, "42"},
        {"007", 7, "7"},
        {"12abc", 0, "0"},
        {"abc", 0, "0"},
        {"99999999999999999999", 255, "255"},
        {"-99999999999999999999", 0, "0"},
        {"1e3", 0, "0"},
        {"+5", 0, "0"},
    };
    for (const Case& c : cases) {
        const TypedComponent typed = ReadTypedComponent(c.typed);
        EXPECT_EQ(typed.value, c.value) << '"' << c.typed << '"';
        EXPECT_EQ(typed.text, c.shown) << '"' << c.typed << '"';
    }
}

TEST(PaletteColour, PacksWithOpaqueAlphaAndUnpacks) {
    EXPECT_EQ(PaletteColour(0x12, 0x34, 0x56), 0xFF123456u);
    EXPECT_EQ(ComponentsOf(0x80ABCDEFu), (ColourComponents{0xAB, 0xCD, 0xEF}));
}

TEST(LightModeNames, ReadsTheKindsRowAndToleratesDamage) {
    test::TempFolder temp;
    const auto file = temp.WriteFile("default_light.json", R"({"DefaultLightName": [
        [{"LightName": "a", "visible": true}, {"LightName": "b", "visible": false}],
        [{"LightName": "m"}, 7, {"visible": "yes"}]]})");
    const std::vector<LightModeName> keyboard = ReadLightModeNames(file, 0);
    ASSERT_EQ(keyboard.size(), 2u);
    EXPECT_EQ(keyboard[0].name, "a");
    EXPECT_FALSE(keyboard[1].visible);
    const std::vector<LightModeName> mouse = ReadLightModeNames(file, 1);
    ASSERT_EQ(mouse.size(), 3u);  // entries of the wrong type read as empty and hidden
    EXPECT_EQ(mouse[1].name, "");
    EXPECT_TRUE(ReadLightModeNames(file, 2).empty());
    EXPECT_TRUE(ReadLightModeNames(file, -1).empty());
    EXPECT_TRUE(ReadLightModeNames(temp / "missing.json", 0).empty());
    EXPECT_TRUE(ReadLightModeNames(temp.WriteFile("bad.json", "{["), 0).empty());
    ASSERT_EQ(::mkfifo((temp / "fifo.json").c_str(), 0600), 0);
    EXPECT_TRUE(ReadLightModeNames(temp / "fifo.json", 0).empty()) << "and it must not block";
    EXPECT_TRUE(ReadCustomLightNames(temp / "fifo.json", 0).empty());
}

TEST(LightModeNames, HugeTablesAreBounded) {
    Json::Value root;
    for (int i = 0; i < 5000; ++i) {
        root["DefaultLightName"][0][i]["LightName"] = "m" + std::to_string(i);
        root["LightInfo"][0][i]["LightName"] = "c" + std::to_string(i);
    }
    test::TempFolder temp;
    ASSERT_EQ(WriteJsonFile(temp / "big.json", root), 0);
    EXPECT_EQ(ReadLightModeNames(temp / "big.json", 0).size(), size_t{kMaxLightModes});
    EXPECT_EQ(ReadCustomLightNames(temp / "big.json", 0).size(), size_t{kMaxLightModes});
}

TEST(LightModeNames, TableRowAndMaximaPerKind) {
    EXPECT_EQ(LightTableIndexForKind(1), 0);
    EXPECT_EQ(LightTableIndexForKind(6), 1);
    EXPECT_EQ(LightTableIndexForKind(7), 3);
    EXPECT_EQ(LightTableIndexForKind(5), -1);
    EXPECT_EQ(LightMaximaForKind(1).brightness, 24);
    EXPECT_EQ(LightMaximaForKind(3).speed, 4);
}

}  // namespace
}  // namespace kelno
