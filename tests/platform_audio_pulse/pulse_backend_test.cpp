// The PulseAudio backend on a private daemon: the emulated headset's sink
// and microphone beside the computer's own (the defaults), asserted with
// pactl.

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "headset/audio_sdk_adapter.h"
#include "platform/linux/pulse_audio_config_lib.h"
#include "support/command_run.h"
#include "support/pulse_daemon.h"
#include "support/temp_folder.h"

namespace kelno::audio {
namespace {

using test::PulseDaemon;

constexpr PropertyParams kNone{};

// A card's side-tone element; its state outlives the control.
struct SideToneState {
    bool on = false;
    double volume = 0.25;
};

class FakeSideTone : public SideToneControl {
  public:
    explicit FakeSideTone(std::shared_ptr<SideToneState> state) : state_(std::move(state)) {}
    std::optional<bool> On() override { return state_->on; }
    bool SetOn(bool on) override {
        state_->on = on;
        return true;
    }
    std::optional<double> Volume() override { return state_->volume; }
    bool SetVolume(double share) override {
        state_->volume = share;
        return true;
    }

  private:
    std::shared_ptr<SideToneState> state_;
};

class PulseBackendTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(daemon_.Running()) << daemon_.Reason(); }

    // The card's side-tone element is the fake's when `sideTone_` is set,
    // none otherwise (a real card of this machine is never touched).
    std::unique_ptr<PulseAudioConfigLib> Started(PulseHeadsetMatch match = {0x0c45, 0x7654, {}}) {
        auto lib = std::make_unique<PulseAudioConfigLib>(
            match, daemon_.Server(), std::chrono::seconds(2),
            [this](const std::string& card) -> std::unique_ptr<SideToneControl> {
                openedCards_ += card + ";";
                if (!sideTone_) return nullptr;
                return std::make_unique<FakeSideTone>(sideTone_);
            });
        EXPECT_EQ(lib->ConfLibInit(), kAudioOk);
        lib->CreateDeviceList();
        return lib;
    }
    static DeviceDescriptor Device(IAudioConfigLib& lib, Direction direction) {
        DeviceDescriptor device;
        EXPECT_EQ(lib.GetDeviceById(direction, 0, device), kAudioOk);
        return device;
    }
    static std::string Read(IAudioConfigLib& lib, const DeviceDescriptor& device,
                            std::string_view name) {
        std::string answer = "(none)";
        const int result = lib.ReadProperty(device, name, kNone, answer);
        return result == kAudioOk ? answer : "error " + std::to_string(result);
    }
    // The server's index of a sink or source by name.
    int32_t IndexOf(const std::string& kind, const std::string& name) const {
        std::istringstream lines(daemon_.Pactl("list short " + kind).output);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            std::string index, found;
            words >> index >> found;
            if (found == name) return std::stoi(index);
        }
        return -1;
    }
    // The loopback modules loaded, "source=... sink=..." each.
    std::string Loopbacks() const {
        std::istringstream lines(daemon_.Modules());
        std::string found;
        for (std::string line; std::getline(lines, line);)
            if (line.starts_with("module-loopback")) found += line + "\n";
        return found;
    }
    // The first channel's volume of the stream marked as the monitor.
    std::string MonitorStreamVolume() const {
        const std::string listing = daemon_.Pactl("list sink-inputs").output;
        const size_t marker = listing.find("kelno.driver = \"monitor\"");
        const size_t start = listing.rfind("Sink Input #", marker);
        if (marker == std::string::npos || start == std::string::npos) return {};
        const size_t at = listing.find("\tVolume: ", start);
        std::istringstream rest(listing.substr(at + 9));
        std::string channel, volume;
        rest >> channel >> volume;
        return volume;
    }

    // A stream named `name` playing silence on `sink` until the test ends.
    void Play(const std::string& name, const std::string& sink) {
        const test::CommandRun started = test::RunCommand(
            "PULSE_SERVER='" + daemon_.Server() + "' pacat --playback -d " + sink +
            " --property=media.name=" + name + " </dev/zero >/dev/null 2>&1 & echo $!");
        players_.push_back(std::stoi(started.output));
        // Until the server has it.
        for (int i = 0; i < 100 && StreamSink(name).empty(); ++i) usleep(20000);
        ASSERT_EQ(StreamSink(name), sink);
    }
    // The name of the sink the stream plays on; empty when there is none.
    std::string StreamSink(const std::string& name) const {
        const std::string listing = daemon_.Pactl("list sink-inputs").output;
        const size_t at = listing.find("media.name = \"" + name + "\"");
        const size_t start = listing.rfind("Sink Input #", at);
        if (at == std::string::npos || start == std::string::npos) return {};
        const size_t sink = listing.find("\tSink: ", start);
        const int index = std::stoi(listing.substr(sink + 7));
        std::istringstream lines(daemon_.Pactl("list short sinks").output);
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            int found = -1;
            std::string sinkName;
            words >> found >> sinkName;
            if (found == index) return sinkName;
        }
        return {};
    }
    void TearDown() override {
        for (const pid_t player : players_) kill(player, SIGTERM);
    }

    PulseDaemon daemon_;
    std::vector<pid_t> players_;
    std::shared_ptr<SideToneState> sideTone_;
    std::string openedCards_;
};

