// The mouse's LED selection path: a device reload only when every LED has
// a selected (or hidden) button, one is really selected and the profile
// file can be read.

#include <gtest/gtest.h>

#include <memory>

#include "devices/models/light_button.h"
#include "panel_fixture.h"
#include "skin/controls/button.h"
#include "skin/core/attribute_values.h"

namespace kelno::test {
namespace {

class FakeLightButton final : public skin::CButtonUI, public ILightButton {
  public:
    void* GetInterface(std::string_view name) override {
        if (skin::EqualsNoCase(name, kLightButtonInterface))
            return static_cast<ILightButton*>(this);
        return CButtonUI::GetInterface(name);
    }
    void SetLight(uint32_t, uint8_t, bool) override {}
    uint32_t GetLightColour() const override { return 0; }
    uint8_t GetLightLevel() const override { return 0; }
    bool IsLightOn() const override { return false; }
    bool IsKeySelected() const override { return selected; }
    bool selected = false;
};

class ThreeLedDevice final : public CZembravaUSBDevice {
  public:
    explicit ThreeLedDevice(std::filesystem::path profile) : profile_(std::move(profile)) {
        SetLedCount(3);
    }
    std::string GetProfileName() const override { return profile_.string(); }
    int LoadProfile() override { return ++loads; }
    int RefreshPanels() override { return ++refreshes; }
    int WriteSettings(int, int, int, int width, int) override {
        screenWidth = width;
        return ++writes;
    }
    int loads = 0, refreshes = 0, writes = 0, screenWidth = 0;

  private:
    std::filesystem::path profile_;
};

enum class Button { Selected, Unselected, HiddenUnselected, Missing, ByUserData };

TEST(MouseSelection, ReloadsOnlyForACompleteSelectionAndAReadableProfile) {
    struct Case {
        const char* what;
        std::vector<Button> buttons;
        bool readableProfile;
        bool reloads;
    };
    using B = Button;
    const Case cases[] = {
        {"all selected", {B::Selected, B::Selected, B::Selected}, true, true},
        {"one not selected", {B::Selected, B::Unselected, B::Selected}, true, false},
        {"hidden counts as selected", {B::HiddenUnselected, B::Selected, B::Selected}, true, true},
        {"all hidden",
         {B::HiddenUnselected, B::HiddenUnselected, B::HiddenUnselected},
         true,
         false},
        {"an LED without a button", {B::Selected, B::Selected, B::Missing}, true, false},
        {"named by user data", {B::Selected, B::ByUserData, B::Selected}, true, true},
        {"profile unreadable", {B::Selected, B::Selected, B::Selected}, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder temp;
        const auto profile = c.readableProfile ? temp.WriteFile("p.Json", R"({"Device": []})")
                                               : temp / "missing.Json";
        ThreeLedDevice device(profile);
        auto* selectPanel = new skin::CHorizontalLayoutUI();
        selectPanel->SetName("mouse_device_key_light");
        device.Add(selectPanel);
        for (size_t i = 0; i < c.buttons.size(); ++i) {
            if (c.buttons[i] == B::Missing) continue;
            auto* button = new FakeLightButton();
            const std::string name = "light_" + std::to_string(i);
            if (c.buttons[i] == B::ByUserData) {
                button->SetName("led");
                button->SetUserData(name);
            } else {
                button->SetName(name);
            }
            button->selected = c.buttons[i] == B::Selected || c.buttons[i] == B::ByUserData;
            if (c.buttons[i] == B::HiddenUnselected) button->SetVisible(false);
            selectPanel->Add(button);
        }
        FakePanelHost host;
        CLightControlUI panel(&host);
        skin::TNotifyUI notify;
        notify.sType = "click_select_end";
        notify.pSender = selectPanel;
        EXPECT_TRUE(panel.OnRoutedNotify({app::Handler::MouseKeysSelected}, notify, device));
        EXPECT_EQ(device.loads, c.reloads ? 1 : 0);
        EXPECT_EQ(device.refreshes, device.loads);
        EXPECT_EQ(device.writes, device.loads);
        if (c.reloads) {
            EXPECT_EQ(device.screenWidth, 1920);
        }
    }
}

}  // namespace
}  // namespace kelno::test
