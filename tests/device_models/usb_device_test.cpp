// The device base class: set-up, binding, LED entries, function pages, the
// power poll, and light frames sent by the lighting thread rather than the
// UI thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "device_page_harness.h"
#include "devices/hid/command_report.h"
#include "devices/models/usb_device.h"
#include "panels/widgets/device_key_button.h"
#include "panels/widgets/widget_factory.h"
#include "platform/sim/sim_device_set.h"
#include "skin/layout/layouts.h"
#include "skin_core/skin_fixture.h"

namespace kelno::test {
namespace {

// Waits for another thread's work, with a generous bound as a hang guard.
bool WaitUntilTrue(const std::function<bool()>& done) {
    return Eventually(done);
}

// Exposes the lighting thread and a fixed effect to the tests.
class TestDevice : public CZembravaUSBDevice {
  public:
    using CZembravaUSBDevice::CZembravaUSBDevice;
    ~TestDevice() override { StopThreads(); }
    void StartLighting() { StartLightingThread(); }
    std::atomic<int> steps{0};
    std::atomic<bool> animates{true};
    bool LightingAnimates() const override { return animates; }

  protected:
    void PreviewStep() override {
        LightStatic();
        ++steps;
    }
};

class Factory : public skin::IDialogBuilderCallback {
  public:
    explicit Factory(std::shared_ptr<hid::HidBackend> backend) : backend_(std::move(backend)) {}
    skin::CControlUI* CreateControl(const std::string& name) override {
        if (name == "TestDevice") return new TestDevice(backend_);
        return widgets::CreateWidget(name);
    }

  private:
    std::shared_ptr<hid::HidBackend> backend_;
};

constexpr const char* kPage =
    "<TestDevice name='page'>"
    "  <SelectPanel name='keys'>"
    "    <DeviceKeyButton name='key_0' userdata='light_2' height='10'/>"
    "    <DeviceKeyButton name='key_1' userdata='light_0' height='10'/>"
    "    <DeviceKeyButton name='key_7' userdata='light_9' height='10'/>"
    "    <DeviceKeyButton name='nonumber' userdata='light_1' height='10'/>"
    "    <Button name='key_2' userdata='light_1' height='10'/>"
    "  </SelectPanel>"
    "  <TabLayout name='device_function_switch'><Control/><Control/><Control/></TabLayout>"
    "  <TabLayout name='device_key_function_switch'><Control/><Control/><Control/></TabLayout>"
    "</TestDevice>";

class UsbDeviceTest : public testing::Test {
  protected:
    // A steady colour at full brightness.
    void SetStaticColour(uint8_t red, uint8_t green, uint8_t blue) {
        LightSetting light;
        light[LightSetting::kBrightness] = 24;
        light[LightSetting::kRed] = red;
        light[LightSetting::kGreen] = green;
        light[LightSetting::kBlue] = blue;
        page->SetLightSettings(light.Word(0), light.Word(1), light.Word(2));
    }

    UsbDeviceTest() : factory(devices.Backend()) {
        keyboard = devices.Plug(sim::SimKind::Keyboard);
        page = static_cast<TestDevice*>(window.Load(kPage, &factory));
        page->SetLayoutFile("page.xml");
        page->SetKeyCount(3);
        page->SetLedCount(3);
    }