TEST_F(PulseBackendTest, ListsTheHeadsetsSinkAndMicrophoneOnly) {
    const auto lib = Started();
    int32_t playback = -1, capture = -1;
    ASSERT_EQ(lib->GetDeviceCount(Direction::Playback, playback), kAudioOk);
    ASSERT_EQ(lib->GetDeviceCount(Direction::Capture, capture), kAudioOk);
    // Not the computer's own devices, not the sink's monitor.
    EXPECT_EQ(playback, 1);
    EXPECT_EQ(capture, 1);
    EXPECT_EQ(Device(*lib, Direction::Playback),
              (DeviceDescriptor{IndexOf("sinks", PulseDaemon::kHeadsetSink), 1, 0, 1}));
    EXPECT_EQ(Device(*lib, Direction::Capture),
              (DeviceDescriptor{IndexOf("sources", PulseDaemon::kHeadsetMic), 2, 0, 0}));
    // The voice changer is offered (capture field 0 bit 0x20000).
    EXPECT_EQ(Read(*lib, Device(*lib, Direction::Capture), "GetSupportFeature"),
              "131072,0,0,0,0,0,0");
    EXPECT_EQ(Read(*lib, Device(*lib, Direction::Playback), "GetSupportFeature"), "0,0,0,0,0,0,0");
    EXPECT_EQ(Read(*lib, Device(*lib, Direction::Capture), "Enable_ENC_LFX"), "error 2");
}

TEST_F(PulseBackendTest, WithoutTheHeadsetNothingIsOfferedAndNothingChanges) {
    const std::string ownVolume = daemon_.SourceVolume(PulseDaemon::kOwnMic);
    const auto lib = Started({0x1234, 0x5678, {}});
    int32_t playback = -1, capture = -1;
    lib->GetDeviceCount(Direction::Playback, playback);
    lib->GetDeviceCount(Direction::Capture, capture);
    EXPECT_EQ(playback, 0);
    EXPECT_EQ(capture, 0);
    // A descriptor of another device (the default microphone's index) is refused.
    const DeviceDescriptor own{IndexOf("sources", PulseDaemon::kOwnMic), 2, 0, 0};
    EXPECT_EQ(lib->WriteProperty(own, "MuteControl", int32_t{1}, kNone), kAudioFailed);
    EXPECT_EQ(lib->WriteProperty(own, "VolumeScalarControl", 0.1f, kNone), kAudioFailed);
    EXPECT_EQ(daemon_.SourceMute(PulseDaemon::kOwnMic), "0");
    EXPECT_EQ(daemon_.SourceVolume(PulseDaemon::kOwnMic), ownVolume);
}

