// The window's side of the mouse page: its controls reach the mouse, the
// pointer settings reach the system through the settings worker (never the
// UI thread), and a setting the system refuses is shown until one goes
// through.

#include <gtest/gtest.h>

#include <algorithm>

#include "app/main_window_fixture.h"
#include "devices/models/light_sync.h"
#include "devices/models/mouse_device.h"
#include "panels/message_texts.h"
#include "skin/controls/button.h"
#include "skin/controls/progress.h"

namespace kelno::app::test {
namespace {

using input_settings::Outcome;
using input_settings::Setting;
using Call = sim::RecordingInputSettings::Call;

class MainWindowMouseTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        emulator_->Plug(SimKind::Mouse);
        Pass();
        ASSERT_FALSE(window_->Mice().empty());
        mouse_ = dynamic_cast<CZembravaMouseDevice*>(window_->Mice().at(0));
        ASSERT_NE(mouse_, nullptr) << "the mouse page is the mouse's own class";
        ASSERT_EQ(window_->ActiveDevice(), mouse_);
        Advance(CDeviceOptionUI::kInitialSyncDelayMs + 50);
        ASSERT_TRUE(PumpUntil([&] { return mouse_->IsDeviceWorkDone() && mouse_->HasKeyMap(); }));
    }

    void Slide(const char* name, int value) {
        auto* slider = static_cast<skin::CSliderUI*>(Find(name)->GetInterface("Slider"));
        slider->SetValue(value);
        Raise(name, "valuechanged");
    }
    void Check(const char* name, bool on) {
        static_cast<skin::COptionUI*>(Find(name)->GetInterface("Option"))->Selected(on);
        Raise(name, "selectchanged");
    }
    // The last value the system got for `setting`, once the worker is idle.
    std::optional<int> Applied(Setting setting) {
        std::optional<int> last;
        for (const Call& call : inputSettings_->Calls())
            if (call.setting == setting) last = call.value;
        return last;
    }
    bool WaitForValue(Setting setting, int value) {
        return PumpUntil([&] { return Applied(setting) == value; });
    }

    CZembravaMouseDevice* mouse_ = nullptr;
};

TEST_F(MainWindowMouseTest, PointerControlsReachTheSystemInItsUnits) {
    Slide("pointer_speed_slider", 6);
    EXPECT_TRUE(WaitForValue(Setting::PointerSpeed, 14));
    Slide("double_click_slider", 2);
    EXPECT_TRUE(WaitForValue(Setting::DoubleClickTime, 800));
    Slide("scroll_speed_slider", 4);
    EXPECT_TRUE(WaitForValue(Setting::WheelLines, 5));
    Check("scrolls_page_check", true);
    EXPECT_TRUE(WaitForValue(Setting::WheelLines, 255)) << "one page per notch";
    Check("pointer_precision_check", false);
    EXPECT_TRUE(WaitForValue(Setting::PointerPrecision, 0));
    EXPECT_EQ(mouse_->GetSystemSettings()[CZembravaMouseDevice::kPointerSpeed], 6);
    EXPECT_FALSE(Applied(Setting::KeyRepeatRate)) << "the mouse page sets no key repeat";
}

TEST_F(MainWindowMouseTest, ARefusedSettingIsShownUntilOneGoesThrough) {
    inputSettings_->SetOutcome(Setting::DoubleClickTime, Outcome::Failed);
    Slide("double_click_slider", 3);
    EXPECT_TRUE(PumpUntil([&] { return Find("os_setting_notice")->IsOwnVisible(); }));

    // A setting this system lacks says nothing on its own.
    inputSettings_->SetOutcome(Setting::DoubleClickTime, Outcome::NotSupported);
    Slide("double_click_slider", 4);
    EXPECT_TRUE(PumpUntil([&] { return !Find("os_setting_notice")->IsOwnVisible(); }));
}

TEST_F(MainWindowMouseTest, DpiAndReportRateControlsWriteTheMouse) {
    const auto mouseDevice = emulator_->Device(SimKind::Mouse);
    Slide("DPI_slider_0", 40);
    Check("polling_rate_option_1", true);
    ASSERT_TRUE(PumpUntil([&] { return mouse_->IsDeviceWorkDone(); }));
    const std::vector<uint8_t> memory = mouseDevice->Memory();
    EXPECT_EQ(memory[mouse::kStageOffset + 2], 40);
    EXPECT_EQ(memory[11], 1);
    EXPECT_FALSE(Find("device_write_notice")->IsOwnVisible());
}

