#include <gtest/gtest.h>

#include <map>

#include "macros/macro_recorder.h"

namespace kelno {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

const Clock::time_point kStart = Clock::time_point{} + std::chrono::hours(1);

// Scan codes of the keys the scripts press, with their HID usages.
struct TestKey {
    uint16_t scan;
    uint8_t usage;
};
constexpr TestKey kA{0x1E, 0x04};
constexpr TestKey kB{0x30, 0x05};
constexpr TestKey kC{0x2E, 0x06};

// A recorder and the list it fills, driven by scripted inputs at times
// given in milliseconds from the start.
class RecordingFixture {
  public:
    explicit RecordingFixture(MacroTimingMode mode,
                              MacroCaptureKind kind = MacroCaptureKind::Append,
                              std::string_view fixedDelayText = "50") {
        recorder.Start(mode, kind, fixedDelayText, kStart);
    }

    RecordedStep Key(TestKey key, bool down, int atMs) {
        return recorder.Record(
            RecordedInput::Key(key.scan, false, MacroEvent{10, key.usage, down}, At(atMs)), list);
    }
    RecordedStep Mouse(uint16_t message, uint8_t button, bool down, int atMs,
                       bool onStopButton = false) {
        return recorder.Record(
            RecordedInput::Mouse(message, MacroEvent{1, button, down}, At(atMs), onStopButton),
            list);
    }
    static Clock::time_point At(int ms) { return kStart + milliseconds(ms); }

    // "Delay" as the macro file would hold it: a string, or the integer 0.
    std::vector<Json::Value> Delays() const {
        std::vector<Json::Value> delays;
        for (const MacroEvent& event : list.Events()) delays.push_back(event.ToJson()["Delay"]);
        return delays;
    }

