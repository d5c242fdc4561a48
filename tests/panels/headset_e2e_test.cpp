// The headset on the real program under Xvfb, driven through the
// automation socket, the emulator's control socket (its audio library
// too) and real typing through XTEST: the LED output reports of a steady
// colour, a preset's gains, a band that leaves the preset, a refused
// microphone write that changes nothing, a custom curve named from the
// keyboard, a headset plugged after the start, and one unplugged while the
// program keeps answering.

#include <vector>

#include "panels_e2e_fixture.h"
#include "support/command_run.h"

namespace kelno::test {
namespace {

// The last reports of a "leds" reply ("ok <count> <report>;<report>...").
struct LedReply {
    uint64_t count = 0;
    std::vector<std::vector<std::string>> reports;  // each report's hex bytes
};

LedReply ParseLeds(const std::string& reply) {
    LedReply parsed;
    std::istringstream in(reply);
    std::string ok;
    in >> ok >> parsed.count;
    std::string rest;
    std::getline(in, rest);
    std::istringstream list(rest);
    for (std::string report; std::getline(list, report, ';');) parsed.reports.push_back(Words(report));
    return parsed;
}

class HeadsetEndToEnd : public PanelsEndToEnd {
  protected:
    std::string DemoOption() const override { return "--demo=headset"; }