TEST_F(PulseBackendTest, MutesAndSetsTheHeadsetMicrophoneWithRoundedVolumes) {
    const auto lib = Started();
    const DeviceDescriptor mic = Device(*lib, Direction::Capture);
    ASSERT_EQ(lib->WriteProperty(mic, "MuteControl", int32_t{1}, kNone), kAudioOk);
    EXPECT_EQ(daemon_.SourceMute(PulseDaemon::kHeadsetMic), "1");
    EXPECT_EQ(Read(*lib, mic, "MuteControl"), "1");
    ASSERT_EQ(lib->WriteProperty(mic, "MuteControl", int32_t{0}, kNone), kAudioOk);
    EXPECT_EQ(daemon_.SourceMute(PulseDaemon::kHeadsetMic), "0");

    // 0.3 of 65536 is 19660.8: rounded, not cut.
    ASSERT_EQ(lib->WriteProperty(mic, "VolumeScalarControl", 0.3f, kNone), kAudioOk);
    EXPECT_EQ(daemon_.SourceVolume(PulseDaemon::kHeadsetMic), "19661");
    // A change made elsewhere is what the next read says.
    ASSERT_EQ(
        daemon_.Pactl(std::string("set-source-volume ") + PulseDaemon::kHeadsetMic + " 45%").status,
        0);
    EXPECT_NEAR(std::stod(Read(*lib, mic, "VolumeScalarControl")), 0.45, 0.0001);

    EXPECT_EQ(daemon_.SourceMute(PulseDaemon::kOwnMic), "0");
    EXPECT_EQ(daemon_.SourceVolume(PulseDaemon::kOwnMic), "65536");
}

TEST_F(PulseBackendTest, TheAdapterDrivesTheMicrophoneThroughIt) {
    const auto lib = Started();
    CAudioSdkAdapter adapter(lib.get());
    ASSERT_EQ(adapter.Start(), AudioStartOutcome::Ready);
    EXPECT_TRUE(adapter.VoiceChangerSupported());
    ASSERT_TRUE(adapter.SetMicOn(false));
    ASSERT_TRUE(adapter.SetMicVolume(29));
    EXPECT_EQ(daemon_.SourceMute(PulseDaemon::kHeadsetMic), "1");
    const HeadsetAudioReading reading = adapter.ReadState();
    EXPECT_EQ(reading.micOn, false);
    EXPECT_EQ(reading.micVolume, 29);
    EXPECT_TRUE(reading.monitorAvailable);
    EXPECT_EQ(reading.monitorOn, false);
}

TEST_F(PulseBackendTest, TheMonitorIsALoopbackFromTheMicrophoneToTheHeadset) {
    const auto lib = Started();
    const DeviceDescriptor mic = Device(*lib, Direction::Capture);
    EXPECT_EQ(Read(*lib, mic, "GetAAMaxVol"), "0");
    EXPECT_EQ(Read(*lib, mic, "AAMuteControl"), "1");
    ASSERT_EQ(lib->WriteProperty(mic, "AAVolumeScalarControl", 0.3f, kNone), kAudioOk);
    EXPECT_EQ(Loopbacks(), "") << "the volume alone loads nothing";

    ASSERT_EQ(lib->WriteProperty(mic, "AAMuteControl", int32_t{0}, kNone), kAudioOk);
    const std::string loaded = Loopbacks();
    EXPECT_NE(loaded.find(std::string("source=\"") + PulseDaemon::kHeadsetMic + "\""),
              std::string::npos)
        << loaded;
    EXPECT_NE(loaded.find(std::string("sink=\"") + PulseDaemon::kHeadsetSink + "\""),
              std::string::npos)
        << loaded;
    EXPECT_EQ(MonitorStreamVolume(), "19661") << "the volume set before it was on";
    EXPECT_EQ(Read(*lib, mic, "AAMuteControl"), "0");
    // Switched on again: still one.
    ASSERT_EQ(lib->WriteProperty(mic, "AAMuteControl", int32_t{0}, kNone), kAudioOk);
    EXPECT_EQ(Loopbacks(), loaded);

    ASSERT_EQ(lib->WriteProperty(mic, "AAVolumeScalarControl", 0.5f, kNone), kAudioOk);
    EXPECT_EQ(MonitorStreamVolume(), "32768");
    EXPECT_EQ(Read(*lib, mic, "AAVolumeScalarControl"), "0.5");

    ASSERT_EQ(lib->WriteProperty(mic, "AAMuteControl", int32_t{1}, kNone), kAudioOk);
    EXPECT_EQ(Loopbacks(), "");
    EXPECT_EQ(Read(*lib, mic, "AAMuteControl"), "1");
}

