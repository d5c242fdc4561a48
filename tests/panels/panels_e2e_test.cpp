// The panels in the real program: a lighting mode, the brightness slider, a
// typed colour component, a new and renamed profile and a profile switch,
// checked in the files and in the keyboard's settings memory.

#include "panels_e2e_fixture.h"

namespace kelno::test {
namespace {

TEST_F(PanelsEndToEnd, LightingAndProfilesReachTheKeyboardAndTheFiles) {
    LineClient app;
    LineClient emulator;
    ASSERT_TRUE(app.Connect((folder_ / "automation.sock").string(), 30s)) << Output();
    ASSERT_TRUE(emulator.Connect((folder_ / "emulator.sock").string(), 30s)) << Output();
    if (emulator.Ask("list").find("keyboard") == std::string::npos) {
        ASSERT_EQ(emulator.Ask("plug keyboard"), "ok");
    }
    // The keyboard's page first: until it shows, another kind's page (with
    // controls of the same names) may be the one on screen.
    ASSERT_EQ(app.Ask("wait-visible keyboard_device 30000"), "ok") << Output();
    const std::string modes = ShownRef(app, "light_combo_modeSelect");
    ASSERT_FALSE(modes.empty()) << Output();
    const std::string brightness = ShownRef(app, "deng_light_slider");
    const std::string green = ShownRef(app, "deng_edit_G");
    const std::string menu = ShownRef(app, "profile_fun_spread_btn");
    const std::string profiles = ShownRef(app, "device_profile_combo");
    const std::string nameEdit = ShownRef(app, "device_profile_name_edit");
    const std::string rename = ShownRef(app, "device_profile_edit_save_btn");
    // The initial synchronisation has written the profile's mode (1).
    AskUntil(emulator, "mem keyboard 0 25",
             [](const std::string& r) { return MemoryByte(r, 1) == 1; });
    Screenshot(app, "panels-e2e-start.png");

    // A lighting mode with the colour group.
    // The program writes to the device on its device worker: the memory is
    // asked until the write has come (or the hang guard ends).
    const auto memoryByte = [&](size_t index, int expected) {
        return MemoryByte(
            AskUntil(emulator, "mem keyboard 0 25",
                     [&](const std::string& r) { return MemoryByte(r, index) == expected; }),
            index);
    };
    ASSERT_EQ(app.Ask("select " + modes + " 14"), "ok") << app.Ask("find " + modes) << Output();
    EXPECT_EQ(memoryByte(1, 14), 14);

    // The brightness slider.
    ASSERT_EQ(app.Ask("set-value " + brightness + " 12"), "ok");
    EXPECT_EQ(memoryByte(2, 12), 12);

    // A colour component above 255 is clamped and the edit rewritten.
    ASSERT_EQ(app.Ask("type " + green + " 300"), "ok");
    EXPECT_EQ(memoryByte(7, 255), 255);
    EXPECT_NE(app.Ask("find " + green).find("text=255"), std::string::npos);
    Screenshot(app, "panels-e2e-lighting.png");

    // A new profile, and a new name for the first one.
    ASSERT_EQ(app.Ask("click " + menu), "ok");
    const std::string add = ShownRef(app, "device_add_btn");
    ASSERT_EQ(app.Ask("click " + add), "ok");
    ASSERT_EQ(List()["profilelist"].size(), 2u);
    EXPECT_EQ(List()["profilelist"][1]["profilename"].asString(), "profile2");
    ASSERT_EQ(app.Ask("type " + nameEdit + " X"), "ok");
    ASSERT_EQ(app.Ask("click " + rename), "ok");
    EXPECT_EQ(List()["profilelist"][0]["profilename"].asString(), "profile1X");
    const std::string firstUuid = List()["profilelist"][0]["profileUUID"].asString();
    const Json::Value first = ReadJsonFile(data_ / "keyboard" / (firstUuid + ".Json"));
    EXPECT_EQ(first["profilename"].asString(), "profile1X");
    EXPECT_EQ(first["Device"][0]["LightInfo"]["SelectItem"].asInt(), 14);
    EXPECT_EQ(first["Device"][0]["LightInfo"]["Light"].asInt(), 12);
    EXPECT_EQ(first["Device"][0]["LightInfo"]["Green"].asInt(), 255);
    Screenshot(app, "panels-e2e-profiles.png");

    // Switching to the new profile brings its default lighting back.
    ASSERT_EQ(app.Ask("select " + profiles + " 1"), "ok");
    const std::string memory = AskUntil(emulator, "mem keyboard 0 25",
                                        [](const std::string& r) { return MemoryByte(r, 1) == 1; });
    EXPECT_EQ(MemoryByte(memory, 1), 1) << memory;
    EXPECT_EQ(MemoryByte(memory, 2), 20) << memory;
    EXPECT_EQ(List()["profileselect"].asInt(), 1);
    EXPECT_NE(app.Ask("find " + modes).find("cursel=1"), std::string::npos);
    Screenshot(app, "panels-e2e-switched.png");
}

}  // namespace
}  // namespace kelno::test
