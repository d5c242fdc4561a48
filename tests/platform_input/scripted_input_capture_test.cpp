// The scripted input capture that stands in for the X11 one in tests.
#include "platform/sim/scripted_input_capture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace kelno::sim {
namespace {

using input::CapturedInput;
using input::CaptureRequest;
using input::CaptureStart;
using input::KeyInput;

CapturedInput Key(uint8_t scanCode, bool down, int atMs = 0) {
    return {KeyInput{down, scanCode, false},
            std::chrono::steady_clock::time_point(std::chrono::milliseconds(atMs))};
}

// A capture with a recording handler.
struct Recorder {
    std::vector<CapturedInput> inputs;
    int lost = 0;
    input::InputHandler OnInput() {
        return [this](const CapturedInput& in) { inputs.push_back(in); };
    }
    input::CaptureLostHandler OnLost() {
        return [this] { ++lost; };
    }
};

std::vector<KeyInput> KeysOf(const std::vector<CapturedInput>& inputs) {
    std::vector<KeyInput> keys;
    for (const CapturedInput& in : inputs) keys.push_back(std::get<KeyInput>(in.event));
    return keys;
}

TEST(ScriptedInputCapture, StartEndsAsScripted) {
    for (CaptureStart outcome : {CaptureStart::Started, CaptureStart::GrabRefused,
                                 CaptureStart::Unavailable, CaptureStart::Failed}) {
        ScriptedInputCapture capture;
        capture.SetStartOutcome(outcome);
        Recorder recorder;
        EXPECT_EQ(capture.Start({.mouseButtons = true}, recorder.OnInput(), recorder.OnLost()),
                  outcome);
        const bool started = outcome == CaptureStart::Started;
        EXPECT_EQ(capture.Capturing(), started);
        EXPECT_EQ(capture.Feed(Key(0x1E, true)), started);
        EXPECT_EQ(recorder.inputs.size(), started ? 1u : 0u);
        ASSERT_EQ(capture.Calls().size(), 1u);
        EXPECT_EQ(capture.Calls()[0].kind, ScriptedInputCapture::Call::Kind::Start);
        EXPECT_TRUE(capture.Calls()[0].request.mouseButtons);
    }
}

TEST(ScriptedInputCapture, InputReachesOnlyTheRunningCapture) {
    ScriptedInputCapture capture;
    Recorder first, second;
    EXPECT_FALSE(capture.Feed(Key(0x10, true)));  // nothing started yet

    capture.Start({}, first.OnInput(), first.OnLost());
    capture.Feed(Key(0x1E, true, 5));
    capture.Feed(Key(0x1E, false, 9));
    // A second Start ends the first: no doubled delivery.
    capture.Start({.mouseButtons = true}, second.OnInput(), second.OnLost());
    capture.Feed(Key(0x30, true));
    capture.Stop();
    EXPECT_FALSE(capture.Feed(Key(0x30, false)));

    EXPECT_EQ(KeysOf(first.inputs), (std::vector<KeyInput>{{true, 0x1E}, {false, 0x1E}}));
    EXPECT_EQ(first.inputs[1].time.time_since_epoch(), std::chrono::milliseconds(9));
    EXPECT_EQ(KeysOf(second.inputs), (std::vector<KeyInput>{{true, 0x30}}));
    EXPECT_EQ(first.lost + second.lost, 0);
    using Kind = ScriptedInputCapture::Call::Kind;
    const auto calls = capture.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, Kind::Start);
    EXPECT_EQ(calls[1].kind, Kind::Start);
    EXPECT_TRUE(calls[1].request.mouseButtons);
    EXPECT_EQ(calls[2].kind, Kind::Stop);
}

TEST(ScriptedInputCapture, ALostCaptureEndsOnceBeforeItsHandlerRuns) {
    ScriptedInputCapture capture;
    Recorder recorder;
    EXPECT_FALSE(capture.Lose());
    bool capturingInHandler = true;
    capture.Start({}, recorder.OnInput(), [&] {
        ++recorder.lost;
        capturingInHandler = capture.Capturing();
    });
    EXPECT_TRUE(capture.Lose());
    EXPECT_FALSE(capture.Lose());
    EXPECT_EQ(recorder.lost, 1);
    EXPECT_FALSE(capturingInHandler);
    EXPECT_FALSE(capture.Feed(Key(0x1E, true)));
    capture.Stop();  // harmless after the loss
    EXPECT_EQ(recorder.lost, 1);
}

TEST(ScriptedInputCapture, AHandlerMayStopTheCapture) {
    // The single-key capture stops at its first key, from inside the handler.
    ScriptedInputCapture capture;
    std::vector<CapturedInput> seen;
    capture.Start(
        {},
        [&](const CapturedInput& in) {
            seen.push_back(in);
            capture.Stop();
        },
        nullptr);
    EXPECT_TRUE(capture.Feed(Key(0x1E, true)));
    EXPECT_FALSE(capture.Feed(Key(0x1E, false)));
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_FALSE(capture.Capturing());
}

TEST(ScriptedInputCapture, NoHandlerRunsOnceStopHasReturned) {
    // Input fed from another thread races the UI thread's Stop.
    ScriptedInputCapture capture;
    std::atomic<bool> stopped{false};
    std::atomic<int> lateCalls{0};
    std::atomic<int> calls{0};
    capture.Start(
        {},
        [&](const CapturedInput&) {
            if (stopped.load()) ++lateCalls;
            ++calls;
        },
        nullptr);
    std::thread feeder([&] {
        while (capture.Feed(Key(0x1E, true))) {
        }
    });
    while (calls.load() < 100) std::this_thread::yield();
    capture.Stop();
    stopped = true;
    feeder.join();
    EXPECT_EQ(lateCalls.load(), 0);
}

}  // namespace
}  // namespace kelno::sim