TEST_F(PulseBackendTest, TheCardsOwnSideToneIsUsedInsteadOfALoopback) {
    sideTone_ = std::make_shared<SideToneState>();
    const auto lib = Started();
    EXPECT_EQ(openedCards_, "31;") << "the microphone's card";
    const DeviceDescriptor mic = Device(*lib, Direction::Capture);
    EXPECT_EQ(Read(*lib, mic, "AAMuteControl"), "1");
    EXPECT_EQ(Read(*lib, mic, "AAVolumeScalarControl"), "0.25");
    ASSERT_EQ(lib->WriteProperty(mic, "AAMuteControl", int32_t{0}, kNone), kAudioOk);
    ASSERT_EQ(lib->WriteProperty(mic, "AAVolumeScalarControl", 0.5f, kNone), kAudioOk);
    EXPECT_TRUE(sideTone_->on);
    EXPECT_EQ(sideTone_->volume, 0.5);
    EXPECT_EQ(Read(*lib, mic, "AAMuteControl"), "0");
    EXPECT_EQ(Loopbacks(), "");
    // A new list of the same headset keeps the element open.
    lib->CreateDeviceList();
    EXPECT_EQ(openedCards_, "31;");
}

TEST_F(PulseBackendTest, TheEqualiserTakesTheHeadsetsStreamsAndARebuildKeepsThem) {
    Play("music", PulseDaemon::kHeadsetSink);
    Play("speaker", PulseDaemon::kOwnSpeaker);
    auto lib = Started();
    const DeviceDescriptor sink = Device(*lib, Direction::Playback);
    const int32_t gains[] = {14, 10, 4, 0, -4, -3, -1, 1, 2, 3};
    for (int band = 0; band < 10; ++band)
        ASSERT_EQ(
            lib->WriteProperty(sink, "EQ_Slider" + std::to_string(band + 1), gains[band], kNone),
            kAudioOk);
    EXPECT_EQ(daemon_.Equalisers(), "") << "gains alone load nothing";
    ASSERT_EQ(lib->WriteProperty(sink, "Enable_EQ_GFX", int32_t{1}, kNone), kAudioOk);
    EXPECT_EQ(daemon_.Equalisers(),
              "kelno_equaliser_0 \"kelno_test_hp\" 14,10,4,0,-4,-3,-1,1,2,3\n");
    EXPECT_EQ(StreamSink("music"), "kelno_equaliser_0");
    EXPECT_EQ(StreamSink("speaker"), PulseDaemon::kOwnSpeaker) << "another device's stream";
    EXPECT_EQ(Read(*lib, sink, "Enable_EQ_GFX"), "1");
    EXPECT_EQ(Read(*lib, sink, "EQ_Slider5"), "-4");

    // One band: a new filter with the new gains, the stream moved to it.
    ASSERT_EQ(lib->WriteProperty(sink, "EQ_Slider4", int32_t{6}, kNone), kAudioOk);
    EXPECT_EQ(daemon_.Equalisers(),
              "kelno_equaliser_1 \"kelno_test_hp\" 14,10,4,6,-4,-3,-1,1,2,3\n");
    EXPECT_EQ(StreamSink("music"), "kelno_equaliser_1");
    EXPECT_EQ(lib->WriteProperty(sink, "EQ_Slider11", int32_t{6}, kNone), kAudioUnsupported);

    ASSERT_EQ(lib->WriteProperty(sink, "Enable_EQ_GFX", int32_t{0}, kNone), kAudioOk);
    EXPECT_EQ(daemon_.Equalisers(), "");
    EXPECT_EQ(StreamSink("music"), PulseDaemon::kHeadsetSink);

    // On exit too, the streams go back to the headset.
    ASSERT_EQ(lib->WriteProperty(sink, "Enable_EQ_GFX", int32_t{1}, kNone), kAudioOk);
    ASSERT_NE(StreamSink("music"), PulseDaemon::kHeadsetSink);
    lib.reset();
    EXPECT_EQ(daemon_.Equalisers(), "");
    EXPECT_EQ(StreamSink("music"), PulseDaemon::kHeadsetSink);
    EXPECT_EQ(StreamSink("speaker"), PulseDaemon::kOwnSpeaker);
}

