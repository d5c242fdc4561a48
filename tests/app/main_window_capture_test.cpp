// The main window's global input capture: message 1054 starts and stops
// the single-key capture, captured keys reach the key panel of the device
// that asked, events of an ended capture are dropped, the keyboard is never
// left taken (hidden window, tab change, unplug, exit), a refused capture is
// told, and without global capture the window's own keys count. A key click
// on a keyboard's lighting page lights or darkens that key.

#include "devices/hook/hook_messages.h"
#include "main_window_fixture.h"
#include "panels/key_set_control.h"
#include "skin/controls/combo.h"

namespace kelno::app::test {
namespace {

constexpr int kKey = 5;

input::CapturedInput Key(uint8_t scan, bool down = true, bool extended = false) {
    return {input::KeyInput{down, scan, extended}, std::chrono::steady_clock::now()};
}

class CaptureTest : public PreviewTest {
  protected:
    void SetUp() override {
        PreviewTest::SetUp();
        keyboard_->SetFunctionPage(CZembravaUSBDevice::kKeysPage);
        Raise("key_5", "click");
        auto* functions = static_cast<skin::CComboUI*>(Find("keyset_function_combo"));
        ASSERT_NE(functions, nullptr);
        functions->SelectItem(1, true);  // a keyboard key
    }
    void FocusKeyEdit() { Raise("keyset_keyboard_text_edit", "setfocus"); }
    void BlurKeyEdit() { Raise("keyset_keyboard_text_edit", "killfocus"); }
    uint32_t Assignment() { return keyboard_->GetKeyAssignments()[kKey].current.Packed(); }
    bool Capturing() { return capture_->Capturing() && window_->Hook()->IsCapturing(); }
};

TEST_F(CaptureTest, ASingleKeyCaptureGivesTheKeyToThePanel) {
    FocusKeyEdit();
    ASSERT_TRUE(Capturing());
    ASSERT_TRUE(capture_->RunningRequest().has_value());
    EXPECT_FALSE(capture_->RunningRequest()->mouseButtons);
    capture_->Feed(Key(0x1D));  // left Ctrl
    capture_->Feed(Key(0x2E));  // C
    system_.RunPendingTasks();
    EXPECT_EQ(Assignment(), 0x200106u);
    BlurKeyEdit();
    EXPECT_FALSE(capture_->Capturing());
}

TEST_F(CaptureTest, KeysStillQueuedWhenTheCaptureEndsAreDropped) {
    const uint32_t before = Assignment();
    FocusKeyEdit();
    capture_->Feed(Key(0x30));  // posted, not handled yet
    BlurKeyEdit();
    system_.RunPendingTasks();
    EXPECT_EQ(Assignment(), before);
}

TEST_F(CaptureTest, TheKeyboardIsGivenBackWheneverThePageCannotShowTheCapture) {
    struct Case {
        const char* what;
        std::function<void()> end;
    };
    const Case cases[] = {
        {"hidden to the tray", [&] { Raise("closebtn", "click"); }},
        {"another tab",
         [&] { window_->GetPaintManager().SendNotify(tab_->SelectButton(), "selectchanged"); }},
        {"capture lost",
         [&] {
             capture_->Lose();
             system_.RunPendingTasks();
         }},
        {"suspended",
         [&] {
             window_->PostSleep(true);
             system_.RunPendingTasks();
             window_->PostSleep(false);
             system_.RunPendingTasks();
         }},
        {"device unplugged",
         [&] {
             emulator_->Unplug(SimKind::Keyboard);
             Pass();
         }},
    };
    for (const Case& c : cases) {
        window_->PostWakeUp();
        system_.RunPendingTasks();
        FocusKeyEdit();
        ASSERT_TRUE(Capturing()) << c.what;
        c.end();
        EXPECT_FALSE(capture_->Capturing()) << c.what;
        EXPECT_FALSE(window_->Hook()->IsCapturing()) << c.what;
    }
}

TEST_F(CaptureTest, ExitGivesTheKeyboardBack) {
    FocusKeyEdit();
    ASSERT_TRUE(Capturing());
    window_->Shutdown();
    EXPECT_FALSE(capture_->Capturing());
}

TEST_F(CaptureTest, ARefusedCaptureIsToldAndKeepsNothing) {
    capture_->SetStartOutcome(input::CaptureStart::GrabRefused);
    FocusKeyEdit();
    EXPECT_FALSE(window_->Hook()->IsCapturing());
    Advance(CMainWnd::kNoticeDelayMs + 1);
    EXPECT_EQ(window_->asked, std::vector<std::string>{"capture_grab_refused_text"});
}

TEST_F(CaptureTest, WithoutGlobalCaptureTheWindowsOwnKeysAreTaken) {
    capture_->SetStartOutcome(input::CaptureStart::Unavailable);
    FocusKeyEdit();
    ASSERT_TRUE(window_->Hook()->IsWindowOnly());
    EXPECT_EQ(Find("keyset_capture_notice")->GetTextId(), "capture_window_only_text");
    auto* host = skin::HeadlessWindowSystem::Inner(window_->GetHost());
    for (uint32_t evdev : {29u, 46u}) {  // left Ctrl, C
        skin::InputEvent key;
        key.type = skin::InputEvent::Type::KeyDown;
        key.hardwareKey = evdev + input::kXKeycodeOffset;
        host->Send(key);
    }
    system_.RunPendingTasks();
    EXPECT_EQ(Assignment(), 0x200106u);
    BlurKeyEdit();
    EXPECT_EQ(Find("keyset_capture_notice")->GetTextId(), "keyset_capture_hint_text");
}

TEST_F(PreviewTest, AKeyClickOnTheLightingPageTogglesThatKeysLight) {
    UsePerKeyLighting(-1);
    keyboard_->SetFunctionPage(CZembravaUSBDevice::kLightingPage);
    const auto settle = [&] {
        ASSERT_TRUE(Keyboard()->WaitForDeviceWork(std::chrono::seconds(10)));
        system_.RunPendingTasks();
    };
    settle();
    const auto before = emulator_->Device(SimKind::Keyboard)->KeyLightBitmap();
    Raise("key_5", "click");
    settle();
    EXPECT_NE(emulator_->Device(SimKind::Keyboard)->KeyLightBitmap(), before);
    Raise("key_5", "click");
    settle();
    EXPECT_EQ(emulator_->Device(SimKind::Keyboard)->KeyLightBitmap(), before);
}

}  // namespace
}  // namespace kelno::app::test
