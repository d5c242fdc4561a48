#pragma once
// The main window through the headless window system with emulated
// devices: detection passes run on the test (UI) thread, the tab items'
// timers on the headless clock, global input capture scripted.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "app/device_option.h"
#include "app/main_window.h"
#include "core/backup_record.h"
#include "core/json_file.h"
#include "devices/detect/emulator_catalogue.h"
#include "devices/models/keyboard_device.h"
#include "devices/models/usb_device.h"
#include "platform/linux/evdev_scan_codes.h"
#include "platform/sim/recording_input_settings.h"
#include "platform/sim/scripted_input_capture.h"
#include "platform/sim/sim_device_set.h"
#include "skin/core/paint_manager.h"
#include "skin/core/resource_manager.h"
#include "skin/window/headless_window_system.h"
#include "support/eventually.h"
#include "support/temp_folder.h"

namespace kelno::app::test {

using sim::SimKind;

class TestMainWnd final : public CMainWnd {
  public:
    using CMainWnd::CMainWnd;

    Choice answer = Choice::Ok;
    std::vector<std::string> asked;
    std::vector<std::string> details;  // of the notices with a detail, as asked
    std::function<void()> whileAsking;
    std::vector<CZembravaUSBDevice*> switched;

  protected:
    Choice AskQuestion(const std::string& textId, Buttons, std::optional<int>) override {
        asked.push_back(textId);
        if (whileAsking) whileAsking();
        return answer;
    }
    void SwitchToSelectedProfile(CZembravaUSBDevice& device) override {
        switched.push_back(&device);
    }
    void ShowNoticeWithDetail(const std::string& textId, const std::string& detail) override {
        asked.push_back(textId);
        details.push_back(detail);
    }
};

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        skin::SetWindowSystem(&system_);
        system_.EnableTray(true);
        // A test of its own: no file an earlier one damaged waits to be named.
        BackupRecord::Process().TakeUnshown();
        skin::CPaintManagerUI::SetResourcePath(std::string(KELNO_APP_TEST_SKIN) + "/");
        ASSERT_TRUE(skin::CResourceManager::GetInstance().LoadResource("res.xml"));
        MainWindowOptions options;
        options.backend = emulator_->Backend();
        options.catalogue = EmulatorCatalogue();
        options.userData = folder_ / "user";
        options.defaultData = KELNO_DEFAULT_DATA_DIR;
        options.configFolder = folder_ / "config";
        options.startDetectionThread = threaded_;
        options.announceLightControl = [this](uint32_t w, uint32_t l) {
            announced_.emplace_back(w, l);
        };
        options.inputCapture = capture_;
        options.inputSettings = inputSettings_;
        options.windowKeyToScan = [](uint32_t key, bool down) -> std::optional<input::KeyInput> {
            const auto scan = input::ScanCodeOfXKeycode(static_cast<int>(key));
            if (!scan) return std::nullopt;
            return input::KeyInput{down, scan->code, scan->extended};
        };
        Configure(options);
        window_ = std::make_unique<TestMainWnd>(std::move(options));
        ASSERT_TRUE(window_->CreateMainWindow()) << window_->GetBuildError();
        ASSERT_NE(window_->Detector(), nullptr);
    }
    void TearDown() override {
        window_.reset();
        skin::SetWindowSystem(nullptr);
        skin::CResourceManager::Release();
    }
    // A test's own window options, before the window is made.
    virtual void Configure(MainWindowOptions&) {}

    // One detection pass, then whatever it posted.
    void Pass() {
        window_->Detector()->RunPass();
        system_.RunPendingTasks();
    }
    void Advance(uint32_t ms) {
        skin::HeadlessWindowSystem::Inner(window_->GetHost())->AdvanceTime(ms);
        system_.RunPendingTasks();
    }
    skin::CControlUI* Find(const char* name) {
        return window_->GetPaintManager().FindControl(name);
    }
    void Raise(const char* control, const char* type) {
        skin::CControlUI* sender = Find(control);
        ASSERT_NE(sender, nullptr) << control;
        window_->GetPaintManager().SendNotify(sender, type);
    }
    CDeviceOptionUI* TabOfKind(int kind) {
        for (CDeviceOptionUI* item : window_->TabItems())
            if (item->GetKind() == kind) return item;
        return nullptr;
    }
    CZembravaUSBDevice* Keyboard() { return window_->Keyboards().at(0); }
    bool NoticeShown() { return Find("No_device_Link")->IsOwnVisible(); }

    // Pumps the UI thread's tasks until `done` (bounded: a hang guard).
    bool PumpUntil(const std::function<bool()>& done) {
        return kelno::test::Eventually(done, [this] { system_.RunPendingTasks(); });
    }

    bool threaded_ = false;
    std::vector<std::pair<uint32_t, uint32_t>> announced_;
    kelno::test::TempFolder folder_;
    skin::HeadlessWindowSystem system_;
    std::shared_ptr<sim::SimDeviceSet> emulator_ = std::make_shared<sim::SimDeviceSet>();
    std::shared_ptr<sim::ScriptedInputCapture> capture_ =
        std::make_shared<sim::ScriptedInputCapture>();
    std::shared_ptr<sim::RecordingInputSettings> inputSettings_ =
        std::make_shared<sim::RecordingInputSettings>();
    std::unique_ptr<TestMainWnd> window_;
};

// A keyboard synced on its page, and a way to give its profile a lighting.
class PreviewTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Pass();
        emulator_->Plug(SimKind::Keyboard);
        Pass();
        Advance(CDeviceOptionUI::kInitialSyncDelayMs + 50);
        ASSERT_TRUE(PumpUntil([&] { return Keyboard()->IsDeviceWorkDone(); }));
        system_.RunPendingTasks();
        keyboard_ = static_cast<CZembravaKeyboardDevice*>(Keyboard());
        tab_ = TabOfKind(1);
    }
    // The per-key mode, with a light list when `blinkingLed` is not -1.
    void UsePerKeyLighting(int blinkingLed) {
        LightSetting light = keyboard_->Profile().GetLightSetting();
        light[LightSetting::kMode] = CZembravaKeyboardDevice::kPerKeyMode;
        keyboard_->Profile().SetLightSetting(light.Word(0), light.Word(1), light.Word(2));
        ASSERT_EQ(keyboard_->SaveProfile(), 1);
        Json::Value profile = ReadJsonFile(keyboard_->GetProfileName());
        Json::Value& list = profile["Device"][0]["LightList"];
        list = Json::Value(Json::arrayValue);
        for (int i = 0; i <= blinkingLed; ++i) {
            Json::Value entry;
            entry["LEDREGMode"] = i == blinkingLed ? 2 : 5;  // blinking, or left alone
            entry["LEDBrightness"] = 24;
            entry["red"] = 255;
            list.append(entry);
        }
        ASSERT_EQ(WriteJsonFile(keyboard_->GetProfileName(), profile), 0);
        keyboard_->LoadProfile();
    }

    CZembravaKeyboardDevice* keyboard_ = nullptr;
    CDeviceOptionUI* tab_ = nullptr;
};

}  // namespace kelno::app::test
