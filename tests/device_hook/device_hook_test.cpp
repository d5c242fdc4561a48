// The capture owner: which message each captured event becomes, that an
// ended capture's events are recognised as stale, that a second start never
// doubles events, and what a refused or missing capture gives.

#include "devices/hook/device_hook.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/sim/scripted_input_capture.h"

namespace kelno {
namespace {

using input::ButtonInput;
using input::CapturedInput;
using input::KeyInput;

struct Posted {
    uint32_t message;
    hook::HookEvent event;
};

CapturedInput Key(uint8_t scan, bool down = true) {
    return {KeyInput{down, scan, false}, std::chrono::steady_clock::now()};
}

CapturedInput Button() {
    return {ButtonInput{true, input::MouseButton::Left, 10, 20}, std::chrono::steady_clock::now()};
}

class DeviceHookTest : public ::testing::Test {
  protected:
    std::shared_ptr<sim::ScriptedInputCapture> capture =
        std::make_shared<sim::ScriptedInputCapture>();
    std::vector<Posted> posted;
    CDeviceHook hook{capture, [this](uint32_t message, hook::HookEvent event) {
                         posted.push_back({message, std::move(event)});
                     }};
};

TEST(HookMessages, EachModeHasItsKeyAndMouseMessage) {
    struct Case {
        int32_t mode;
        std::optional<uint32_t> key, mouse;
    };
    const Case cases[] = {
        {hook::kModeSingleKey, hook::kMsgKeySingleKey, std::nullopt},
        {hook::kModeHitKey, hook::kMsgKeyHitKey, std::nullopt},
        {hook::kModeRecord, hook::kMsgKeyMacro, hook::kMsgMouseMacro},
        {hook::kModeInsertBefore, hook::kMsgKeyMacroPrevious, hook::kMsgMouseMacroPrevious},
        {hook::kModeInsertAfter, hook::kMsgKeyMacroLater, hook::kMsgMouseMacroLater},
        {hook::kModeReplace, hook::kMsgKeyMacroSingle, hook::kMsgMouseMacroSingle},
        {256, hook::kMsgMouseSingleKey, std::nullopt},
        {1024, hook::kMsgMouseKeyMacro, std::nullopt},
        {64, std::nullopt, std::nullopt},
        {0, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hook::HookMessageFor(c.mode, false), c.key) << c.mode;
        EXPECT_EQ(hook::HookMessageFor(c.mode, true), c.mouse) << c.mode;
        // The eight macro messages lead back to their mode.
        if (c.mouse) {
            EXPECT_EQ(hook::MacroModeOfMessage(*c.key), c.mode);
            EXPECT_EQ(hook::MacroModeOfMessage(*c.mouse), c.mode);
        }
    }
    EXPECT_EQ(hook::MacroModeOfMessage(hook::kMsgKeySingleKey), 0);
}

TEST_F(DeviceHookTest, ARecordingPostsKeysAndButtonsInOrder) {
    ASSERT_EQ(hook.StartCapture(hook::kModeRecord, true, true), CaptureResult::Started);
    ASSERT_TRUE(capture->RunningRequest().has_value());
    EXPECT_TRUE(capture->RunningRequest()->mouseButtons);
    capture->Feed(Key(0x1E));
    capture->Feed(Button());
    capture->Feed(Key(0x1E, false));
    ASSERT_EQ(posted.size(), 3u);
    EXPECT_EQ(posted[0].message, hook::kMsgKeyMacro);
    EXPECT_EQ(posted[1].message, hook::kMsgMouseMacro);
    EXPECT_EQ(posted[2].message, hook::kMsgKeyMacro);
    for (const Posted& p : posted) EXPECT_TRUE(hook.IsCurrent(p.event));
}

TEST_F(DeviceHookTest, ASingleKeyCaptureTakesNoMouseAndAnUnknownModeSendsNothing) {
    ASSERT_EQ(hook.StartCapture(hook::kModeSingleKey, true, true), CaptureResult::Started);
    EXPECT_FALSE(capture->RunningRequest()->mouseButtons);
    capture->Feed(Button());  // even if a backend reported one
    capture->Feed(Key(0x2E));
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, hook::kMsgKeySingleKey);

