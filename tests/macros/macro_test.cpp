#include <gtest/gtest.h>
#include <sys/stat.h>

#include "core/json_file.h"
#include "macros/macro_event.h"
#include "macros/macro_library.h"
#include "support/temp_folder.h"

namespace kelno {
namespace {

TEST(MacroEvent, CompactFormTable) {
    struct Case {
        const char* event;
        std::array<uint8_t, 4> compact;
    };
    const Case cases[] = {
        {R"({"Type": 10, "Button": 4, "Action": "down", "Delay": "120"})",
         {0x78, 0x00, 0x8A, 0x04}},
        {R"({"Type": 1, "Button": 2, "Action": "up", "Delay": 0})", {0x00, 0x00, 0x01, 0x02}},
        {R"({"Type": 4, "Button": 10, "Action": "down", "Delay": "300"})",
         {0x2C, 0x01, 0x84, 0x0A}},
        {R"({"Type": 9, "Button": 2, "Action": "DOWN", "Delay": "1"})", {0x01, 0x00, 0x09, 0x02}},
        // Delays clamp to 0..65535 instead of wrapping.
        {R"({"Type": 10, "Button": 4, "Action": "up", "Delay": "70000"})",
         {0xFF, 0xFF, 0x0A, 0x04}},
        {R"({"Type": 10, "Button": 4, "Action": "up", "Delay": 1e12})", {0xFF, 0xFF, 0x0A, 0x04}},
        {R"({"Type": 10, "Button": 4, "Action": "up", "Delay": 1e300})", {0x00, 0x00, 0x0A, 0x04}},
        {R"({"Type": 10, "Button": 4, "Action": "up", "Delay": 99999999})",
         {0xFF, 0xFF, 0x0A, 0x04}},
        {R"({"Type": 10, "Button": 4, "Action": "up", "Delay": "-5"})", {0x00, 0x00, 0x0A, 0x04}},
        {R"({"Type": 10, "Button": 4, "Action": "up", "Delay": "12ms"})", {0x0C, 0x00, 0x0A, 0x04}},
        {R"({"Type": 10, "Button": 4, "Action": "up", "Delay": "soon"})", {0x00, 0x00, 0x0A, 0x04}},
        {R"({"Type": 300, "Button": 260})", {0x00, 0x00, 0x2C, 0x04}},
        {R"("not an object")", {0x00, 0x00, 0x00, 0x00}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MacroEventToCompact(ParseJsonText(c.event)), c.compact) << c.event;
}

TEST(MacroEvent, JsonRoundTripWritesDelayAsText) {
    const MacroEvent event{10, 4, true, 65535};
    const Json::Value json = event.ToJson();
    EXPECT_EQ(json["Delay"].asString(), "65535");
    EXPECT_EQ(json["Action"].asString(), "down");
    EXPECT_EQ(MacroEvent::FromJson(json), event);
}

TEST(MacroLibrary, ReadsIndexAndEventsAndNeverOpensNonBareGuids) {
    test::TempFolder folder;
    folder.WriteFile("macro.config", R"({"MacroInfo": [
        {"MacroName": "Combo", "Guid": "2023_01_01_00_00_00_001"},
        {"MacroName": "\u4e2d", "Guid": "../escape"},
        {"MacroName": 5}]})");
    folder.WriteFile("2023_01_01_00_00_00_001.mac",
                     R"({"Events": [{"Type": 10, "Button": 4, "Action": "down", "Delay": "5"},
                                    {"Type": 10, "Button": 4, "Action": "up", "Delay": 0}]})");
    folder.WriteFile("../escape.mac", R"({"Events": [{"Type": 1}]})");

    const MacroLibrary library(folder.Path());
    const auto index = library.ReadIndex();
    ASSERT_EQ(index.size(), 3u);
    EXPECT_EQ(library.ReadNames(), (std::vector<std::string>{"Combo", "中", ""}));
    EXPECT_EQ(library.ReadEvents(index[0].guid),
              (std::vector<MacroEvent>{{10, 4, true, 5}, {10, 4, false, 0}}));
    EXPECT_TRUE(library.ReadEvents(index[1].guid).empty());
    EXPECT_TRUE(library.ReadEvents("missing").empty());
}

TEST(MacroLibrary, FifosInPlaceOfItsFilesReadAsEmptyWithoutBlocking) {
    test::TempFolder folder;
    for (const char* name : {"macro.config", "2023_01_01_00_00_00_001.mac"})
        ASSERT_EQ(::mkfifo((folder / name).c_str(), 0600), 0) << name;
    const MacroLibrary library(folder.Path());
    EXPECT_TRUE(library.ReadIndex().empty());
    EXPECT_TRUE(library.ReadEvents("2023_01_01_00_00_00_001").empty());
}

TEST(MacroLibrary, DamagedOrOversizedFilesAreBounded) {
    test::TempFolder folder;
    folder.WriteFile("macro.config", "{broken");
    EXPECT_TRUE(MacroLibrary(folder.Path()).ReadIndex().empty());

    Json::Value index;
    for (int i = 0; i < 80; ++i) index["MacroInfo"][i]["MacroName"] = "m" + std::to_string(i);
    ASSERT_EQ(WriteJsonFile(folder / "macro.config", index), 0);
    EXPECT_EQ(MacroLibrary(folder.Path()).ReadIndex().size(),
              size_t{MacroLimits::kMacrosPerDevice});

    Json::Value macro;
    for (int i = 0; i < 2500; ++i) macro["Events"][i]["Type"] = 10;
    ASSERT_EQ(WriteJsonFile(folder / "big.mac", macro), 0);
    EXPECT_EQ(MacroLibrary(folder.Path()).ReadEvents("big").size(),
              size_t{MacroLimits::kEventsPerMacro});
}

// What goes into a device's image: the whole library, or word that the
// files hold more than a device plays (never a silently shortened image).
TEST(MacroLibrary, ContentsSayWhenTheFilesGoBeyondTheLimits) {
    const auto library = [](int macros, int eventsOfFirst) {
        test::TempFolder folder;
        Json::Value index;
        for (int i = 0; i < macros; ++i) {
            index["MacroInfo"][i]["MacroName"] = "m" + std::to_string(i);
            index["MacroInfo"][i]["Guid"] = "g" + std::to_string(i);
        }
        EXPECT_EQ(WriteJsonFile(folder / "macro.config", index), 0);
        Json::Value macro;
        macro["Events"] = Json::Value(Json::arrayValue);
        for (int e = 0; e < eventsOfFirst; ++e) macro["Events"][e]["Type"] = 10;
        EXPECT_EQ(WriteJsonFile(folder / "g0.mac", macro), 0);
        return MacroLibrary(folder.Path()).ReadContents();
    };
    struct Case {
        int macros, eventsOfFirst;
        bool beyond;
        size_t macrosRead, eventsRead;
    };
    const Case cases[] = {
        {3, 7, false, 3, 7},
        {50, 2000, false, 50, 2000},
        {51, 1, true, 50, 1},
        {2, 2001, true, 2, 2000},
    };
    for (const Case& c : cases) {
        const MacroLibraryContents contents = library(c.macros, c.eventsOfFirst);
        EXPECT_EQ(contents.beyondLimits, c.beyond) << c.macros << " " << c.eventsOfFirst;
        ASSERT_EQ(contents.macros.size(), c.macrosRead);
        EXPECT_EQ(contents.macros[0].size(), c.eventsRead);
    }
}

}  // namespace
}  // namespace kelno