TEST_F(PulseBackendTest, TheVoiceChangerFeedsAVirtualMicrophoneThroughAPitchShifter) {
    const auto lib = Started();
    const DeviceDescriptor mic = Device(*lib, Direction::Capture);
    const auto voiceModules = [this] {
        std::istringstream lines(daemon_.Modules());
        std::string found;
        for (std::string line; std::getline(lines, line);)
            if (line.find("kelno_voice") != std::string::npos) found += line + "\n";
        return found;
    };
    ASSERT_EQ(lib->WriteProperty(mic, "MagicVoice_Selection", int32_t{1}, kNone), kAudioOk);
    EXPECT_EQ(voiceModules(), "") << "a voice alone loads nothing";
    ASSERT_EQ(lib->WriteProperty(mic, "Enable_MAGICVOICE", int32_t{1}, kNone), kAudioOk);
    EXPECT_EQ(Read(*lib, mic, "Enable_MAGICVOICE"), "1");
    const std::string chain = voiceModules();
    for (const std::string& part :
         {std::string("module-null-sink\tsink_name=kelno_voice_output"),
          std::string("module-remap-source\tmaster=kelno_voice_output.monitor"),
          std::string("label=pitchScale control=1.5 "),
          std::string("module-loopback\tsource=\"") + PulseDaemon::kHeadsetMic +
              "\" sink=kelno_voice_pitch"})
        EXPECT_NE(chain.find(part), std::string::npos) << part << " in\n" << chain;
    // Applications see the virtual microphone by its name.
    const std::string sources = daemon_.Pactl("list sources").output;
    EXPECT_NE(sources.find("Description: KELNO Driver voice\n"), std::string::npos);
    const int32_t virtualMic = IndexOf("sources", "kelno_voice");
    ASSERT_GE(virtualMic, 0);

    // Another voice: another factor, the same virtual microphone.
    ASSERT_EQ(lib->WriteProperty(mic, "MagicVoice_Selection", int32_t{3}, kNone), kAudioOk);
    EXPECT_NE(voiceModules().find("control=1.8 "), std::string::npos) << voiceModules();
    EXPECT_EQ(voiceModules().find("control=1.5 "), std::string::npos) << voiceModules();
    EXPECT_EQ(IndexOf("sources", "kelno_voice"), virtualMic);
    EXPECT_EQ(lib->WriteProperty(mic, "MagicVoice_Selection", int32_t{4}, kNone), kAudioFailed);
    EXPECT_EQ(Read(*lib, mic, "MagicVoice_Selection"), "3");

    ASSERT_EQ(lib->WriteProperty(mic, "Enable_MAGICVOICE", int32_t{0}, kNone), kAudioOk);
    EXPECT_EQ(voiceModules(), "");
    EXPECT_EQ(daemon_.Modules().find("kelno.driver"), std::string::npos);
    EXPECT_EQ(IndexOf("sources", "kelno_voice"), -1);
}

