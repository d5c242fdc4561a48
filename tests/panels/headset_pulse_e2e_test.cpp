// The emulated headset on the real program with its audio on a private
// PulseAudio daemon (--audio=pulse): the page's microphone switch and
// slider reach the headset's microphone, and only it; a preset loads the
// equaliser in front of the headset's sink with its gains.

#include <cmath>
#include <string>
#include <vector>

#include "panels_e2e_fixture.h"
#include "support/eventually.h"
#include "support/pulse_daemon.h"

namespace kelno::test {
namespace {

// Polls `read` until it says `want` (bounded); the last answer.
std::string ReadUntil(const std::function<std::string()>& read, const std::string& want) {
    std::string value;
    Eventually(
        [&] {
            value = read();
            return value == want;
        },
        {}, 30s, 50ms);  // a loaded machine: a longer guard
    return value;
}

class HeadsetOnPulseEndToEnd : public PanelsEndToEnd {
  protected:
    void SetUp() override {
        // A daemon that does not start is a failure, not a skip.
        ASSERT_TRUE(daemon_.Running()) << daemon_.Reason();
        environment_.emplace_back("PULSE_SERVER", daemon_.Server());
        PanelsEndToEnd::SetUp();
    }
    std::string DemoOption() const override { return "--demo=headset"; }
    std::vector<std::string> ExtraArguments() const override { return {"--audio=pulse"}; }

    // Connects and shows the headset's audio page once its first
    // synchronisation ran (its LED reports flow) and found its devices.
    void OpenAudioPage(LineClient& app, LineClient& emulator) {
        ASSERT_TRUE(app.Connect((folder_ / "automation.sock").string(), 30s)) << Output();
        ASSERT_TRUE(emulator.Connect((folder_ / "emulator.sock").string(), 30s)) << Output();
        const std::string leds = AskUntil(emulator, "leds headset", [](const std::string& r) {
            const auto words = Words(r);
            return words.size() > 1 && std::stoull(words[1]) >= 24;
        });
        ASSERT_GE(std::stoull(Words(leds).at(1)), 24u) << leds << "\n" << Output();
        ASSERT_EQ(app.Ask("click " + ShownRef(app, "6533_voice_Op_tab")), "ok") << Output();
        const std::string notice = app.Ask("find headset_audio_notice");
        EXPECT_NE(notice.find(" visible=0 "), std::string::npos)
            << "the headset's sound devices were found: " << notice << "\n"
            << Output();
    }

    PulseDaemon daemon_;
};

TEST_F(HeadsetOnPulseEndToEnd, TheMicrophoneSwitchAndSliderReachTheHeadsetsMicrophone) {
    LineClient app, emulator;
    OpenAudioPage(app, emulator);
    const auto mute = [this] { return daemon_.SourceMute(PulseDaemon::kHeadsetMic); };
    const auto volume = [this] { return daemon_.SourceVolume(PulseDaemon::kHeadsetMic); };
    // The page shows what the server has: a live microphone.
    ASSERT_EQ(mute(), "0");
    const std::string micSwitch = ShownRef(app, "6533_MicIn_option");
    ASSERT_NE(app.Ask("find " + micSwitch).find(" selected=1 "), std::string::npos);

    ASSERT_EQ(app.Ask("click " + micSwitch), "ok");
    EXPECT_EQ(ReadUntil(mute, "1"), "1") << Output();
    ASSERT_EQ(app.Ask("click " + micSwitch), "ok");
    EXPECT_EQ(ReadUntil(mute, "0"), "0") << Output();

    const std::string reply = app.Ask("set-value " + ShownRef(app, "6533_MicIn_slider") + " 30");
    int percent = 30;
    if (reply != "ok") {
        ASSERT_TRUE(reply.starts_with("err slider stopped at ")) << reply;
        percent = std::stoi(reply.substr(std::string("err slider stopped at ").size()));
    }
    // Rounded to the server's units: 30 % is 19661 of 65536.
    const std::string want = std::to_string(std::lround(percent / 100.0 * 65536));
    EXPECT_EQ(ReadUntil(volume, want), want) << Output();

    // The computer's own microphone kept its state.
    EXPECT_EQ(daemon_.SourceMute(PulseDaemon::kOwnMic), "0");
    EXPECT_EQ(daemon_.SourceVolume(PulseDaemon::kOwnMic), "65536");
}

TEST_F(HeadsetOnPulseEndToEnd, APresetLoadsTheEqualiserWithItsGains) {
    LineClient app, emulator;
    OpenAudioPage(app, emulator);
    ASSERT_EQ(app.Ask("click " + ShownRef(app, "6533_eq_option_7")), "ok");
    // The filters loaded, each as "<master> <gains>": rebuilt band by band,
    // one is left with all the gains.
    const auto filters = [this] {
        std::istringstream lines(daemon_.Equalisers());
        std::string found;
        for (std::string line; std::getline(lines, line);)
            found += line.substr(line.find(' ') + 1) + "\n";
        return found;
    };
    const std::string want =
        "\"" + std::string(PulseDaemon::kHeadsetSink) + "\" 14,10,4,0,-4,-3,-1,1,2,3\n";
    EXPECT_EQ(ReadUntil(filters, want), want) << Output();
}

}  // namespace
}  // namespace kelno::test
