#include "platform/sim/sim_audio_config_lib.h"

#include <gtest/gtest.h>

#include <thread>

namespace kelno::sim {
namespace {

using audio::Direction;

// The lib with its device list taken, as a host sees it after starting it.
class SimAudioLib : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(lib_.ConfLibInit(), audio::kAudioOk);
        lib_.CreateDeviceList();
        ASSERT_EQ(lib_.GetDeviceById(Direction::Playback, 0, playback_), audio::kAudioOk);
        ASSERT_EQ(lib_.GetDeviceById(Direction::Capture, 0, capture_), audio::kAudioOk);
        lib_.ClearLog();
    }

    int Read(const audio::DeviceDescriptor& device, std::string_view name, std::string& answer) {
        return lib_.ReadProperty(device, name, {}, answer);
    }

    SimAudioConfigLib lib_;
    audio::DeviceDescriptor playback_;
    audio::DeviceDescriptor capture_;
};

TEST_F(SimAudioLib, FindsTheHeadsetsTwoDevices) {
    EXPECT_EQ(playback_, (audio::DeviceDescriptor{1, 1, 0, 1}));
    EXPECT_EQ(capture_, (audio::DeviceDescriptor{2, 2, 0, 0}));
    audio::DeviceDescriptor beyond;
    EXPECT_NE(lib_.GetDeviceById(Direction::Capture, 1, beyond), audio::kAudioOk);
    EXPECT_NE(lib_.GetDeviceById(Direction::Capture, -1, beyond), audio::kAudioOk);
}

// Each direction has a map of its own: the same name is two properties.
TEST_F(SimAudioLib, WritesAreKeptPerDirectionAndLoggedWithTheirChannel) {
    const int32_t channel[] = {-1};
    ASSERT_EQ(lib_.WriteProperty(playback_, "EQ_Slider1", int32_t{7}, {}), audio::kAudioOk);
    ASSERT_EQ(lib_.WriteProperty(capture_, "VolumeScalarControl", 0.29f, channel), audio::kAudioOk);
    std::string answer;
    ASSERT_EQ(lib_.ReadProperty(capture_, "VolumeScalarControl", channel, answer), audio::kAudioOk);
    EXPECT_EQ(answer, "0.29");
    EXPECT_EQ(lib_.Property(Direction::Playback, "EQ_Slider1"), "7");
    EXPECT_EQ(Read(capture_, "EQ_Slider1", answer), audio::kAudioUnsupported);
    EXPECT_EQ(lib_.Log(), (std::vector<std::string>{
                              "write playback EQ_Slider1 7",
                              "write capture VolumeScalarControl 0.29 @-1",
                              "read capture VolumeScalarControl @-1",
                              "read capture EQ_Slider1",
                          }));
}

TEST_F(SimAudioLib, ScalarsReadBackAsWritten) {
    const std::pair<float, const char*> cases[] = {
        {0.29f, "0.29"}, {0.07f, "0.07"}, {0.3f, "0.3"},
        {1.0f, "1"},     {0.0f, "0"},     {0.333f, "0.333"},
    };
    for (const auto& [scalar, text] : cases) {
        ASSERT_EQ(lib_.WriteProperty(capture_, "AAVolumeScalarControl", scalar, {}),
                  audio::kAudioOk);
        EXPECT_EQ(lib_.Property(Direction::Capture, "AAVolumeScalarControl"), text);
    }
}

TEST_F(SimAudioLib, UnknownAndRemovedPropertiesAreUnsupported) {
    std::string answer = "before";
    EXPECT_EQ(Read(capture_, "Enable_WARP", answer), audio::kAudioUnsupported);
    EXPECT_EQ(lib_.WriteProperty(capture_, "Enable_WARP", int32_t{1}, {}),
              audio::kAudioUnsupported);
    EXPECT_EQ(lib_.Property(Direction::Capture, "Enable_WARP"), std::nullopt) << "not added";
    lib_.RemoveProperty(Direction::Capture, "GetAAMaxVol");
    EXPECT_EQ(Read(capture_, "GetAAMaxVol", answer), audio::kAudioUnsupported);
    EXPECT_EQ(answer, "before");
    lib_.SetProperty(Direction::Capture, "GetAAMaxVol", "6");
    ASSERT_EQ(Read(capture_, "GetAAMaxVol", answer), audio::kAudioOk);
    EXPECT_EQ(answer, "6");
}

