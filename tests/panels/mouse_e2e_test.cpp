// The mouse pages on the real program under Xvfb, driven through the
// automation socket and the emulator's control socket: DPI and report rate
// reach the mouse's memory, a change made on the mouse comes back into the
// profile, the program's light frames reach a wired mouse, the pointer
// speed reaches the X server, and a wireless mouse whose link is down gets
// only link probes while the window says the change did not reach it.

#include <sstream>
#include <vector>

#include "panels_e2e_fixture.h"
#include "support/command_run.h"
#include "support/eventually.h"

namespace kelno::test {
namespace {

class MouseEndToEnd : public PanelsEndToEnd {
  protected:
    std::string DemoOption() const override { return "--demo=" + Kind(); }
    virtual std::string Kind() const { return "mouse"; }

    void OpenMousePage(LineClient& app, LineClient& emulator) {
        ASSERT_TRUE(app.Connect((folder_ / "automation.sock").string(), 30s)) << Output();
        ASSERT_TRUE(emulator.Connect((folder_ / "emulator.sock").string(), 30s)) << Output();
        // The wired and the wireless mouse each have a page of that name.
        ASSERT_FALSE(ShownRef(app, "mouse_device").empty()) << Output();
        // The first synchronisation reads the key map (command 07) in a
        // group that is closed again.
        const std::string codes = AskUntil(emulator, "codes " + Kind(), [](const std::string& r) {
            const auto words = Words(r);
            return std::find(words.begin(), words.end(), "07") != words.end();
        });
        ASSERT_NE(Words(codes).size(), 1u) << codes << "\n" << Output();
        ASSERT_EQ(AskUntil(emulator, "group " + Kind(),
                           [](const std::string& r) { return r == "ok 0"; }),
                  "ok 0");
    }
    // Shows the mouse page's setting tab n (0 lighting, 1 keys, 2 DPI, 3 recoil).
    void ShowSettingTab(LineClient& app, int n) {
        ASSERT_EQ(app.Ask("click " + ShownRef(app, "mouse_device_seting_option_" +
                                                       std::to_string(n))),
                  "ok")
            << Output();
    }
    // Drags a slider towards `value`; the value it reached (a drag moves
    // in whole pixels, so a wide range may skip the exact value).
    int SlideTo(LineClient& app, const std::string& name, int value) {
        const std::string ref = ShownRef(app, name);
        const std::string reply = app.Ask("set-value " + ref + " " + std::to_string(value));
        if (reply == "ok") return value;
        const std::string stopped = "err slider stopped at ";
        EXPECT_TRUE(reply.starts_with(stopped)) << reply << "\n" << Output();
        return reply.starts_with(stopped) ? std::stoi(reply.substr(stopped.size())) : -1;
    }
    std::string Memory(LineClient& emulator, size_t length = 66) {
        return emulator.Ask("mem " + Kind() + " 0 " + std::to_string(length));
    }
    Json::Value MouseProfile() const {
        const Json::Value list = ReadJsonFile(data_ / "mouse" / "ProfileList.ini");
        const int selected = list["profileselect"].asInt();
        const std::string uuid = list["profilelist"][selected]["profileUUID"].asString();
        return ReadJsonFile(data_ / "mouse" / (uuid + ".Json"));
    }
};

TEST_F(MouseEndToEnd, DpiAndReportRateReachTheMouse) {
    LineClient app, emulator;
    OpenMousePage(app, emulator);
    ShowSettingTab(app, 2);
    const int steps = SlideTo(app, "DPI_slider_1", 100);
    ASSERT_GT(steps, 0);
    const size_t stage1X = 14 + 9 + 2;
    const std::string memory = AskUntil(emulator, "mem mouse 0 66", [&](const std::string& r) {
        return MemoryByte(r, stage1X) == (steps & 0xFF);
    });
    EXPECT_EQ(MemoryByte(memory, stage1X), steps & 0xFF) << memory;
    EXPECT_EQ(MemoryByte(memory, stage1X + 1), steps >> 8) << memory;
    EXPECT_EQ(MemoryByte(memory, stage1X + 2), steps & 0xFF) << "Y follows X";

    ASSERT_EQ(app.Ask("click " + ShownRef(app, "polling_rate_option_1")), "ok");
    EXPECT_EQ(MemoryByte(AskUntil(emulator, "mem mouse 0 66",
                                  [](const std::string& r) { return MemoryByte(r, 11) == 1; }),
                         11),
              1);
    // Stored once the mouse's answer came back.
    Eventually([&] {
        return MouseProfile()["Device"][0]["ReportStages"]["StageActive"].asInt() == 1;
    });
    EXPECT_EQ(MouseProfile()["Device"][0]["ReportStages"]["StageActive"].asInt(), 1);
    EXPECT_EQ(
        MouseProfile()["Device"][0]["DPIStages"]["StageDPIs"][1]["StageDPIX"].asInt(), steps);

    // Stage 5 switched off: its active flag leaves the mouse's memory.
    const size_t stage4Active = 14 + 9 * 4;
    ASSERT_EQ(MemoryByte(Memory(emulator), stage4Active), 1);
    ASSERT_EQ(app.Ask("click " + ShownRef(app, "DPI_enable_check_4")), "ok");
    EXPECT_EQ(MemoryByte(AskUntil(emulator, "mem mouse 0 66",
                                  [&](const std::string& r) {
                                      return MemoryByte(r, stage4Active) == 0;
                                  }),
                         stage4Active),
              0);
    Screenshot(app, "mouse-dpi.png");
}

TEST_F(MouseEndToEnd, AChangeMadeOnTheMouseComesBackIntoTheProfileAndItsFrames) {
    LineClient app, emulator;
    OpenMousePage(app, emulator);
    // The default profile animates a wave: frames of 6 LEDs keep coming.
    const std::string frame = AskUntil(emulator, "frame mouse",
                                       [](const std::string& r) { return Words(r).size() == 19; });
    ASSERT_EQ(Words(frame).size(), 19u) << frame << "\n" << Output();

    // The mouse switches itself to a steady blue at full brightness.
    ASSERT_EQ(emulator.Ask("poke mouse 1 03 04 05 00 00 00 00 ff"), "ok");
    const auto steadyBlue = [](const std::string& r) {
        const auto words = Words(r);
        if (words.size() != 19) return false;
        for (size_t led = 0; led < 6; ++led)
            if (words[1 + 3 * led] != "00" || words[2 + 3 * led] != "00" ||
                words[3 + 3 * led] == "00")
                return false;
        return true;
    };
    EXPECT_TRUE(steadyBlue(AskUntil(emulator, "frame mouse", steadyBlue))) << Output();
    const auto light = [&] { return MouseProfile()["Device"][0]["LightInfo"]; };
    Eventually([&] { return light()["SelectItem"].asInt() == 3; });
    EXPECT_EQ(light()["SelectItem"].asInt(), 3);
    EXPECT_EQ(light()["Blue"].asInt(), 255);
}

TEST_F(MouseEndToEnd, ThePointerSpeedReachesTheXServer) {
    LineClient app, emulator;
    OpenMousePage(app, emulator);
    ASSERT_EQ(app.Ask("click " + ShownRef(app, "cursor_Op_tab")), "ok") << Output();
    ASSERT_EQ(app.Ask("set-value " + ShownRef(app, "pointer_speed_slider") + " 6"), "ok");
    // Slider 6 is speed 14; with precision on the pointer accelerates 14/10.
    CommandRun run;
    Eventually([&] {
        run = RunCommand("DISPLAY=" + display_.Name() + " xset q 2>&1");
        return run.output.find("acceleration:  14/10") != std::string::npos;
    });
    EXPECT_NE(run.output.find("acceleration:  14/10"), std::string::npos) << run.output;
    Eventually(
        [&] { return MouseProfile()["Device"][0]["SystemStages"]["MouseSpeed"].asInt() == 6; });
    EXPECT_EQ(MouseProfile()["Device"][0]["SystemStages"]["MouseSpeed"].asInt(), 6);

    // The desktop setting, read back from the test's own settings file:
    // speed 14 of 1..20 is 0.4 on the desktop's -1..1 scale.
    const CommandRun desktop = RunCommand(
        "GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME=" + (folder_ / "config").string() +
        " gsettings get org.gnome.desktop.peripherals.mouse speed 2>&1");
    EXPECT_EQ(desktop.output.substr(0, 3), "0.4") << desktop.output;
}

TEST_F(MouseEndToEnd, ARecoilEditLandsInItsShotFile) {
    LineClient app, emulator;
    OpenMousePage(app, emulator);
    ShowSettingTab(app, 3);
    ASSERT_EQ(app.Ask("click " + ShownRef(app, "bullet_op_2")), "ok") << Output();
    const std::string edit = ShownRef(app, "bullet_y_eidt");
    ASSERT_FALSE(edit.empty()) << Output();
    ASSERT_EQ(app.Ask("type " + edit + " 1"), "ok");  // appended, then the focus leaves
    const std::string shown = app.Ask("find " + edit);
    const size_t text = shown.find(" text=");
    ASSERT_NE(text, std::string::npos) << shown;
    const int typed = std::stoi(shown.substr(text + 6));
    const Json::Value shots = ReadJsonFile(data_ / "mouse" / "ShootData_0.Shoot");
    // Shot 2 owns events 8 to 11; the fourth is the vertical move.
    EXPECT_EQ(shots["Events"][11]["Button"].asInt(), typed) << shown;
    EXPECT_EQ(shots["Events"][11]["Type"].asInt(), 5);
}

class WirelessMouseEndToEnd : public MouseEndToEnd {
  protected:
    std::string Kind() const override { return "wmouse"; }
};

TEST_F(WirelessMouseEndToEnd, ASleepingMouseGetsOnlyProbesAndTheWindowSaysSo) {
    LineClient app, emulator;
    OpenMousePage(app, emulator);
    EXPECT_EQ(emulator.Ask("frame wmouse"), "ok") << "no light frames over the air";
    ShowSettingTab(app, 2);
    const std::string before = Memory(emulator);
    ASSERT_EQ(emulator.Ask("link wmouse down"), "ok");
    ASSERT_EQ(emulator.Ask("clear wmouse"), "ok");

    ASSERT_GT(SlideTo(app, "DPI_slider_0", 20), 0);
    const std::string notice = AskUntil(app, "find device_write_notice", [](const std::string& r) {
        return r.find(" visible=1 ") != std::string::npos;
    });
    EXPECT_NE(notice.find(" visible=1 "), std::string::npos) << notice << "\n" << Output();
    const auto codes = Words(emulator.Ask("codes wmouse"));
    ASSERT_GT(codes.size(), 1u);
    for (size_t i = 1; i < codes.size(); ++i) EXPECT_EQ(codes[i], "aa") << "only link probes";
    EXPECT_EQ(emulator.Ask("group wmouse"), "ok 0");
    EXPECT_EQ(Memory(emulator), before);
    EXPECT_EQ(app.Ask("find " + ShownRef(app, "polling_rate_option_0")).substr(0, 2), "ok")
        << "the window keeps answering";
    Screenshot(app, "wireless-mouse-asleep.png");

    // Awake again: the next change goes through and the notice goes.
    ASSERT_EQ(emulator.Ask("link wmouse up"), "ok");
    const int steps = SlideTo(app, "DPI_slider_0", 60);
    ASSERT_GT(steps, 0);
    const std::string memory = AskUntil(emulator, "mem wmouse 0 66", [&](const std::string& r) {
        return MemoryByte(r, 14 + 2) == (steps & 0xFF);
    });
    EXPECT_EQ(MemoryByte(memory, 14 + 2), steps & 0xFF) << memory;
    EXPECT_NE(AskUntil(app, "find device_write_notice",
                       [](const std::string& r) {
                           return r.find(" visible=0 ") != std::string::npos;
                       })
                  .find(" visible=0 "),
              std::string::npos);
}

// The receiver stops answering (its link probe times out) and the user
// switches to another profile: the window shows the new profile and says
// it did not reach the mouse.
TEST_F(WirelessMouseEndToEnd, AProfileSwitchThatTimesOutSaysItDidNotReachTheMouse) {
    LineClient app, emulator;
    OpenMousePage(app, emulator);
    const std::string menu = ShownRef(app, "profile_fun_spread_btn");
    ASSERT_EQ(app.Ask("click " + menu), "ok");
    ASSERT_EQ(app.Ask("click " + ShownRef(app, "device_add_btn")), "ok");
    const std::string profiles = ShownRef(app, "device_profile_combo");
    ASSERT_FALSE(profiles.empty()) << Output();
    ASSERT_EQ(AskUntil(emulator, "group wmouse", [](const std::string& r) { return r == "ok 0"; }),
              "ok 0");
    EXPECT_NE(AskUntil(app, "find device_write_notice",
                       [](const std::string& r) {
                           return r.find(" visible=0 ") != std::string::npos;
                       })
                  .find(" visible=0 "),
              std::string::npos);
    const std::string before = Memory(emulator);

    // The other profile than the one shown.
    const std::string other =
        app.Ask("find " + profiles).find("cursel=0") != std::string::npos ? "1" : "0";
    ASSERT_EQ(emulator.Ask("fault wmouse timeout 1000"), "ok");
    ASSERT_EQ(app.Ask("select " + profiles + " " + other), "ok") << app.Ask("find " + profiles);
    // Each unanswered probe costs the receiver's time-out twice over (10 s),
    // and a power reading may be running ahead of the switch: a longer
    // hang guard than AskUntil's.
    std::string notice;
    Eventually(
        [&] {
            notice = app.Ask("find device_write_notice");
            return notice.find(" visible=1 ") != std::string::npos;
        },
        {}, 60s, 100ms);
    EXPECT_NE(notice.find(" visible=1 "), std::string::npos) << notice << "\n" << Output();
    EXPECT_NE(app.Ask("find " + profiles).find("cursel=" + other), std::string::npos);
    ASSERT_EQ(emulator.Ask("fault wmouse none"), "ok");
    EXPECT_EQ(Memory(emulator), before) << "nothing was written";
}

TEST_F(WirelessMouseEndToEnd, APowerAnswerShowsItsPercentage) {
    LineClient app, emulator;
    OpenMousePage(app, emulator);
    // The level first (75 %), not charging.
    ASSERT_EQ(emulator.Ask("power wmouse 4b 00 00 00 00 00"), "ok");
    const std::string value = ShownRef(app, "device_power_value");
    ASSERT_FALSE(value.empty()) << Output();
    // The page asks every 5 s.
    const std::string shown = AskUntil(app, "find " + value, [](const std::string& r) {
        return r.ends_with(" text=75%");
    });
    EXPECT_TRUE(shown.ends_with(" text=75%")) << shown << "\n" << Output();
}

}  // namespace
}  // namespace kelno::test