    void Connect(LineClient& app, LineClient& emulator) {
        ASSERT_TRUE(app.Connect((folder_ / "automation.sock").string(), 30s)) << Output();
        ASSERT_TRUE(emulator.Connect((folder_ / "emulator.sock").string(), 30s)) << Output();
    }
    // Waits for the headset's first synchronisation: its LED reports flow.
    void WaitForHeadset(LineClient& emulator) {
        const std::string leds = AskUntil(emulator, "leds headset", [](const std::string& r) {
            return ParseLeds(r).count >= 24;
        });
        ASSERT_GE(ParseLeds(leds).count, 24u) << leds << "\n" << Output();
    }
    void ShowEqualiser(LineClient& app) {
        ASSERT_EQ(app.Ask("click " + ShownRef(app, "6533_voice_Op_tab")), "ok") << Output();
        ASSERT_FALSE(ShownRef(app, "6533_eq_option_1").empty()) << Output();
    }
    std::vector<std::string> AudioWrites(LineClient& emulator) {
        std::vector<std::string> writes;
        std::istringstream log(emulator.Ask("audio log").substr(2));
        for (std::string entry; std::getline(log, entry, ';');) {
            while (!entry.empty() && entry.front() == ' ') entry.erase(0, 1);
            if (entry.starts_with("write ")) writes.push_back(entry);
        }
        return writes;
    }
    Json::Value HeadsetProfile() const {
        const Json::Value list = ReadJsonFile(data_ / "HD" / "ProfileList.ini");
        const int selected = list["profileselect"].asInt();
        const std::string uuid = list["profilelist"][selected]["profileUUID"].asString();
        return ReadJsonFile(data_ / "HD" / (uuid + ".Json"));
    }
    // The headset page's one audio notice.
    bool NoticeHidden(LineClient& app) {
        const std::string found = app.Ask("find headset_audio_notice");
        EXPECT_TRUE(found.starts_with("ok ")) << found;
        return found.find(" visible=0 ") != std::string::npos;
    }
    // Real typing through the X server (XTEST).
    void TypeText(const std::string& text) {
        const CommandRun run = RunCommand("DISPLAY=" + display_.Name() +
                                          " xdotool type --delay 40 '" + text + "' 2>&1");
        ASSERT_EQ(run.status, 0) << run.output;
    }
    bool Selected(LineClient& app, const std::string& name) {
        return app.Ask("find " + ShownRef(app, name)).find(" selected=1 ") != std::string::npos;
    }
};

TEST_F(HeadsetEndToEnd, ASteadyColourGoesOutAsTwelveReportsInOrder) {
    LineClient app, emulator;
    Connect(app, emulator);
    WaitForHeadset(emulator);
    // The headset switches itself to a steady red at brightness 4.
    ASSERT_EQ(emulator.Ask("poke headset 1 03 04 01 00 00 ff 00 00"), "ok");
    const auto steadyRed = [](const std::string& r) {
        const LedReply leds = ParseLeds(r);
        if (leds.reports.size() != 12) return false;
        for (const auto& report : leds.reports) {
            if (report.size() != 17) return false;
            const bool red = report[2] == "aa" || report[2] == "ad";
            const size_t lit = report[2] == "aa" || report[2] == "ab" || report[2] == "ac" ? 7 : 6;
            for (size_t i = 0; i < lit; ++i)
                if (report[3 + i] != (red ? "27" : "00")) return false;  // 255 x 40 / 256
        }
        return true;
    };
    const std::string reply = AskUntil(emulator, "leds headset", steadyRed);
    ASSERT_TRUE(steadyRed(reply)) << reply << "\n" << Output();
    const char* order[12][2] = {{"22", "aa"}, {"22", "ad"}, {"44", "aa"}, {"44", "ad"},
                                {"22", "ab"}, {"22", "ae"}, {"44", "ab"}, {"44", "ae"},
                                {"22", "ac"}, {"22", "af"}, {"44", "ac"}, {"44", "af"}};
    const LedReply leds = ParseLeds(reply);
    for (size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(leds.reports[i][0], "ff") << i;
        EXPECT_EQ(leds.reports[i][1], order[i][0]) << i;
        EXPECT_EQ(leds.reports[i][2], order[i][1]) << i;
    }
}

TEST_F(HeadsetEndToEnd, APresetWritesItsGainsAndABandLeavesIt) {
    LineClient app, emulator;
    Connect(app, emulator);
    WaitForHeadset(emulator);
    ShowEqualiser(app);
    ASSERT_EQ(emulator.Ask("audio clear"), "ok");
    ASSERT_EQ(app.Ask("click " + ShownRef(app, "6533_eq_option_7")), "ok");
    const std::vector<std::string> preset = {
        "write playback Enable_EQ_GFX 1", "write playback EQ_Slider1 14",
        "write playback EQ_Slider2 10",   "write playback EQ_Slider3 4",
        "write playback EQ_Slider4 0",    "write playback EQ_Slider5 -4",
        "write playback EQ_Slider6 -3",   "write playback EQ_Slider7 -1",
        "write playback EQ_Slider8 1",    "write playback EQ_Slider9 2",
        "write playback EQ_Slider10 3"};
    EXPECT_EQ(AudioWrites(emulator), preset) << Output();
    EXPECT_EQ(HeadsetProfile()["Device"][0]["SystemSetStages"]["EqType"].asInt(), 7);

    ASSERT_EQ(emulator.Ask("audio clear"), "ok");
    const std::string band = ShownRef(app, "6533_eq_hz_slider_3");
    const std::string reply = app.Ask("set-value " + band + " 6");
    int value = 6;
    if (reply != "ok") {
        ASSERT_TRUE(reply.starts_with("err slider stopped at ")) << reply;
        value = std::stoi(reply.substr(std::string("err slider stopped at ").size()));
    }
    const std::vector<std::string> writes = AudioWrites(emulator);
    ASSERT_FALSE(writes.empty()) << Output();
    for (const std::string& write : writes)
        EXPECT_TRUE(write.starts_with("write playback EQ_Slider4 ")) << write << ": only that band";
    EXPECT_EQ(writes.back(), "write playback EQ_Slider4 " + std::to_string(value));
    EXPECT_TRUE(Selected(app, "6533_eq_option_13")) << "the custom setting";
    EXPECT_FALSE(Selected(app, "6533_eq_option_7"));
    EXPECT_EQ(HeadsetProfile()["Device"][0]["SystemSetStages"]["EqType"].asInt(), 13);
    Screenshot(app, "headset-equaliser.png");
}

TEST_F(HeadsetEndToEnd, ARefusedMicrophoneWriteLeavesTheSwitchAndTheProfile) {
    LineClient app, emulator;
    Connect(app, emulator);
    WaitForHeadset(emulator);
    ShowEqualiser(app);
    ASSERT_TRUE(Selected(app, "6533_MicIn_option")) << "the emulated microphone is live";
    const Json::Value before = HeadsetProfile()["Device"][0]["SystemSetStages"];
    ASSERT_EQ(emulator.Ask("audio fail capture MuteControl write"), "ok");
    ASSERT_EQ(app.Ask("click " + ShownRef(app, "6533_MicIn_option")), "ok");
    EXPECT_TRUE(Selected(app, "6533_MicIn_option")) << "the switch shows what the headset has";
    EXPECT_EQ(emulator.Ask("audio get capture MuteControl"), "ok 0");
    EXPECT_EQ(HeadsetProfile()["Device"][0]["SystemSetStages"], before);
    EXPECT_FALSE(NoticeHidden(app)) << "the page says the headset did not take it";

    // The next click lands.
    ASSERT_EQ(app.Ask("click " + ShownRef(app, "6533_MicIn_option")), "ok");
    EXPECT_EQ(emulator.Ask("audio get capture MuteControl"), "ok 1");
    EXPECT_FALSE(Selected(app, "6533_MicIn_option"));
    EXPECT_EQ(HeadsetProfile()["Device"][0]["SystemSetStages"]["MicInSelect"].asInt(), 0);
}

TEST_F(HeadsetEndToEnd, UnpluggingStopsTheReportsAndTheWindowAnswers) {
    LineClient app, emulator;
    Connect(app, emulator);
    WaitForHeadset(emulator);
    ASSERT_EQ(emulator.Ask("unplug headset"), "ok");
    // Reports already on their way may still land; then none.
    uint64_t count = 0;
    const auto deadline = std::chrono::steady_clock::now() + 20s;  // hang guard
    for (;;) {
        count = ParseLeds(emulator.Ask("leds headset")).count;
        std::this_thread::sleep_for(300ms);
        if (ParseLeds(emulator.Ask("leds headset")).count == count) break;
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << Output();
    }
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(ParseLeds(emulator.Ask("leds headset")).count, count);
    EXPECT_TRUE(app.Ask("find closebtn").starts_with("ok")) << Output();
}

TEST_F(HeadsetEndToEnd, ACurveNamedFromTheKeyboardIsSavedAndItsNameIsTakenOnlyOnce) {
    LineClient app, emulator;
    Connect(app, emulator);
    WaitForHeadset(emulator);
    ShowEqualiser(app);
    // The name and its buttons open with the custom setting.
    ASSERT_EQ(app.Ask("click " + ShownRef(app, "6533_eq_option_13")), "ok");
    const std::string edit = ShownRef(app, "custom_eq_name_edit");
    ASSERT_EQ(app.Ask("click " + edit), "ok") << Output();
    TypeText("Bass");
    const std::string named = AskUntil(app, "find " + edit, [](const std::string& r) {
        return r.ends_with(" text=Bass");
    });
    ASSERT_TRUE(named.ends_with(" text=Bass")) << named << "\n" << Output();
    ASSERT_EQ(app.Ask("click " + ShownRef(app, "hs_EQ_btn_save")), "ok");
    const Json::Value device = HeadsetProfile()["Device"][0];
    ASSERT_EQ(device["CustomEQNameInfo"].size(), 1u) << Output();
    EXPECT_EQ(device["CustomEQNameInfo"][0]["Name"].asString(), "Bass");
    EXPECT_EQ(device["SystemSetStages"]["EqType"].asInt(), 13);
    EXPECT_NE(app.Ask("find " + ShownRef(app, "custom_eq_name_combo")).find(" items=1 "),
              std::string::npos);

    // The same name in other case is refused with the message.
    ASSERT_EQ(app.Ask("click " + edit), "ok");
    TypeText("bass");
    const std::string typed = AskUntil(app, "find " + edit, [](const std::string& r) {
        return r.ends_with(" text=bass");
    });
    ASSERT_TRUE(typed.ends_with(" text=bass")) << typed;
    ASSERT_EQ(app.Ask("click " + ShownRef(app, "hs_EQ_btn_save")), "ok");
    ASSERT_EQ(app.Ask("wait-visible MessageText 5000"), "ok") << Output();
    EXPECT_NE(app.Ask("find MessageText").find("already in use"), std::string::npos);
    ASSERT_EQ(app.Ask("click confirm_btn"), "ok");
    EXPECT_EQ(HeadsetProfile()["Device"][0]["CustomEQNameInfo"].size(), 1u);
}

class LateHeadsetEndToEnd : public HeadsetEndToEnd {
  protected:
    std::string DemoOption() const override { return "--demo=keyboard"; }
};

TEST_F(LateHeadsetEndToEnd, AHeadsetPluggedAfterTheStartWorks) {
    LineClient app, emulator;
    Connect(app, emulator);
    ASSERT_FALSE(ShownRef(app, "light_combo_modeSelect").empty()) << Output();
    ASSERT_EQ(emulator.Ask("plug headset"), "ok");
    WaitForHeadset(emulator);
    // The headset's tab is the shown one that is not selected.
    std::string tab;
    for (int k = 0; k < 8 && tab.empty(); ++k) {
        const std::string ref = "device_select#" + std::to_string(k);
        const std::string found = app.Ask("find " + ref);
        if (found.find(" visible=1 ") != std::string::npos &&
            found.find(" selected=0 ") != std::string::npos)
            tab = ref;
    }
    ASSERT_FALSE(tab.empty()) << Output();
    ASSERT_EQ(app.Ask("click " + tab), "ok");
    ASSERT_EQ(app.Ask("click " + ShownRef(app, "6533_voice_Op_tab")), "ok") << Output();
    EXPECT_TRUE(NoticeHidden(app)) << "its sound devices were found";
    ASSERT_EQ(emulator.Ask("audio clear"), "ok");
    ASSERT_EQ(app.Ask("click " + ShownRef(app, "6533_eq_option_5")), "ok");
    EXPECT_EQ(emulator.Ask("audio get playback Enable_EQ_GFX"), "ok 1");
    EXPECT_EQ(AudioWrites(emulator).size(), 11u) << Output();
}

}  // namespace
}  // namespace kelno::test