TEST_F(MainWindowMouseTest, TheLastLeftButtonIsNotOpenedForReassignment) {
    mouse_->SetFunctionPage(CZembravaUSBDevice::kKeysPage);
    Raise("key_0", "click");
    EXPECT_EQ(window_->asked, std::vector<std::string>{texts::kLastLeftButton});
    EXPECT_EQ(mouse_->GetSelectedKey(), -1);

    // With a second left button either may be reassigned.
    KeyAssignmentPair second = mouse_->GetKeyAssignments()[1];
    second.current = mouse_->GetKeyAssignments()[0].current;
    mouse_->SetKeyAssignment(1, second);
    Raise("key_0", "click");
    EXPECT_EQ(window_->asked.size(), 1u);
    EXPECT_EQ(mouse_->GetSelectedKey(), 0);
}

// The keyboard's repeat controls reach the system the same way.
TEST_F(MainWindowTest, KeyRepeatControlsReachTheSystem) {
    emulator_->Plug(SimKind::Keyboard);
    Pass();
    ASSERT_EQ(window_->ActiveDevice(), Keyboard());
    static_cast<skin::CSliderUI*>(Find("repeat_rate_slider")->GetInterface("Slider"))->SetValue(20);
    Raise("repeat_rate_slider", "valuechanged");
    static_cast<skin::COptionUI*>(Find("repeat_delay_check_2")->GetInterface("Option"))
        ->Selected(true);
    Raise("repeat_delay_check_2", "selectchanged");
    const auto applied = [&](Setting setting, int value) {
        return PumpUntil([&] {
            const auto calls = inputSettings_->Calls();
            return std::find(calls.begin(), calls.end(), Call{setting, value}) != calls.end();
        });
    };
    EXPECT_TRUE(applied(Setting::KeyRepeatRate, 20));
    EXPECT_TRUE(applied(Setting::KeyRepeatDelay, 2));
    for (const Call& call : inputSettings_->Calls())
        EXPECT_NE(call.setting, Setting::PointerSpeed) << "a keyboard sets no pointer speed";
}

// Same-mode synchronisation from the mouse: each device in its own kind's
// mode, both held and painted together; alone again, the mouse is let go.
TEST_F(MainWindowMouseTest, SynchronisationFromTheMouseHoldsEveryConnectedDevice) {
    emulator_->Plug(SimKind::Keyboard);
    Pass();
    ASSERT_EQ(window_->ActiveDevice(), mouse_) << "the first device keeps the selection";
    Advance(CDeviceOptionUI::kInitialSyncDelayMs + 50);
    ASSERT_TRUE(PumpUntil([&] { return Keyboard()->IsDeviceWorkDone(); }));

    LightSetting breathing = mouse_->GetLightSettings();
    breathing[LightSetting::kMode] = 2;
    breathing[LightSetting::kBrightness] = 3;
    mouse_->SetLightSettings(breathing.Word(0), breathing.Word(1), breathing.Word(2));
    window_->StartSameModeSynchronisation();

    EXPECT_EQ(Keyboard()->GetLightSettings()[LightSetting::kMode], 6);
    EXPECT_EQ(Keyboard()->GetLightSettings()[LightSetting::kBrightness], 3);
    EXPECT_EQ(mouse_->GetLightSettings()[LightSetting::kMode], 2);
    EXPECT_TRUE(Keyboard()->CommandChannel().LightingHold());
    EXPECT_TRUE(mouse_->CommandChannel().LightingHold());
    EXPECT_TRUE(PumpUntil([&] { return window_->Synchroniser()->Steps() > 10; }));
    EXPECT_TRUE(PumpUntil([&] {
        return Keyboard()->GetLedColour(0) == mouse_->GetLedColour(0) &&
               mouse_->GetLedColour(0) != 0;
    })) << "both devices breathe together";

    emulator_->Unplug(SimKind::Keyboard);
    Pass();
    EXPECT_FALSE(mouse_->CommandChannel().LightingHold()) << "alone, the mouse is let go";
}

TEST_F(MainWindowMouseTest, AModeThatCannotBeSharedChangesNothing) {
    emulator_->Plug(SimKind::Keyboard);
    Pass();
    LightSetting wave = mouse_->GetLightSettings();
    wave[LightSetting::kMode] = 0;  // the mouse's wave has no common code
    mouse_->SetLightSettings(wave.Word(0), wave.Word(1), wave.Word(2));
    const LightSetting keyboardBefore = Keyboard()->GetLightSettings();
    window_->StartSameModeSynchronisation();
    EXPECT_EQ(Keyboard()->GetLightSettings(), keyboardBefore);
    EXPECT_FALSE(mouse_->CommandChannel().LightingHold());
}

}  // namespace
}  // namespace kelno::app::test