    posted.clear();
    ASSERT_EQ(hook.StartCapture(64, true, true), CaptureResult::Started);
    capture->Feed(Key(0x2E));
    EXPECT_TRUE(posted.empty());  // swallowed, and sent nowhere
    EXPECT_TRUE(hook.IsCapturing());
}

TEST_F(DeviceHookTest, ASecondStartEndsTheFirstAndItsQueuedEventsGoStale) {
    ASSERT_EQ(hook.StartCapture(hook::kModeRecord, true, true), CaptureResult::Started);
    capture->Feed(Key(0x1E));
    ASSERT_EQ(hook.StartCapture(hook::kModeInsertAfter, true, true), CaptureResult::Started);
    capture->Feed(Key(0x30));

    const std::vector<sim::ScriptedInputCapture::Call> calls = capture->Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].kind, sim::ScriptedInputCapture::Call::Kind::Stop);
    ASSERT_EQ(posted.size(), 2u);  // one capture at a time: nothing doubled
    EXPECT_FALSE(hook.IsCurrent(posted[0].event));
    EXPECT_TRUE(hook.IsCurrent(posted[1].event));
    EXPECT_EQ(posted[1].message, hook::kMsgKeyMacroLater);

    EXPECT_TRUE(hook.StopCapture());
    EXPECT_FALSE(hook.IsCurrent(posted[1].event));
    EXPECT_FALSE(hook.StopCapture());  // nothing left to stop
}

TEST_F(DeviceHookTest, ARefusedOrFailedStartKeepsNothing) {
    for (const auto [outcome, result] :
         {std::pair{input::CaptureStart::GrabRefused, CaptureResult::GrabRefused},
          std::pair{input::CaptureStart::Failed, CaptureResult::Failed}}) {
        capture->SetStartOutcome(outcome);
        EXPECT_EQ(hook.StartCapture(hook::kModeRecord, true, true), result);
        EXPECT_FALSE(hook.IsCapturing());
        EXPECT_EQ(hook.Mode(), 0);
        EXPECT_FALSE(capture->Feed(Key(0x1E)));
    }
    EXPECT_TRUE(posted.empty());
}

TEST_F(DeviceHookTest, WithoutGlobalCaptureTheWindowsOwnKeysCount) {
    capture->SetStartOutcome(input::CaptureStart::Unavailable);
    hook.OnWindowKey({true, 0x1E, false});  // no capture yet: ignored
    ASSERT_EQ(hook.StartCapture(hook::kModeSingleKey, true, true), CaptureResult::WindowOnly);
    EXPECT_TRUE(hook.IsWindowOnly());
    hook.OnWindowKey({true, 0x1E, false});
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, hook::kMsgKeySingleKey);
    EXPECT_TRUE(hook.IsCurrent(posted[0].event));
    hook.StopCapture();
    hook.OnWindowKey({true, 0x1E, false});
    EXPECT_EQ(posted.size(), 1u);
}

TEST_F(DeviceHookTest, ALostCaptureIsPostedAsItsOwnMessage) {
    ASSERT_EQ(hook.StartCapture(hook::kModeRecord, true, true), CaptureResult::Started);
    capture->Lose();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].message, hook::kMsgCaptureLost);
    EXPECT_TRUE(hook.IsCurrent(posted[0].event));
}

TEST(DeviceHook, GoingAwayGivesTheKeyboardBack) {
    auto capture = std::make_shared<sim::ScriptedInputCapture>();
    {
        CDeviceHook hook(capture, [](uint32_t, hook::HookEvent) {});
        ASSERT_EQ(hook.StartCapture(hook::kModeRecord, true, true), CaptureResult::Started);
    }
    EXPECT_FALSE(capture->Capturing());
}

}  // namespace
}  // namespace kelno