TEST_F(PulseBackendTest, ItsModulesGoOnExitAndWhenTheHeadsetGoes) {
    {
        const auto lib = Started();
        ASSERT_EQ(lib->WriteProperty(Device(*lib, Direction::Capture), "AAMuteControl", int32_t{0},
                                     kNone),
                  kAudioOk);
        ASSERT_NE(Loopbacks(), "");
    }
    EXPECT_EQ(Loopbacks(), "") << "on exit";

    const auto lib = Started();
    const DeviceDescriptor mic = Device(*lib, Direction::Capture);
    ASSERT_EQ(lib->WriteProperty(mic, "AAMuteControl", int32_t{0}, kNone), kAudioOk);
    ASSERT_NE(Loopbacks(), "");
    // The headset's sink goes (unplugged): the next list drops both the
    // sink and the monitor, and the microphone's calls still reach it.
    std::istringstream modules(daemon_.Pactl("list short modules").output);
    for (std::string line; std::getline(modules, line);) {
        if (line.find(std::string("sink_name=") + PulseDaemon::kHeadsetSink) != std::string::npos) {
            ASSERT_EQ(daemon_.Pactl("unload-module " + line.substr(0, line.find('\t'))).status, 0);
        }
    }
    lib->CreateDeviceList();
    int32_t playback = -1;
    lib->GetDeviceCount(Direction::Playback, playback);
    EXPECT_EQ(playback, 0);
    EXPECT_EQ(Loopbacks(), "");
    EXPECT_EQ(Read(*lib, mic, "GetAAMaxVol"), "error 2") << "no monitor without the sink";
    EXPECT_EQ(lib->WriteProperty(mic, "MuteControl", int32_t{1}, kNone), kAudioOk);
}

TEST_F(PulseBackendTest, ARestartRemovesWhatAKilledRunLeft) {
    Play("music", PulseDaemon::kHeadsetSink);
    const test::CommandRun killed =
        test::RunCommand(std::string(KELNO_PULSE_KILLED_RUN) + " '" + daemon_.Server() + "' 2>&1");
    ASSERT_TRUE(WIFSIGNALED(killed.status) ||
                (WIFEXITED(killed.status) && WEXITSTATUS(killed.status) == 128 + SIGKILL))
        << killed.status << " " << killed.output;
    ASSERT_NE(Loopbacks(), "") << "the killed run's monitor stays";
    ASSERT_NE(daemon_.Equalisers(), "") << "and its equaliser";
    ASSERT_EQ(StreamSink("music"), "kelno_equaliser_0");
    // Another client's loopback is not ours to remove.
    ASSERT_EQ(daemon_
                  .Pactl(std::string("load-module module-loopback source=") + PulseDaemon::kOwnMic +
                         " sink=" + PulseDaemon::kOwnSpeaker)
                  .status,
              0);

    const auto lib = Started();
    const std::string left = Loopbacks();
    EXPECT_EQ(left.find("kelno.driver"), std::string::npos) << left;
    EXPECT_NE(left.find(PulseDaemon::kOwnMic), std::string::npos) << left;
    EXPECT_EQ(daemon_.Equalisers(), "");
    EXPECT_EQ(StreamSink("music"), PulseDaemon::kHeadsetSink) << "not the default device";
    EXPECT_EQ(daemon_.Modules().find("kelno.driver"), std::string::npos) << daemon_.Modules();
}

TEST(PulseBackendServer, NoServerOrOneThatDoesNotAnswerFailsTheStart) {
    test::TempFolder folder;
    PulseAudioConfigLib none({0x0c45, 0x7654, {}}, "unix:" + (folder / "none").string());
    EXPECT_EQ(none.ConfLibInit(), kAudioNoLibrary);

    // A socket that accepts and never speaks.
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = (folder / "silent").string();
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    PulseAudioConfigLib silent({0x0c45, 0x7654, {}}, "unix:" + path,
                               std::chrono::milliseconds(300));
    EXPECT_EQ(silent.ConfLibInit(), kAudioTimedOut);
    int32_t count = -1;
    silent.CreateDeviceList();
    silent.GetDeviceCount(Direction::Capture, count);
    EXPECT_EQ(count, 0);
    close(listener);
}

}  // namespace
}  // namespace kelno::audio