    MacroRecorder recorder;
    MacroActionList list;
};

Json::Value Text(const char* text) {
    return Json::Value(text);
}
Json::Value Integer(int value) {
    return Json::Value(value);
}

TEST(MacroRecorder, RealTimeDelaysSitOnTheEarlierEvent) {
    RecordingFixture f(MacroTimingMode::RealTime);
    f.Key(kA, true, 0);
    EXPECT_EQ(f.Delays(), (std::vector<Json::Value>{Integer(0)}));
    f.Key(kA, false, 120);
    EXPECT_EQ(f.Delays(), (std::vector<Json::Value>{Text("120"), Text("0")}));
    const RecordedStep last = f.Key(kB, true, 300);
    EXPECT_EQ(f.Delays(), (std::vector<Json::Value>{Text("120"), Text("180"), Text("0")}));
    EXPECT_EQ(f.list.Events()[0], (MacroEvent{10, 0x04, true, 120}));
    EXPECT_EQ(f.list.Events()[1], (MacroEvent{10, 0x04, false, 180}));
    EXPECT_EQ(last,
              (RecordedStep{RecordedStep::Kind::Insert, 2, MacroEvent{10, 0x05, true, 0}, 180, 2}));
    EXPECT_EQ(f.list.Selected(), 2);
}

TEST(MacroRecorder, DelaysByTimingMode) {
    struct Case {
        const char* what;
        MacroTimingMode mode;
        std::vector<int> times;
        std::vector<Json::Value> afterFirst;
        std::vector<Json::Value> atEnd;
    };
    const Case cases[] = {
        {"fixed delay",
         MacroTimingMode::FixedDelay,
         {0, 10, 5000},
         {Integer(0)},
         {Text("50"), Text("50"), Text("50")}},
        {"no delay",
         MacroTimingMode::NoDelay,
         {0, 10, 5000},
         {Integer(0)},
         {Text("0"), Text("0"), Text("0")}},
        // A pause longer than a delay can hold is clamped, not wrapped.
        {"real time clamps",
         MacroTimingMode::RealTime,
         {0, 70000, 70001},
         {Integer(0)},
         {Text("65535"), Text("1"), Text("0")}},
    };
    for (const auto& c : cases) {
        RecordingFixture f(c.mode);
        f.Key(kA, true, c.times[0]);
        EXPECT_EQ(f.Delays(), c.afterFirst) << c.what;
        f.Key(kA, false, c.times[1]);
        f.Key(kB, true, c.times[2]);
        EXPECT_EQ(f.Delays(), c.atEnd) << c.what;
    }
}

TEST(MacroRecorder, FixedDelayIsReadFromTheEditAtStart) {
    struct Case {
        const char* text;
        uint16_t delay;
        bool rewrite;
    };
    for (const auto& c : {Case{"50", 50, false}, Case{"abc", 0, true}, Case{"70000", 65535, true},
                          Case{"007", 7, true}}) {
        MacroRecorder recorder;
        const DelayText read =
            recorder.Start(MacroTimingMode::FixedDelay, MacroCaptureKind::Append, c.text, kStart);
        EXPECT_EQ(recorder.FixedDelay(), c.delay) << c.text;
        EXPECT_EQ(read.needsRewrite, c.rewrite) << c.text;
    }
    MacroRecorder recorder;
    recorder.Start(MacroTimingMode::FixedDelay, MacroCaptureKind::Append, "75", kStart);
    // Other modes leave the stored fixed delay alone.
    recorder.Start(MacroTimingMode::RealTime, MacroCaptureKind::Append, "junk", kStart);
    EXPECT_EQ(recorder.FixedDelay(), 75);
}

TEST(MacroRecorder, HeldKeyGivesOneDownAndReleaseOneUp) {
    RecordingFixture f(MacroTimingMode::NoDelay);
    for (int t = 0; t < 10; ++t) f.Key(kA, true, t * 30);  // auto-repeat
    f.Key(kA, false, 400);
    f.Key(kA, true, 500);  // pressed again after the release
    EXPECT_EQ(
        f.list.Events(),
        (std::vector<MacroEvent>{{10, 0x04, true, 0}, {10, 0x04, false, 0}, {10, 0x04, true, 0}}));
}

TEST(MacroRecorder, MouseRepeatsCompareMessageAndButton) {
    RecordingFixture f(MacroTimingMode::NoDelay);
    f.Mouse(0x020B, 0x08, true, 0);   // back pressed
    f.Mouse(0x020B, 0x10, true, 10);  // forward pressed: same message, other button
    f.Mouse(0x020B, 0x10, true, 20);  // a second press without release
    f.Mouse(0x020C, 0x10, false, 30);
    EXPECT_EQ(f.list.Events(), (std::vector<MacroEvent>{
                                   {1, 0x08, true, 0}, {1, 0x10, true, 0}, {1, 0x10, false, 0}}));
}

TEST(MacroRecorder, StopButtonClickIsNotRecorded) {
    RecordingFixture f(MacroTimingMode::NoDelay);
    f.Mouse(0x0201, 0x01, true, 0);
    f.Mouse(0x0202, 0x01, false, 10);
    EXPECT_EQ(f.Mouse(0x0201, 0x01, true, 20, true).kind, RecordedStep::Kind::Nothing);
    EXPECT_EQ(f.list.Size(), 2);
}

TEST(MacroRecorder, RepeatMemoriesAreForgottenAtEachStart) {
    RecordingFixture f(MacroTimingMode::NoDelay);
    f.Key(kA, true, 0);  // held while the recording stops
    f.recorder.Stop();
    EXPECT_EQ(f.Key(kB, true, 10).kind, RecordedStep::Kind::Nothing);
    f.recorder.Start(MacroTimingMode::NoDelay, MacroCaptureKind::Append, "", kStart);
    f.Key(kA, true, 20);
    EXPECT_EQ(f.list.Size(), 2);
}

TEST(MacroRecorder, ALaterRecordingGivesTheWaitSinceItsStartToTheEventBefore) {
    RecordingFixture f(MacroTimingMode::RealTime);
    f.Key(kA, true, 0);
    f.Key(kA, false, 100);
    f.recorder.Stop();
    f.recorder.Start(MacroTimingMode::RealTime, MacroCaptureKind::Append, "",
                     RecordingFixture::At(5000));
    f.Key(kB, true, 5400);
    EXPECT_EQ(f.Delays(), (std::vector<Json::Value>{Text("100"), Text("400"), Text("0")}));
}

TEST(MacroRecorder, AFullListTakesNoInputAndSaysTheLimitIsReached) {
    RecordingFixture f(MacroTimingMode::RealTime);
    std::vector<MacroEvent> full(MacroLimits::kEventsPerMacro, MacroEvent{10, 4, true, 7});
    f.list.Load(full);
    const RecordedStep step = f.Key(kB, true, 10);
    EXPECT_EQ(step.kind, RecordedStep::Kind::Nothing);
    EXPECT_TRUE(step.limitReached);
    EXPECT_EQ(f.list.Events(), full);
}

// Presses minus releases per key or button over the whole list, as a
// device playing it would leave them held.
std::map<std::pair<uint8_t, uint8_t>, int> HeldAtTheEnd(const std::vector<MacroEvent>& events) {
    std::map<std::pair<uint8_t, uint8_t>, int> held;
    for (const MacroEvent& e : events) held[{e.type, e.button}] += e.down ? 1 : -1;
    std::erase_if(held, [](const auto& entry) { return entry.second == 0; });
    return held;
}

TEST(MacroRecorder, ARecordingCutAtTheLimitLeavesNoKeyHeld) {
    constexpr uint16_t kLeftDown = 0x0201;
    const struct {
        const char* name;
        MacroCaptureKind kind;
        int alreadyThere;  // events in the macro before the recording
    } cases[] = {
        {"empty, appended", MacroCaptureKind::Append, 0},
        {"odd room, appended", MacroCaptureKind::Append, 1},
        {"almost full, appended", MacroCaptureKind::Append, MacroLimits::kEventsPerMacro - 7},
        {"inserted after", MacroCaptureKind::InsertAfter, 10},
        {"inserted before", MacroCaptureKind::InsertBefore, 11},
    };
    for (const auto& c : cases) {
        RecordingFixture f(MacroTimingMode::NoDelay, c.kind);
        // Whole pairs of another key, so the earlier content is balanced.
        std::vector<MacroEvent> before;
        for (int i = 0; i < c.alreadyThere; ++i) before.push_back({10, 0x07, i % 2 == 0, 5});
        if (c.alreadyThere % 2 == 1) before.back() = {10, 0x07, false, 5};
        f.list.Load(before);
        if (c.kind != MacroCaptureKind::Append) f.list.Select(c.alreadyThere / 2);
        const auto heldBefore = HeldAtTheEnd(f.list.Events());

        // The mouse button and then B are held while A is tapped on.
        f.Mouse(kLeftDown, 0x01, true, 0);
        f.Key(kB, true, 1);
        bool full = false;
        for (int t = 2; t < 5000 && !full; t += 2) {
            full = f.Key(kA, true, t).limitReached || f.Key(kA, false, t + 1).limitReached;
        }
        ASSERT_TRUE(full) << c.name;
        f.recorder.Stop();
        const std::vector<RecordedStep> releases = f.recorder.Finish(f.list, f.At(6000));
        // Full, but for a press that had no room for its release.
        EXPECT_LE(f.list.Size(), MacroLimits::kEventsPerMacro) << c.name;
        EXPECT_GE(f.list.Size(), MacroLimits::kEventsPerMacro - 1) << c.name;
        EXPECT_EQ(HeldAtTheEnd(f.list.Events()), heldBefore) << c.name;
        ASSERT_EQ(releases.size(), 2u) << c.name;
        EXPECT_EQ(releases[0].event, (MacroEvent{10, kB.usage, false, 0})) << "last pressed first";
        EXPECT_EQ(releases[1].event, (MacroEvent{1, 0x01, false, 0}));
    }
}

TEST(MacroRecorder, FinishReleasesWhatIsHeldAfterTheTimeItWasHeld) {
    RecordingFixture f(MacroTimingMode::RealTime);
    f.Key(kA, true, 0);
    f.Key(kB, true, 100);
    f.Key(kB, false, 150);
    f.recorder.Stop();
    const std::vector<RecordedStep> releases = f.recorder.Finish(f.list, f.At(900));
    ASSERT_EQ(releases.size(), 1u);
    EXPECT_EQ(f.list.Events().back(), (MacroEvent{10, kA.usage, false, 0}));
    EXPECT_EQ(f.Delays(),
              (std::vector<Json::Value>{Text("100"), Text("50"), Text("750"), Text("0")}));
    EXPECT_TRUE(f.recorder.Finish(f.list, f.At(1000)).empty()) << "nothing held any more";
    EXPECT_EQ(f.list.Size(), 4);
}

TEST(MacroRecorder, InsertBeforeKeepsTheSelectedActionSelected) {
    RecordingFixture f(MacroTimingMode::NoDelay, MacroCaptureKind::InsertBefore);
    std::vector<MacroEvent> events;
    for (uint8_t i = 0; i < 5; ++i) events.push_back({1, i, true, 100});
    f.list.Load(events);
    f.list.Select(3);
    f.Key(kA, true, 0);
    f.Key(kB, true, 10);
    f.Key(kC, true, 20);
    ASSERT_EQ(f.list.Size(), 8);
    EXPECT_EQ(f.list.Events()[3].button, kA.usage);
    EXPECT_EQ(f.list.Events()[4].button, kB.usage);
    EXPECT_EQ(f.list.Events()[5].button, kC.usage);
    EXPECT_EQ(f.list.Events()[6], (MacroEvent{1, 3, true, 100}));
    EXPECT_EQ(f.list.Selected(), 6);
}

TEST(MacroRecorder, InsertAfterFollowsTheNewEvents) {
    RecordingFixture f(MacroTimingMode::FixedDelay, MacroCaptureKind::InsertAfter, "40");
    f.list.Load({{1, 0, true, 100}, {1, 1, true, 100}, {1, 2, true, 100}});
    f.list.Select(0);
    f.Key(kA, true, 0);
    f.Key(kB, true, 10);
    EXPECT_EQ(f.list.Events(), (std::vector<MacroEvent>{{1, 0, true, 100},
                                                        {10, kA.usage, true, 40},
                                                        {10, kB.usage, true, 40},
                                                        {1, 1, true, 100},
                                                        {1, 2, true, 100}}));
    EXPECT_EQ(f.list.Selected(), 2);
}

TEST(MacroRecorder, InsertAndReplaceKindsNeedASelection) {
    for (MacroCaptureKind kind : {MacroCaptureKind::InsertBefore, MacroCaptureKind::InsertAfter,
                                  MacroCaptureKind::Replace}) {
        RecordingFixture f(MacroTimingMode::NoDelay, kind);
        f.list.Load({{1, 1, true, 100}});
        EXPECT_EQ(f.Key(kA, true, 0).kind, RecordedStep::Kind::Nothing);
        EXPECT_EQ(f.list.Events(), (std::vector<MacroEvent>{{1, 1, true, 100}}));
    }
}

TEST(MacroRecorder, ReplaceKeepsActionAndDelayAndTheLastInputWins) {
    RecordingFixture f(MacroTimingMode::RealTime, MacroCaptureKind::Replace);
    f.list.Load({{1, 0x01, true, 100}, {1, 0x02, false, 250}});
    f.list.Select(1);
    const RecordedStep step = f.Key(kA, true, 0);
    EXPECT_EQ(step, (RecordedStep{RecordedStep::Kind::Replace, 1,
                                  MacroEvent{10, kA.usage, false, 250}, std::nullopt, 1}));
    f.Mouse(0x0207, 0x04, true, 10);
    EXPECT_EQ(f.list.Events(),
              (std::vector<MacroEvent>{{1, 0x01, true, 100}, {1, 0x04, false, 250}}));
    EXPECT_EQ(f.list.Selected(), 1);
}

}  // namespace
}  // namespace kelno