    sim::SimDeviceSet devices;
    std::shared_ptr<sim::SimCommandDevice> keyboard;
    Factory factory;
    skin::test::SkinWindow window;
    TestDevice* page = nullptr;
};

TEST_F(UsbDeviceTest, BindsKeyNamesAndLightUserDataWithinTheVectors) {
    page->InitLayout();
    EXPECT_EQ(page->KeyButton(0), window.pm.FindControl("key_0"));
    EXPECT_EQ(page->KeyButton(1), window.pm.FindControl("key_1"));
    EXPECT_EQ(page->KeyButton(2), nullptr);  // a plain button is no key button
    EXPECT_EQ(page->LightButton(2), window.pm.FindControl("key_0"));
    EXPECT_EQ(page->LightButton(0), window.pm.FindControl("key_1"));
    EXPECT_EQ(page->LightButton(1), window.pm.FindControl("nonumber"));
    EXPECT_EQ(page->KeyButton(7), nullptr);
    // Bound light buttons start white at full level.
    auto* light = static_cast<widgets::CDeviceKeyButtonUI*>(page->LightButton(2));
    EXPECT_TRUE(light->IsLightOn());
    EXPECT_EQ(light->GetLightColour(), 0xFFFFFFu);
    EXPECT_EQ(light->GetLightLevel(), 255);
}

TEST_F(UsbDeviceTest, APageWithoutLayoutFileBindsNothing) {
    page->SetLayoutFile("");
    page->InitLayout();
    EXPECT_EQ(page->GetKeyCount(), 0);
    EXPECT_EQ(page->GetLedCount(), 0);
    EXPECT_EQ(page->KeyButton(0), nullptr);
    EXPECT_EQ(page->GetLedColour(0), 0u);
}

TEST_F(UsbDeviceTest, LedEntriesOutOfRangeAreIgnored) {
    page->SetLedColour(1, 0x80112233);
    EXPECT_EQ(page->GetLedColour(1), 0x80112233u);
    page->SetLedColour(3, 0xFFFFFFFF);
    page->SetLedColour(-1, 0xFFFFFFFF);
    EXPECT_EQ(page->GetLedColour(3), 0u);
    EXPECT_EQ(page->GetLedColour(-1), 0u);
}

TEST_F(UsbDeviceTest, LightTickMirrorsButtonsAndTheLightingThreadSendsTheFrame) {
    page->InitLayout();
    ASSERT_TRUE(page->OpenCommandChannel(devices.Backend()->Paths("keyboard")[3]));
    SetStaticColour(200, 100, 50);
    page->StartLighting();
    ASSERT_TRUE(WaitUntilTrue([&] { return page->steps > 0; }));

    keyboard->ClearExchanges();
    page->LightTick();
    auto* button = static_cast<widgets::CDeviceKeyButtonUI*>(page->LightButton(2));
    EXPECT_EQ(button->GetLightColour(), ButtonColour(200, 100, 50));
    EXPECT_EQ(button->GetLightLevel(), 255);
    ASSERT_TRUE(WaitUntilTrue([&] { return page->LightFramesSent() > 0; }));
    const std::vector<uint8_t> frame = keyboard->LightFrame();
    // LED 2: each component scaled by the level, (c * 255) >> 8.
    EXPECT_EQ(frame[6], 199);
    EXPECT_EQ(frame[7], 99);
    EXPECT_EQ(frame[8], 49);
    EXPECT_TRUE(page->StopThreads());
}

TEST_F(UsbDeviceTest, ASlowLightFrameDoesNotHoldTheTick) {
    page->InitLayout();
    ASSERT_TRUE(page->OpenCommandChannel(devices.Backend()->Paths("keyboard")[3]));
    keyboard->InjectFault(sim::SimFault::NoAnswer, 1, CMD_LIGHT_FRAME);
    keyboard->ClearExchanges();
    page->StartLighting();
    // The device has the frame and is not answering ...
    ASSERT_TRUE(WaitUntilTrue([&] {
        for (const auto& request : keyboard->CommandRequests()) {
            if (request[3] == CMD_LIGHT_FRAME) return true;
        }
        return false;
    }));
    // ... and the tick does not wait for it.
    page->LightTick();
    EXPECT_EQ(page->LightFramesSent(), 0u);
    page->CloseCommandChannel();  // wakes the waiting frame
    EXPECT_TRUE(page->StopThreads());
}

TEST_F(UsbDeviceTest, AWirelessDeviceSendsNoFramesButItsButtonsFollow) {
    page->InitLayout();
    ASSERT_TRUE(page->OpenCommandChannel(devices.Backend()->Paths("keyboard")[3], true));
    SetStaticColour(10, 20, 30);
    page->StartLighting();
    ASSERT_TRUE(WaitUntilTrue([&] {
        return page->GetLedColour(0) == PackLedEntry(LedColour{10, 20, 30, 255});
    }));
    keyboard->ClearExchanges();
    page->LightTick();
    auto* button = static_cast<widgets::CDeviceKeyButtonUI*>(page->LightButton(0));
    EXPECT_EQ(button->GetLightColour(), ButtonColour(10, 20, 30));
    EXPECT_EQ(button->GetLightLevel(), 255);
    EXPECT_TRUE(page->StopThreads());
    EXPECT_EQ(page->LightFramesSent(), 0u);
    EXPECT_TRUE(keyboard->CommandRequests().empty());
}

// The lighting thread works only for someone: the device's frames or a
// preview on screen. A still effect is stepped and sent once, then it
// sleeps until a setting wakes it.
TEST_F(UsbDeviceTest, AStillEffectIsSteppedAndSentOnceThenTheThreadSleeps) {
    page->InitLayout();
    ASSERT_TRUE(page->OpenCommandChannel(devices.Backend()->Paths("keyboard")[3]));
    page->animates = false;
    SetStaticColour(1, 2, 3);
    page->StartLighting();
    ASSERT_TRUE(WaitUntilTrue([&] { return page->LightFramesSent() == 1; }));
    const int steps = page->steps;
    // Time enough for dozens of steps at the fastest speed.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(page->steps, steps);
    EXPECT_EQ(page->LightFramesSent(), 1u);

    SetStaticColour(9, 8, 7);  // a setting wakes it: one step, one new frame
    ASSERT_TRUE(WaitUntilTrue([&] { return page->LightFramesSent() == 2; }));
    EXPECT_EQ(keyboard->LightFrame()[0], 8);  // (9 * 255) >> 8
    EXPECT_TRUE(page->StopThreads());
}

TEST_F(UsbDeviceTest, AnAnimatedEffectStepsOnlyWhileSomeoneNeedsTheSteps) {
    page->InitLayout();
    // Wireless: no frames, so only a preview on screen needs the steps.
    ASSERT_TRUE(page->OpenCommandChannel(devices.Backend()->Paths("keyboard")[3], true));
    page->StartLighting();
    ASSERT_TRUE(WaitUntilTrue([&] { return page->steps > 0; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const int idleSteps = page->steps;
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(page->steps, idleSteps) << "nobody looks: no steps";

    page->SetPreviewShown(true);
    ASSERT_TRUE(WaitUntilTrue([&] { return page->steps > idleSteps + 5; }));
    page->SetPreviewShown(false);
    EXPECT_TRUE(page->StopThreads());
}

TEST_F(UsbDeviceTest, AHeldDeviceSkipsItsOwnEffectButSendsTheColoursItIsGiven) {
    page->InitLayout();
    ASSERT_TRUE(page->OpenCommandChannel(devices.Backend()->Paths("keyboard")[3]));
    SetStaticColour(1, 2, 3);
    page->StartLighting();
    ASSERT_TRUE(WaitUntilTrue([&] { return page->LightFramesSent() > 0; }));

    page->CommandChannel().SetLightingHold(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const int steps = page->steps;
    // Synchronisation paints the LEDs from another thread.
    page->SetLedColour(0, PackLedEntry(LedColour{255, 0, 0, 255}));
    ASSERT_TRUE(WaitUntilTrue([&] { return keyboard->LightFrame()[0] == 254; }))
        << "the frame follows the colour it was given";
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(page->steps, steps) << "its own effect is paused while held";
    EXPECT_EQ(keyboard->LightFrame()[0], 254) << "and does not paint over it";

    // The hold's end alone wakes the device's own effect.
    page->CommandChannel().SetLightingHold(false);
    ASSERT_TRUE(WaitUntilTrue([&] { return page->steps > steps; }));
    EXPECT_TRUE(page->StopThreads());
}

TEST_F(UsbDeviceTest, AFailedFrameIsSentAgainWithoutAnotherStep) {
    page->InitLayout();
    ASSERT_TRUE(page->OpenCommandChannel(devices.Backend()->Paths("keyboard")[3]));
    page->animates = false;
    keyboard->InjectFault(sim::SimFault::WriteFailure, 1, CMD_LIGHT_FRAME);
    SetStaticColour(40, 50, 60);
    page->StartLighting();
    // The refused frame and the one sent again after the pause.
    ASSERT_TRUE(WaitUntilTrue([&] { return page->LightFramesSent() == 2; }));
    EXPECT_EQ(keyboard->LightFrame()[0], 39);
    EXPECT_TRUE(page->StopThreads());
}

TEST_F(UsbDeviceTest, FunctionPagesSelectTheSwitchTabs) {
    struct Case {
        int page, functionTab, keyTab;
    };
    const Case cases[] = {{2, 0, 1},  {6, 0, 1},  {4, 0, 2}, {3, 1, -1},
                          {7, 1, -1}, {5, 2, -1}, {1, 0, 0}, {9, 0, 0}};
    auto* functions =
        static_cast<skin::CTabLayoutUI*>(window.pm.FindControl("device_function_switch"));
    auto* keys =
        static_cast<skin::CTabLayoutUI*>(window.pm.FindControl("device_key_function_switch"));
    for (const Case& c : cases) {
        keys->SelectItem(0);
        page->SetFunctionPage(c.page);
        EXPECT_EQ(page->GetFunctionPage(), c.page);
        EXPECT_EQ(functions->GetCurSel(), c.functionTab) << c.page;
        if (c.keyTab >= 0) {
            EXPECT_EQ(keys->GetCurSel(), c.keyTab) << c.page;
        }
    }
}

class PowerRecorder : public IPowerStatusView {
  public:
    void SetPowerPolling(bool on) override { polling = on; }
    void ShowPowerStatus(std::span<const uint8_t> status) override {
        shown.assign(status.begin(), status.end());
    }
    bool polling = false;
    std::vector<uint8_t> shown;
};

TEST_F(UsbDeviceTest, PowerPollTellsTheDisplayAndTheMainWindow) {
    PowerRecorder display;
    std::vector<std::pair<uint32_t, uintptr_t>> messages;
    page->SetMainWindow([&](uint32_t message, uintptr_t wParam, intptr_t) {
        messages.emplace_back(message, wParam);
    });
    page->SetPowerPolling(true);
    page->SetPowerDisplay(&display);
    EXPECT_TRUE(display.polling);

    EXPECT_EQ(page->PollPowerStatus(), 0);  // not open: nothing asked
    EXPECT_TRUE(messages.empty());

    keyboard->SetPowerStatus({0x01, 80, 0x00, 0x07, 3, 0x00});
    ASSERT_TRUE(page->OpenCommandChannel(devices.Backend()->Paths("keyboard")[3], true));
    EXPECT_EQ(page->PollPowerStatus(), kChannelOk);
    ASSERT_EQ(display.shown.size(), 6u);
    EXPECT_EQ(display.shown[3], 1);  // wireless
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], std::make_pair(UWM_DEVICE_POWER_MSG, uintptr_t{3}));

    // The tab item's timer reads on the device worker; the display hears of
    // it on the UI thread.
    keyboard->SetPowerStatus({0x01, 80, 0x00, 0x07, 2, 0x00});
    page->OnPowerPollTimer();
    ASSERT_TRUE(page->WaitForDeviceWork(std::chrono::seconds(20)));
    EXPECT_EQ(messages.size(), 1u) << "not before the UI thread runs it";
    window.host.RunPendingTasks();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], std::make_pair(UWM_DEVICE_POWER_MSG, uintptr_t{2}));
    EXPECT_EQ(display.shown[4], 2);

    // A reading whose device went away (and came back) before the UI thread
    // saw it belongs to the old arrival: dropped.
    keyboard->SetPowerStatus({0x01, 80, 0x00, 0x07, 1, 0x00});
    page->OnPowerPollTimer();
    ASSERT_TRUE(page->WaitForDeviceWork(std::chrono::seconds(20)));
    page->CloseCommandChannel();
    ASSERT_TRUE(page->OpenCommandChannel(devices.Backend()->Paths("keyboard")[3], true));
    window.host.RunPendingTasks();
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(display.shown[4], 2);
}

// A device that answers slowly (a receiver whose mouse sleeps times out
// after seconds) takes longer per reading than the poll's period: the
// readings must not queue up ahead of the writes the user makes.
TEST_F(UsbDeviceTest, PowerReadingsDoNotQueueUpBehindASlowDevice) {
    ASSERT_TRUE(page->OpenCommandChannel(devices.Backend()->Paths("keyboard")[3], true));
    keyboard->ClearExchanges();
    keyboard->SetLatency(std::chrono::milliseconds(100));
    for (int tick = 0; tick < 5; ++tick) page->OnPowerPollTimer();
    ASSERT_TRUE(page->WaitForDeviceWork(std::chrono::seconds(20)));
    keyboard->SetLatency(std::chrono::microseconds(0));
    window.host.RunPendingTasks();
    const std::vector<uint8_t> codes = CommandCodesOf(*keyboard);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), CMD_READ_STATUS), 1);

    // Once that reading is over, the next tick reads again.
    page->OnPowerPollTimer();
    ASSERT_TRUE(page->WaitForDeviceWork(std::chrono::seconds(20)));
    const std::vector<uint8_t> after = CommandCodesOf(*keyboard);
    EXPECT_EQ(std::count(after.begin(), after.end(), CMD_READ_STATUS), 2);
}

TEST_F(UsbDeviceTest, CatalogueEntryGivesKindAndRole) {
    SupportedDeviceEntry entry;
    entry.kind = KindCode(DeviceKind::WirelessMouse);
    entry.variant = kSecondaryVariant;
    page->AttachCatalogueEntry(entry);
    EXPECT_EQ(page->GetDeviceKind(), KindCode(DeviceKind::Mouse));
    EXPECT_EQ(page->GetInterfaceRole(), 0xFF);
}

}  // namespace
}  // namespace kelno::test
