// The panels in the real program: a lighting mode, the brightness slider, a
// typed colour component, a new and renamed profile and a profile switch,
// checked in the files and in the keyboard's settings memory; then data
// folders the program cannot write or read as usual.

#include <sys/stat.h>

#include <fstream>

#include "panels_e2e_fixture.h"

namespace kelno::test {
namespace {

TEST_F(PanelsEndToEnd, LightingAndProfilesReachTheKeyboardAndTheFiles) {
    LineClient app;
    LineClient emulator;
    const std::string modes = OpenKeyboardPage(app, emulator);
    ASSERT_FALSE(modes.empty()) << Output();
    const std::string brightness = ShownRef(app, "deng_light_slider");
    const std::string green = ShownRef(app, "deng_edit_G");
    const std::string menu = ShownRef(app, "profile_fun_spread_btn");
    const std::string profiles = ShownRef(app, "device_profile_combo");
    const std::string nameEdit = ShownRef(app, "device_profile_name_edit");
    const std::string rename = ShownRef(app, "device_profile_edit_save_btn");
    WaitForFirstSync(emulator);
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
    // Stored once the keyboard's answer came back.
    Eventually([&] {
        const Json::Value list = List();
        const Json::Value profile = ReadJsonFile(
            data_ / "keyboard" / (list["profilelist"][0]["profileUUID"].asString() + ".Json"));
        return profile["Device"][0]["LightInfo"]["Green"].asInt() == 255;
    });
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

// Root writes whatever the modes say, so the keyboard's data folder is
// made unwritable by a plain file in its place: the start says the profile
// is kept in memory only, and a lighting change says it was not saved.
class PanelsOnAnUnwritableFolder : public PanelsEndToEnd {
  protected:
    void PrepareData() override { std::ofstream(data_ / "keyboard") << "not a folder"; }
};

TEST_F(PanelsOnAnUnwritableFolder, TheWindowAnswersAndAFailedSaveIsReported) {
    LineClient app;
    LineClient emulator;
    const std::string modes = OpenKeyboardPage(app, emulator);
    ASSERT_FALSE(modes.empty()) << Output();
    // The profile cannot be read or made: said once the page has loaded.
    ASSERT_EQ(app.Ask("wait-visible MessageText 30000"), "ok") << Output();
    EXPECT_NE(app.Ask("find MessageText").find("could not be read"), std::string::npos)
        << app.Ask("find MessageText");
    ASSERT_EQ(app.Ask("click confirm_btn"), "ok");
    // The initial synchronisation shows the default profile's mode (1).
    const std::string shown = AskUntil(app, "find " + modes, [](const std::string& r) {
        return r.find("cursel=1") != std::string::npos;
    });
    ASSERT_NE(shown.find("cursel=1"), std::string::npos) << shown;
    const int sent = MemoryByte(emulator.Ask("mem keyboard 0 25"), 1);
    ASSERT_EQ(app.Ask("select " + modes + " 14"), "ok") << Output();
    // The message box is up within a second: the window is not held by the
    // failed write.
    ASSERT_EQ(app.Ask("wait-visible MessageText 1000"), "ok") << Output();
    EXPECT_NE(app.Ask("find MessageText").find("could not be saved"), std::string::npos)
        << app.Ask("find MessageText");
    Screenshot(app, "panels-e2e-save-failed.png");
    ASSERT_EQ(app.Ask("click confirm_btn"), "ok");

    EXPECT_EQ(MemoryByte(emulator.Ask("mem keyboard 0 25"), 1), sent) << "the change is not sent";
    EXPECT_EQ(app.Ask("find " + modes), shown) << "the panel shows the mode it had";
    EXPECT_TRUE(fs::is_regular_file(data_ / "keyboard")) << "left as it was";
}

// A FIFO in the profile list's place: read without blocking, kept as the
// backup and replaced by a rebuilt list.
class PanelsWithAFifoProfileList : public PanelsEndToEnd {
  protected:
    void PrepareData() override {
        fs::create_directories(data_ / "keyboard");
        ASSERT_EQ(mkfifo((data_ / "keyboard" / "ProfileList.ini").c_str(), 0600), 0);
    }
};

TEST_F(PanelsWithAFifoProfileList, TheWindowAnswersAndTheListIsRebuilt) {
    LineClient app;
    ASSERT_TRUE(app.Connect((folder_ / "automation.sock").string(), 30s)) << Output();
    ASSERT_EQ(app.Ask("wait-visible keyboard_device 30000"), "ok") << Output();
    const std::string profiles = ShownRef(app, "device_profile_combo");
    ASSERT_FALSE(profiles.empty()) << Output();
    EXPECT_EQ(app.Ask("wait-visible " + profiles + " 1000"), "ok");
    EXPECT_EQ(List()["profilelist"].size(), 1u);
    const fs::path backup = data_ / "keyboard" / "ProfileList.ini.bak";
    EXPECT_TRUE(fs::is_fifo(backup)) << "the FIFO is kept as the backup";
}

}  // namespace
}  // namespace kelno::test
