#include <functional>

#include "audio_adapter_fixture.h"

namespace kelno::test {
namespace {

using audio::Direction;
using sim::SimAudioCall;

using Action = std::function<bool(CAudioSdkAdapter&)>;

constexpr std::array<int, 10> kCurve = {-12, -6, 0, 1, 2, 3, 4, 5, 6, 12};

struct WriteCase {
    const char* name;
    Action action;
    bool result;
    std::vector<std::string> calls;  // the property calls it makes, in order
};

void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class AudioWrites : public AudioAdapterTest, public testing::WithParamInterface<WriteCase> {};

TEST_P(AudioWrites, WriteTheirPropertyValueAndChannel) {
    const WriteCase& c = GetParam();
    StartClean();
    EXPECT_EQ(c.action(adapter_), c.result);
    EXPECT_EQ(PropertyCalls(), c.calls);
}

std::vector<std::string> EqualiserCalls() {
    std::vector<std::string> calls = {"write playback Enable_EQ_GFX 1"};
    for (size_t band = 0; band < kCurve.size(); ++band)
        calls.push_back("write playback EQ_Slider" + std::to_string(band + 1) + " " +
                        std::to_string(kCurve[band]));
    return calls;
}

INSTANTIATE_TEST_SUITE_P(
    Each, AudioWrites,
    testing::Values(
        WriteCase{"MicOn",
                  [](auto& a) { return a.SetMicOn(true); },
                  true,
                  {"write capture MuteControl 0"}},
        WriteCase{"MicOff",
                  [](auto& a) { return a.SetMicOn(false); },
                  true,
                  {"write capture MuteControl 1"}},
        WriteCase{"MicVolume",
                  [](auto& a) { return a.SetMicVolume(29); },
                  true,
                  {"write capture VolumeScalarControl 0.29 @-1", "read capture VolumeControl @-1"}},
        WriteCase{"MicVolumeAboveRange",
                  [](auto& a) { return a.SetMicVolume(150); },
                  true,
                  {"write capture VolumeScalarControl 1 @-1", "read capture VolumeControl @-1"}},
        WriteCase{"MicVolumeBelowRange",
                  [](auto& a) { return a.SetMicVolume(-5); },
                  true,
                  {"write capture VolumeScalarControl 0 @-1", "read capture VolumeControl @-1"}},
        WriteCase{"MonitorOn",
                  [](auto& a) { return a.SetMonitorOn(true); },
                  true,
                  {"write capture AAMuteControl 0"}},
        WriteCase{"MonitorOff",
                  [](auto& a) { return a.SetMonitorOn(false); },
                  true,
                  {"write capture AAMuteControl 1"}},
        WriteCase{
            "MonitorVolume",
            [](auto& a) { return a.SetMonitorVolume(7); },
            true,
            {"write capture AAVolumeScalarControl 0.07 @0", "read capture AAVolumeControl @0"}},
        WriteCase{"Equaliser", [](auto& a) { return a.SetEqualiser(kCurve); }, true,
                  EqualiserCalls()},
        WriteCase{"FirstBand",
                  [](auto& a) { return a.SetEqBand(0, -6); },
                  true,
                  {"write playback EQ_Slider1 -6"}},
        WriteCase{"LastBand",
                  [](auto& a) { return a.SetEqBand(9, 12); },
                  true,
                  {"write playback EQ_Slider10 12"}},
        WriteCase{"BandTooHigh", [](auto& a) { return a.SetEqBand(10, 1); }, false, {}},
        WriteCase{"BandNegative", [](auto& a) { return a.SetEqBand(-1, 1); }, false, {}},
        WriteCase{"VoiceChangerOnSilencesTheEcho",
                  [](auto& a) { return a.SetVoiceChangerOn(true); },
                  true,
                  {"write capture Enable_MAGICVOICE 1", "write capture Enable_MICECHO 0"}},
        WriteCase{"VoiceChangerOffLeavesTheEcho",
                  [](auto& a) { return a.SetVoiceChangerOn(false); },
                  true,
                  {"write capture Enable_MAGICVOICE 0"}},
        WriteCase{"FirstVoice",
                  [](auto& a) { return a.SelectVoice(1); },
                  true,
                  {"write capture MagicVoice_Selection 0"}},
        WriteCase{"LastVoice",
                  [](auto& a) { return a.SelectVoice(4); },
                  true,
                  {"write capture MagicVoice_Selection 3"}},
        WriteCase{"NoVoiceZero", [](auto& a) { return a.SelectVoice(0); }, false, {}},
        WriteCase{"NoVoiceFive", [](auto& a) { return a.SelectVoice(5); }, false, {}}),
    [](const testing::TestParamInfo<WriteCase>& info) { return info.param.name; });

struct FailureCase {
    const char* name;
    Action action;
    Direction direction;
    const char* failing;   // the property whose write fails
    std::string lastCall;  // where the action stops
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.name;
}

class AudioWriteFailures : public AudioAdapterTest,
                           public testing::WithParamInterface<FailureCase> {};

TEST_P(AudioWriteFailures, GiveFalseAndStopThere) {
    const FailureCase& c = GetParam();
    StartClean();
    const auto before = lib_.Property(c.direction, c.failing);
    lib_.FailNext(c.direction, c.failing, SimAudioCall::Write);
    EXPECT_FALSE(c.action(adapter_));
    EXPECT_EQ(PropertyCalls().back(), c.lastCall);
    EXPECT_EQ(lib_.Property(c.direction, c.failing), before);
}

INSTANTIATE_TEST_SUITE_P(
    Each, AudioWriteFailures,
    testing::Values(
        FailureCase{"Mic", [](auto& a) { return a.SetMicOn(false); }, Direction::Capture,
                    "MuteControl", "write capture MuteControl 1"},
        FailureCase{"MicVolumeNotReadBack", [](auto& a) { return a.SetMicVolume(40); },
                    Direction::Capture, "VolumeScalarControl",
                    "write capture VolumeScalarControl 0.4 @-1"},
        FailureCase{"Monitor", [](auto& a) { return a.SetMonitorOn(true); }, Direction::Capture,
                    "AAMuteControl", "write capture AAMuteControl 0"},
        FailureCase{"MonitorVolume", [](auto& a) { return a.SetMonitorVolume(60); },
                    Direction::Capture, "AAVolumeScalarControl",
                    "write capture AAVolumeScalarControl 0.6 @0"},
        FailureCase{"EqualiserSwitch", [](auto& a) { return a.SetEqualiser(kCurve); },
                    Direction::Playback, "Enable_EQ_GFX", "write playback Enable_EQ_GFX 1"},
        FailureCase{"EqualiserBand", [](auto& a) { return a.SetEqualiser(kCurve); },
                    Direction::Playback, "EQ_Slider5", "write playback EQ_Slider5 2"},
        FailureCase{"Band", [](auto& a) { return a.SetEqBand(2, 3); }, Direction::Playback,
                    "EQ_Slider3", "write playback EQ_Slider3 3"},
        FailureCase{"VoiceChanger", [](auto& a) { return a.SetVoiceChangerOn(true); },
                    Direction::Capture, "Enable_MAGICVOICE", "write capture Enable_MAGICVOICE 1"},
        FailureCase{"Echo", [](auto& a) { return a.SetVoiceChangerOn(true); }, Direction::Capture,
                    "Enable_MICECHO", "write capture Enable_MICECHO 0"},
        FailureCase{"Voice", [](auto& a) { return a.SelectVoice(2); }, Direction::Capture,
                    "MagicVoice_Selection", "write capture MagicVoice_Selection 1"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

// What is written is what the next reading shows.
TEST_F(AudioAdapterTest, WritesShowInTheNextReading) {
    StartClean();
    ASSERT_TRUE(adapter_.SetMicOn(false));
    ASSERT_TRUE(adapter_.SetMicVolume(29));
    ASSERT_TRUE(adapter_.SetMonitorOn(true));
    ASSERT_TRUE(adapter_.SetMonitorVolume(83));
    ASSERT_TRUE(adapter_.SetVoiceChangerOn(true));
    ASSERT_TRUE(adapter_.SelectVoice(3));
    const auto reading = adapter_.ReadState();
    EXPECT_EQ(reading.micOn, false);
    EXPECT_EQ(reading.micVolume, 29);
    EXPECT_EQ(reading.monitorOn, true);
    EXPECT_EQ(reading.monitorVolume, 83);
    EXPECT_EQ(reading.voiceChangerOn, true);
    EXPECT_EQ(reading.voice, 3);
}

// Each write goes to its own device: with one missing, its writes fail
// and the other's still work.
TEST_F(AudioAdapterTest, WritesNeedTheirDevice) {
    lib_.SetDevices({{Direction::Playback, {1, 1, 0, 1}}});
    ASSERT_EQ(adapter_.Start(), AudioStartOutcome::Ready);
    lib_.ClearLog();
    EXPECT_FALSE(adapter_.SetMicOn(true));
    EXPECT_FALSE(adapter_.SetMonitorVolume(20));
    EXPECT_FALSE(adapter_.SetVoiceChangerOn(true));
    EXPECT_TRUE(PropertyCalls().empty());
    EXPECT_TRUE(adapter_.SetEqBand(4, 2));
    EXPECT_FALSE(adapter_.VoiceChangerSupported());
}

}  // namespace
}  // namespace kelno::test
