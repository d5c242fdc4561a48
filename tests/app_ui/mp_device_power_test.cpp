// The power indicator: what each 6-byte status shows, and the statuses it
// refuses or trims.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "app/ui/mp_device_power.h"
#include "skin/controls/progress.h"
#include "skin/core/paint_manager.h"
#include "skin_fixture.h"

namespace kelno::app {
namespace {

constexpr int kMouse = 2;
constexpr int kMousePad = 3;

class PowerIndicatorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        skin::CPaintManagerUI::SetResourcePath(KELNO_SKIN_DIR);
        std::string error;
        root_.reset(test::BuildLayout("XML/CustomControlXML/MpDevicePower.xml", factory_, &error));
        ASSERT_NE(root_, nullptr) << error;
        power_ =
            static_cast<CMpDevicePowerUI*>(root_->GetInterface(CMpDevicePowerUI::kElementName));
        ASSERT_NE(power_, nullptr);
    }
    skin::CControlUI* Part(const char* name) {
        for (skin::CControlUI* c : test::AllControls(root_.get()))
            if (c->GetName() == name) return c;
        ADD_FAILURE() << name;
        return nullptr;
    }
    int ProgressValue() {
        return static_cast<skin::CProgressUI*>(
                   Part("device_Power_progress")->GetInterface("Progress"))
            ->GetValue();
    }
    void Show(std::vector<uint8_t> status) {
        // Through the device's view of the panel.
        auto* view = static_cast<IPowerStatusView*>(power_->GetInterface("PowerStatusView"));
        ASSERT_NE(view, nullptr);
        view->ShowPowerStatus(status);
    }

    test::TestElementFactory factory_;
    std::unique_ptr<skin::CControlUI> root_;
    CMpDevicePowerUI* power_ = nullptr;
};

TEST_F(PowerIndicatorTest, ShowsLevelChargingAndWireless) {
    struct Case {
        const char* what;
        int kind;
        std::vector<uint8_t> status;
        const char* text;
        int progress;
        bool progressShown;
        const char* picture;
        bool wirelessLogo;
    };
    const std::vector<Case> cases = {
        {"charging over the air",
         kMouse,
         {35, 1, 0, 1, 0, 0},
         "35%",
         65,
         false,
         "file='power/wuxian_powering.png'",
         true},
        {"charging by cable",
         kMouse,
         {35, 1, 0, 0, 0, 0},
         "35%",
         65,
         true,
         "file='power/powering.png'",
         false},
        {"on battery",
         kMouse,
         {80, 0, 0, 1, 0, 0},
         "80%",
         20,
         true,
         "file='power/powered.png'",
         true},
        {"charged", kMouse, {100, 2, 0, 0, 0, 0}, "100%", 0, true, "file='power/power.png'", false},
        {"level above 100",
         kMouse,
         {250, 2, 0, 0, 0, 0},
         "100%",
         0,
         true,
         "file='power/power.png'",
         false},
        {"empty", kMouse, {0, 0, 0, 0, 0, 0}, "0%", 100, true, "file='power/powered.png'", false},
        {"long report, first 6 bytes count", kMouse, std::vector<uint8_t>(80, 1), "1%", 99, false,
         "file='power/wuxian_powering.png'", true},
        {"pad: wireless flag leaves the mark alone",
         kMousePad,
         {50, 1, 0, 1, 0, 0},
         "50%",
         50,
         false,
         "file='power/wuxian_powering.png'",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        power_->SetKind(c.kind, 0);
        Part("device_wuxian_logo")->SetVisible(false);
        Show(c.status);
        EXPECT_EQ(Part("device_power_value")->GetText(), c.text);
        EXPECT_EQ(ProgressValue(), c.progress);
        EXPECT_EQ(Part("device_Power_progress")->IsVisible(), c.progressShown);
        EXPECT_EQ(Part("device_power_status")->GetBkImage(), c.picture);
        EXPECT_EQ(Part("device_wuxian_logo")->IsVisible(), c.wirelessLogo);
    }
}

TEST_F(PowerIndicatorTest, UnknownChargingStateKeepsThePicture) {
    power_->SetKind(kMouse, 0);
    Show({60, 2, 0, 0, 0, 0});
    Show({40, 9, 0, 0, 0, 0});
    EXPECT_EQ(Part("device_power_status")->GetBkImage(), "file='power/power.png'");
    EXPECT_EQ(Part("device_power_value")->GetText(), "40%") << "the level still shows";
}

TEST_F(PowerIndicatorTest, ShortStatusShowsNothing) {
    power_->SetKind(kMousePad, 0);
    Show({70, 2, 0, 0, 0, 1});
    for (size_t size : {0u, 1u, 5u}) {
        Show(std::vector<uint8_t>(size, 9));
        EXPECT_EQ(Part("device_power_value")->GetText(), "70%") << size;
        EXPECT_EQ(Part("device_phone_type")->GetToolTip(), "Phone_type_iphone") << size;
    }
}

TEST_F(PowerIndicatorTest, PhoneOnAPadOnly) {
    struct Case {
        uint8_t type;
        const char* tip;
        const char* picture;
    };
    power_->SetKind(kMousePad, 1);
    for (const Case& c :
         {Case{1, "Phone_type_iphone", "file='power/Phone_type_iphone.png'"},
          Case{2, "Phone_type_samsung", "file='power/Phone_type_samsung.png'"},
          Case{3, "Phone_type_other", "file='power/Phone_type_other.png'"},
          Case{7, "Phone_type_no_device", "file='power/Phone_type_no_device.png'"},
          Case{0, "Phone_type_no_device", "file='power/Phone_type_no_device.png'"}}) {
        Show({50, 0, 0, 0, 0, c.type});
        EXPECT_EQ(Part("device_phone_type")->GetToolTip(), c.tip) << int{c.type};
        EXPECT_EQ(Part("device_phone_type")->GetBkImage(), c.picture) << int{c.type};
    }
    // On a mouse the phone picture is never touched.
    power_->SetKind(kMouse, 0);
    Part("device_phone_type")->SetBkImage("");
    Show({50, 0, 0, 0, 0, 1});
    EXPECT_EQ(Part("device_phone_type")->GetBkImage(), "");
}

TEST_F(PowerIndicatorTest, PollingShowsTheIndicator) {
    power_->SetPowerPolling(false);
    EXPECT_FALSE(Part("device_power_Layout")->IsVisible());
    power_->SetPowerPolling(true);
    EXPECT_TRUE(Part("device_power_Layout")->IsVisible());
}

TEST(PowerIndicatorWithoutPartsTest, DoesNothingUntilItsPartsExist) {
    CMpDevicePowerUI bare;
    bare.SetKind(kMouse, 0);
    const std::vector<uint8_t> status = {50, 1, 0, 1, 0, 1};
    bare.Show(status);
    bare.SetPowerPolling(true);
    EXPECT_EQ(bare.GetCount(), 0);
}

}  // namespace
}  // namespace kelno::app
