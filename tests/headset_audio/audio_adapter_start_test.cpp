#include <optional>

#include "audio_adapter_fixture.h"

namespace kelno::test {
namespace {

using audio::Direction;
using sim::SimAudioCall;
using sim::SimAudioDevice;

SimAudioDevice Playback(int32_t id, int32_t type, int32_t flag) {
    return {Direction::Playback, {id, type, 0, flag}};
}
SimAudioDevice Capture(int32_t id, int32_t type) {
    return {Direction::Capture, {id, type, 0, 0}};
}

struct SelectionCase {
    const char* name;
    std::vector<SimAudioDevice> devices;
    std::optional<int32_t> playbackId;
    std::optional<int32_t> captureId;
    AudioStartOutcome outcome;
};

void PrintTo(const SelectionCase& c, std::ostream* os) {
    *os << c.name;
}

class AudioDeviceSelection : public AudioAdapterTest,
                             public testing::WithParamInterface<SelectionCase> {};

TEST_P(AudioDeviceSelection, PicksByTypePreferenceAndFlag) {
    const SelectionCase& c = GetParam();
    lib_.SetDevices(c.devices);
    EXPECT_EQ(adapter_.Start(), c.outcome);
    const auto playback = adapter_.PlaybackDevice();
    const auto capture = adapter_.CaptureDevice();
    EXPECT_EQ(playback ? std::optional(playback->id) : std::nullopt, c.playbackId);
    EXPECT_EQ(capture ? std::optional(capture->id) : std::nullopt, c.captureId);
    EXPECT_EQ(adapter_.HasPlayback(), c.playbackId.has_value());
    EXPECT_EQ(adapter_.HasCapture(), c.captureId.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Lists, AudioDeviceSelection,
    testing::Values(
        SelectionCase{"TypeTwelveBeforeSevenBeforeFour",
                      {Playback(1, 4, 1), Playback(2, 7, 1), Playback(3, 12, 1), Capture(4, 2)},
                      3,
                      4,
                      AudioStartOutcome::Ready},
        SelectionCase{"SevenBeforeFour",
                      {Playback(1, 4, 1), Playback(2, 7, 1)},
                      2,
                      std::nullopt,
                      AudioStartOutcome::Ready},
        SelectionCase{"TypeOneFirstOfAll",
                      {Playback(1, 12, 1), Playback(2, 1, 1), Playback(3, 1, 1)},
                      2,
                      std::nullopt,
                      AudioStartOutcome::Ready},
        SelectionCase{"FlagZeroIsPassedOver",
                      {Playback(1, 1, 0), Playback(2, 12, 2), Playback(3, 4, 1)},
                      3,
                      std::nullopt,
                      AudioStartOutcome::Ready},
        SelectionCase{"OtherTypesNeverPlayback",
                      {Playback(1, 2, 1), Capture(2, 5), Capture(3, 2)},
                      std::nullopt,
                      3,
                      AudioStartOutcome::Ready},
        SelectionCase{"NothingUsable",
                      {Playback(1, 12, 0), Capture(2, 1)},
                      std::nullopt,
                      std::nullopt,
                      AudioStartOutcome::NoDevice},
        SelectionCase{"EmptyList", {}, std::nullopt, std::nullopt, AudioStartOutcome::NoDevice}),
    [](const testing::TestParamInfo<SelectionCase>& info) { return info.param.name; });

TEST_F(AudioAdapterTest, StartReadsFeaturesThenProbesInOrderWithoutWriting) {
    ASSERT_EQ(adapter_.Start(), AudioStartOutcome::Ready);
    std::vector<std::string> expected = {
        "read playback GetSupportFeature",
        "read capture GetSupportFeature",
        "read playback VirtualSurroundEffectControl @4,-1,0",
        "read capture Enable_ENC_LFX",
        "read capture VolumeControl @-1",
        "read playback Enable_EQ_GFX",
    };
    for (int band = 1; band <= 10; ++band)
        expected.push_back("read playback EQ_Slider" + std::to_string(band));
    expected.insert(expected.end(), {
                                        "read playback Enable_RFX_GFX",
                                        "read playback RFX_ENVIRONMENT",
                                        "read playback RFX_ROOMSIZE",
                                        "read capture MuteControl",
                                        "read capture VolumeScalarControl @-1",
                                        "read capture AAVolumeControl @0",
                                        "read capture AAMuteControl",
                                        "read capture AAVolumeScalarControl @0",
                                        "read capture Enable_MAGICVOICE",
                                        "read capture MagicVoice_Selection",
                                    });
    EXPECT_EQ(PropertyCalls(), expected);
    EXPECT_EQ(lib_.Log().front(), "init");
    EXPECT_EQ(adapter_.PlaybackFeatures(), (AudioFeatureNumbers{7, 10, 1}));
    EXPECT_EQ(adapter_.CaptureFeatures(), (AudioFeatureNumbers{0x20003, 4, 1}));
}

// The fault mended: a failed read was answered by writing 0, which
// unmuted a muted microphone and opened the side-tone.
TEST_F(AudioAdapterTest, FailedProbeReadsWriteNothing) {
    lib_.SetProperty(Direction::Capture, "MuteControl", "1");
    for (const char* name : {"MuteControl", "AAMuteControl", "VolumeScalarControl",
                             "AAVolumeScalarControl", "Enable_MAGICVOICE", "MagicVoice_Selection",
                             "Enable_ENC_LFX", "VolumeControl", "AAVolumeControl"})
        lib_.FailNext(Direction::Capture, name, SimAudioCall::Read);
    for (const char* name : {"VirtualSurroundEffectControl", "Enable_EQ_GFX", "EQ_Slider3",
                             "Enable_RFX_GFX", "RFX_ENVIRONMENT", "RFX_ROOMSIZE"})
        lib_.FailNext(Direction::Playback, name, SimAudioCall::Read);

    EXPECT_EQ(adapter_.Start(), AudioStartOutcome::Ready);
    for (const std::string& call : PropertyCalls())
        EXPECT_EQ(call.rfind("write", 0), std::string::npos) << call;
    EXPECT_EQ(lib_.Property(Direction::Capture, "MuteControl"), "1") << "the mic stays muted";
    EXPECT_EQ(lib_.Property(Direction::Capture, "AAMuteControl"), "1");
    EXPECT_EQ(adapter_.ReadState().micOn, false);
}

struct FeatureCase {
    const char* name;
    const char* captureAnswer;  // null: the read fails
};

class ShortFeatureAnswer : public AudioAdapterTest,
                           public testing::WithParamInterface<FeatureCase> {};

// The settings still work; only the voice changer, told by the answer, is off.
TEST_P(ShortFeatureAnswer, FailsStartButKeepsTheDevices) {
    const FeatureCase& c = GetParam();
    if (c.captureAnswer)
        lib_.SetProperty(Direction::Capture, "GetSupportFeature", c.captureAnswer);
    else
        lib_.FailNext(Direction::Capture, "GetSupportFeature", SimAudioCall::Read);

    EXPECT_EQ(adapter_.Start(), AudioStartOutcome::FeatureFailed);
    EXPECT_EQ(adapter_.CaptureFeatures(), std::nullopt);
    EXPECT_EQ(adapter_.PlaybackFeatures(), (AudioFeatureNumbers{7, 10, 1}));
    EXPECT_FALSE(adapter_.VoiceChangerSupported());
    const auto calls = PropertyCalls();
    EXPECT_EQ(calls.back(), "read capture MagicVoice_Selection") << "the probe went on";
    EXPECT_TRUE(adapter_.SetMicOn(false));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ShortFeatureAnswer,
    testing::Values(FeatureCase{"SixFields", "131072,0,0,0,4,0"}, FeatureCase{"Empty", ""},
                    FeatureCase{"NotNumbers", "a,b,c,d,e,f,g"}, FeatureCase{"ReadFails", nullptr}),
    [](const testing::TestParamInfo<FeatureCase>& info) { return info.param.name; });

TEST_F(AudioAdapterTest, TheVoiceBitDecidesWhetherTheVoiceChangerIsRead) {
    const std::pair<const char*, bool> cases[] = {
        {"131072,0,0,0,4,0,1", true},    // 0x20000
        {"196608,0,0,0,4,0,1,9", true},  // 0x30000, an eighth field
        {"131071,0,0,0,4,0,1", false},   // 0x1FFFF
        {"0,131072,0,0,4,0,1", false},   // the bit in another field
    };
    for (const auto& [answer, supported] : cases) {
        lib_.SetProperty(Direction::Capture, "GetSupportFeature", answer);
        lib_.SetProperty(Direction::Capture, "Enable_MAGICVOICE", "1");
        lib_.ClearLog();
        ASSERT_EQ(adapter_.Start(), AudioStartOutcome::Ready) << answer;
        EXPECT_EQ(adapter_.VoiceChangerSupported(), supported) << answer;
        const auto reading = adapter_.ReadState();
        EXPECT_EQ(reading.voiceChangerOn, supported ? std::optional(true) : std::nullopt) << answer;
        const auto calls = PropertyCalls();
        const auto reads = std::count(calls.begin(), calls.end(), "read capture Enable_MAGICVOICE");
        EXPECT_EQ(reads, supported ? 2 : 0) << answer;
    }
}

TEST_F(AudioAdapterTest, ReadStateOfAFreshHeadset) {
    StartClean();
    const HeadsetAudioReading reading = adapter_.ReadState();
    EXPECT_EQ(reading.micOn, true);
    EXPECT_EQ(reading.micVolume, 50);
    EXPECT_TRUE(reading.monitorAvailable);
    EXPECT_EQ(reading.monitorOn, false);
    EXPECT_EQ(reading.monitorVolume, 30);
    EXPECT_EQ(reading.voiceChangerOn, false);
    EXPECT_EQ(reading.voice, 1);
    // Read as the device expects, though not kept.
    const auto calls = PropertyCalls();
    for (const char* call :
         {"read capture GetMaxVol", "read capture GetMinVol", "read capture GetVolStep",
          "read capture VolumeControl @-1", "read capture AAVolumeControl @0",
          "read playback EQ_Slider1", "read playback EQ_Slider10"})
        EXPECT_EQ(std::count(calls.begin(), calls.end(), call), 1) << call;
}

TEST_F(AudioAdapterTest, VolumesAreRoundedPercentages) {
    StartClean();
    const std::pair<const char*, std::optional<int>> cases[] = {
        {"0.29", 29},           {"0.57", 57},       {"0.994", 99},
        {"0.996", 100},         {"1", 100},         {"0", 0},
        {" 0.3 ", 30},          {"1.5", 100},       {"-0.2", 0},
        {"loud", std::nullopt}, {"", std::nullopt}, {"0.5x", std::nullopt},
        {"nan", std::nullopt},
    };
    for (const auto& [text, percent] : cases) {
        lib_.SetProperty(Direction::Capture, "VolumeScalarControl", text);
        lib_.SetProperty(Direction::Capture, "AAVolumeScalarControl", text);
        const auto reading = adapter_.ReadState();
        EXPECT_EQ(reading.micVolume, percent) << '"' << text << '"';
        EXPECT_EQ(reading.monitorVolume, percent) << '"' << text << '"';
    }
}

TEST_F(AudioAdapterTest, AFailedOrOddReadLeavesOnlyItsValueEmpty) {
    StartClean();
    lib_.FailNext(Direction::Capture, "MuteControl", SimAudioCall::Read);
    lib_.FailNext(Direction::Capture, "AAVolumeScalarControl", SimAudioCall::Read);
    lib_.SetProperty(Direction::Capture, "MagicVoice_Selection", "4");
    auto reading = adapter_.ReadState();
    EXPECT_EQ(reading.micOn, std::nullopt);
    EXPECT_EQ(reading.micVolume, 50);
    EXPECT_EQ(reading.monitorOn, false);
    EXPECT_EQ(reading.monitorVolume, std::nullopt);
    EXPECT_EQ(reading.voice, std::nullopt) << "selection 4 is no voice";

    const std::pair<const char*, std::optional<int>> voices[] = {
        {"0", 1}, {"3", 4}, {"-1", std::nullopt}, {"2.5", std::nullopt}};
    for (const auto& [selection, voice] : voices) {
        lib_.SetProperty(Direction::Capture, "MagicVoice_Selection", selection);
        EXPECT_EQ(adapter_.ReadState().voice, voice) << selection;
    }
}

TEST_F(AudioAdapterTest, NoMonitorWithoutItsRange) {
    lib_.RemoveProperty(Direction::Capture, "GetAAMaxVol");
    StartClean();
    const auto reading = adapter_.ReadState();
    EXPECT_FALSE(reading.monitorAvailable);
    EXPECT_EQ(reading.monitorOn, std::nullopt);
    EXPECT_EQ(reading.monitorVolume, std::nullopt);
    EXPECT_EQ(reading.micOn, true);
    for (const std::string& call : PropertyCalls())
        EXPECT_EQ(call.find(" AA"), std::string::npos) << call;
}

// Each synchronisation starts again, so a headset plugged after the
// program started is found, and one removed is forgotten.
TEST_F(AudioAdapterTest, AHeadsetPluggedLaterIsFoundByTheNextStart) {
    lib_.SetHeadsetPresent(false);
    EXPECT_EQ(adapter_.Start(), AudioStartOutcome::NoDevice);
    EXPECT_FALSE(adapter_.HasCapture());
    lib_.SetHeadsetPresent(true);
    EXPECT_EQ(adapter_.Start(), AudioStartOutcome::Ready);
    EXPECT_TRUE(adapter_.HasPlayback());
    EXPECT_TRUE(adapter_.HasCapture());
    EXPECT_TRUE(adapter_.VoiceChangerSupported());

    lib_.SetHeadsetPresent(false);
    EXPECT_EQ(adapter_.Start(), AudioStartOutcome::NoDevice);
    EXPECT_FALSE(adapter_.HasPlayback());
    EXPECT_FALSE(adapter_.VoiceChangerSupported());
}

TEST_F(AudioAdapterTest, DropForgetsTheDevicesAndCallsNothingMore) {
    StartClean();
    adapter_.Drop();
    EXPECT_FALSE(adapter_.HasPlayback());
    EXPECT_FALSE(adapter_.HasCapture());
    EXPECT_FALSE(adapter_.VoiceChangerSupported());
    EXPECT_EQ(adapter_.CaptureFeatures(), std::nullopt);
    EXPECT_FALSE(adapter_.SetMicOn(true));
    EXPECT_FALSE(adapter_.SetEqBand(0, 3));
    const auto reading = adapter_.ReadState();
    EXPECT_EQ(reading.micOn, std::nullopt);
    EXPECT_FALSE(reading.monitorAvailable);
    EXPECT_EQ(reading.voice, std::nullopt);
    EXPECT_TRUE(lib_.Log().empty());
}

TEST_F(AudioAdapterTest, AFailedInitStopsAndForgetsEarlierDevices) {
    ASSERT_EQ(adapter_.Start(), AudioStartOutcome::Ready);
    lib_.ClearLog();
    lib_.SetInitResult(audio::kAudioNoLibrary);
    EXPECT_EQ(adapter_.Start(), AudioStartOutcome::InitFailed);
    EXPECT_EQ(lib_.Log(), std::vector<std::string>{"init"});
    EXPECT_FALSE(adapter_.HasCapture());
    EXPECT_FALSE(adapter_.SetMicOn(true));
}

TEST(AudioAdapterWithoutLibrary, ReportsNoLibraryAndDoesNothing) {
    CAudioSdkAdapter adapter(nullptr);
    EXPECT_EQ(adapter.Start(), AudioStartOutcome::NoLibrary);
    EXPECT_FALSE(adapter.HasPlayback());
    EXPECT_FALSE(adapter.SetMicVolume(50));
    EXPECT_FALSE(adapter.SelectVoice(2));
    EXPECT_EQ(adapter.ReadState().micVolume, std::nullopt);
}

}  // namespace
}  // namespace kelno::test
