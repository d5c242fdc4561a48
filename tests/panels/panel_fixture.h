#pragma once
// A keyboard page on the emulated keyboard in a headless window, with the
// lighting panel and the profile control built from the real layout
// files, a stand-in for the main window's routing of notifications, and a
// panel host double that records messages and answers dialogs.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <json/value.h>

#include "devices/models/keyboard_device.h"
#include "panels/device_profile.h"
#include "panels/key_set_control.h"
#include "panels/light_control.h"
#include "panels/panel_host.h"
#include "platform/sim/sim_device_set.h"
#include "skin/core/dialog_builder.h"
#include "skin/core/paint_manager.h"
#include "skin/host/headless_host.h"
#include "support/temp_folder.h"

namespace kelno::skin {
class CComboUI;
}

namespace kelno::test {

class FakePanelHost final : public IPanelHost {
  public:
    struct Message {
        std::string textId;
        std::optional<int> number;
    };

    ScreenSize GetScreenSize() const override { return {1920, 1080}; }
    Choice ShowMessage(const std::string& textId, Buttons, std::optional<int> number) override;
    // Recorded with the messages (the test is the event loop).
    void ShowNoticeLater(const std::string& textId) override {
        messages.push_back({textId, std::nullopt});
    }
    std::optional<std::string> ChooseProfileToOpen() override;
    std::optional<std::string> ChooseProfileToSave(const std::string& suggestedName) override;
    // The macro dialogs answer from the same queues.
    std::optional<std::string> ChooseMacroToOpen() override { return ChooseProfileToOpen(); }
    std::optional<std::string> ChooseMacroToSave(const std::string& suggestedName) override {
        savedNameSuggestions.push_back(suggestedName);
        return ChooseProfileToSave(suggestedName);
    }
    void ShowMenuAtPointer(const std::string& menuFile) override { menusShown.push_back(menuFile); }
    void EnableControls(bool enabled) override { enableCalls.push_back(enabled); }
    void StartProfileSwitchTimer(CZembravaUSBDevice& target) override {
        switchTarget = &target;
        ++switchTimerStarts;
    }
    void StartSameModeSynchronisation() override { ++sameModeStarts; }
    CaptureResult StartInputCapture(CZembravaUSBDevice&, int32_t mode) override {
        captureModes.push_back(mode);
        return captureResult;
    }
    void StopInputCapture() override { ++captureStops; }

    std::vector<Message> messages;
    std::deque<Choice> messageAnswers;                   // Ok when empty
    std::deque<std::optional<std::string>> openAnswers;  // cancelled when empty
    std::deque<std::optional<std::string>> saveAnswers;
    int dialogsShown = 0;
    std::vector<std::string> savedNameSuggestions;
    std::vector<std::string> menusShown;
    std::vector<int32_t> captureModes;  // each start, in order
    CaptureResult captureResult = CaptureResult::Started;
    int captureStops = 0;
    std::vector<bool> enableCalls;
    CZembravaUSBDevice* switchTarget = nullptr;
    int switchTimerStarts = 0;
    int sameModeStarts = 0;
};

// The element factory of the test window: the panels and nothing else.
class PanelFactory final : public skin::IDialogBuilderCallback {
  public:
    explicit PanelFactory(IPanelHost* host) : host_(host) {}
    skin::CControlUI* CreateControl(const std::string& className) override;

  private:
    IPanelHost* host_;
};

// What the main window does with the panels' notifications.
class PanelRouter final : public skin::INotifyUI {
  public:
    explicit PanelRouter(CZembravaUSBDevice*& device) : device_(device) {}
    void Notify(skin::TNotifyUI& msg) override;
    int handled = 0;

  private:
    CZembravaUSBDevice*& device_;
};

class KeyboardPageTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Builds the page; tests may prepare files in UserFolder() before.
    void BuildPage();

    std::filesystem::path UserFolder() const { return temp.Path() / "user" / "keyboard"; }
    std::filesystem::path DefaultFolder() const { return temp.Path() / "default"; }
    CLightControlUI& Light() { return *CLightControlUI::Of(*device); }
    CDeviceProfileUI& Profiles() { return *CDeviceProfileUI::Of(*device); }
    CKeySetControlUI& Keys() { return *CKeySetControlUI::Of(*device); }
    template <typename T>
    T* Find(const std::string& name) {
        skin::CControlUI* control = pm.FindControl(name);
        EXPECT_NE(control, nullptr) << name;
        return dynamic_cast<T*>(control);
    }
    // A user's click (the control must be shown and enabled).
    void Click(const std::string& name);
    // The user's text in an edit, then the focus leaves it.
    void Type(const std::string& edit, const std::string& text);
    // The main window's timer 1055 fires.
    void FireProfileSwitch();
    // The profile control: its drop-down list and the list's texts, a click
    // on a button of its menu (opened first when closed).
    skin::CComboUI* ProfileCombo();
    std::vector<std::string> ComboTexts();
    void MenuClick(const std::string& name);
    // The identifier of entry `index` of the list file.
    std::string Uuid(int index) const;

    Json::Value ListFile() const;
    // The files once the device's answers to the clicks have been taken.
    Json::Value ProfileFile(const std::string& uuid);
    Json::Value CurrentLightInfo();  // of the device's profile file
    // The keyboard's memory 0..24 and per-key bitmap once the writes the
    // clicks queued have reached it.
    std::vector<uint8_t> SettingsBlock();
    std::vector<uint8_t> KeyLightBitmap();
    // The device worker has run what was queued, and what it posted back
    // (and what that queued in turn) has run on this (the UI) thread.
    void Settle();

    TempFolder temp;
    sim::SimDeviceSet sim;
    std::shared_ptr<sim::SimCommandDevice> firmware;
    skin::HeadlessHost host{{1920, 1000}};
    skin::CPaintManagerUI pm;
    FakePanelHost panelHost;
    CZembravaUSBDevice* device = nullptr;
    CZembravaKeyboardDevice* keyboard = nullptr;
    PanelRouter router{device};
};

}  // namespace kelno::test