// Failures hit only the call named, as many times as armed, and leave the
// value alone.
TEST_F(SimAudioLib, ArmedFailuresFireOnTheirCallsOnly) {
    lib_.FailNext(Direction::Capture, "MuteControl", SimAudioCall::Write, 2);
    lib_.FailNext(Direction::Capture, "MuteControl", SimAudioCall::Read, 1, audio::kAudioTimedOut);
    std::string answer;
    EXPECT_EQ(Read(capture_, "MuteControl", answer), audio::kAudioTimedOut);
    EXPECT_EQ(Read(capture_, "MuteControl", answer), audio::kAudioOk);
    EXPECT_EQ(lib_.WriteProperty(playback_, "MuteControl", int32_t{1}, {}),
              audio::kAudioUnsupported)
        << "the other direction is not armed";
    EXPECT_EQ(lib_.WriteProperty(capture_, "MuteControl", int32_t{1}, {}), audio::kAudioFailed);
    EXPECT_EQ(lib_.WriteProperty(capture_, "MuteControl", int32_t{1}, {}), audio::kAudioFailed);
    EXPECT_EQ(lib_.Property(Direction::Capture, "MuteControl"), "0");
    EXPECT_EQ(lib_.WriteProperty(capture_, "MuteControl", int32_t{1}, {}), audio::kAudioOk);
    EXPECT_EQ(lib_.Property(Direction::Capture, "MuteControl"), "1");

    lib_.FailNext(Direction::Capture, "MuteControl", SimAudioCall::Read, 5);
    lib_.ClearFailures();
    EXPECT_EQ(Read(capture_, "MuteControl", answer), audio::kAudioOk);
    EXPECT_EQ(lib_.Log().size(), 7u) << "failed calls are logged too";
}

// Like a real enumeration: a list is what was there when it was taken,
// and a device taken away answers nothing.
TEST_F(SimAudioLib, AHeadsetTakenAwayLeavesTheListAsItWasAndItsDevicesFail) {
    lib_.SetHeadsetPresent(false);
    int32_t count = 0;
    ASSERT_EQ(lib_.GetDeviceCount(Direction::Capture, count), audio::kAudioOk);
    EXPECT_EQ(count, 1);
    std::string answer;
    EXPECT_EQ(Read(capture_, "MuteControl", answer), audio::kAudioFailed);
    EXPECT_EQ(lib_.WriteProperty(playback_, "EQ_Slider2", int32_t{3}, {}), audio::kAudioFailed);
    EXPECT_EQ(lib_.Log(),
              (std::vector<std::string>{"read gone MuteControl", "write gone EQ_Slider2 3"}));

    lib_.CreateDeviceList();
    ASSERT_EQ(lib_.GetDeviceCount(Direction::Capture, count), audio::kAudioOk);
    EXPECT_EQ(count, 0);
    lib_.SetHeadsetPresent(true);
    lib_.CreateDeviceList();
    ASSERT_EQ(lib_.GetDeviceCount(Direction::Playback, count), audio::kAudioOk);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(Read(capture_, "MuteControl", answer), audio::kAudioOk);
}

TEST_F(SimAudioLib, ListsTheDevicesSetPerDirection) {
    lib_.SetDevices({{Direction::Playback, {10, 12, 0, 1}},
                     {Direction::Capture, {11, 2, 0, 0}},
                     {Direction::Playback, {12, 1, 0, 0}}});
    lib_.CreateDeviceList();
    int32_t count = 0;
    ASSERT_EQ(lib_.GetDeviceCount(Direction::Playback, count), audio::kAudioOk);
    EXPECT_EQ(count, 2);
    audio::DeviceDescriptor device;
    ASSERT_EQ(lib_.GetDeviceById(Direction::Playback, 1, device), audio::kAudioOk);
    EXPECT_EQ(device.id, 12);
    std::string answer;
    EXPECT_EQ(Read(playback_, "Enable_EQ_GFX", answer), audio::kAudioFailed)
        << "id 1 is no longer listed";
    EXPECT_EQ(Read(device, "Enable_EQ_GFX", answer), audio::kAudioOk);
}

TEST(SimAudioConfigLib, ConfLibInitAnswersWhatWasSet) {
    SimAudioConfigLib lib;
    lib.SetInitResult(audio::kAudioNoLibrary);
    EXPECT_EQ(lib.ConfLibInit(), audio::kAudioNoLibrary);
    EXPECT_EQ(lib.Log(), std::vector<std::string>{"init"});
}

// Run under the thread sanitizer: callers of the library and a test
// inspecting it at the same time.
TEST_F(SimAudioLib, CallsFromSeveralThreadsAreSafe) {
    constexpr int kCalls = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kCalls; ++i) {
                std::string answer;
                lib_.WriteProperty(playback_, "EQ_Slider" + std::to_string(t + 1), int32_t{i}, {});
                lib_.ReadProperty(capture_, "MuteControl", {}, answer);
            }
        });
    }
    threads.emplace_back([&] {
        for (int i = 0; i < kCalls; ++i) {
            lib_.FailNext(Direction::Capture, "AAMuteControl", SimAudioCall::Read);
            lib_.SetHeadsetPresent(true);
            (void)lib_.Log();
            (void)lib_.Property(Direction::Playback, "EQ_Slider1");
        }
    });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(lib_.Log().size(), 3u * 2 * kCalls);
    for (int t = 0; t < 3; ++t)
        EXPECT_EQ(lib_.Property(Direction::Playback, "EQ_Slider" + std::to_string(t + 1)),
                  std::to_string(kCalls - 1));
}

}  // namespace
}  // namespace kelno::sim
