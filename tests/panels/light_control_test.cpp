// The lighting panel on the emulated keyboard: each user event's effect on
// the profile file, the keyboard's settings memory and the panel's own
// controls.

#include <gtest/gtest.h>

#include <bitset>

#include "core/json_access.h"
#include "core/json_file.h"
#include "panel_fixture.h"
#include "panels/light_rules.h"
#include "skin/controls/button.h"
#include "skin/controls/color_palette.h"
#include "skin/controls/combo.h"
#include "skin/controls/edit.h"
#include "skin/controls/progress.h"

namespace kelno::test {
namespace {

int Info(const Json::Value& info, const char* key) {
    return json::ReadInt(info, key, -1);
}

class LightPanel : public KeyboardPageTest {
  protected:
    void SetUp() override {
        KeyboardPageTest::SetUp();
        BuildPage();
    }
    // The user picks a mode and the keyboard's answer is taken.
    void PickMode(int mode) {
        ASSERT_TRUE(Find<skin::CComboUI>("light_combo_modeSelect")->SelectItem(mode, true)) << mode;
        Settle();
    }
    bool Selected(const std::string& name) { return Find<skin::COptionUI>(name)->IsSelected(); }
};

TEST_F(LightPanel, ShowsTheProfileSettingAndTheModeNames) {
    // The default keyboard profile: mode 1, brightness 20, speed 3, red, multi-colour.
    auto* modes = Find<skin::CComboUI>("light_combo_modeSelect");
    EXPECT_EQ(modes->GetCount(), 25);
    EXPECT_FALSE(modes->GetItemAt(0)->IsOwnVisible());  // hidden, index kept
    EXPECT_EQ(modes->GetItemAt(1)->GetUserData(), "light_mode_wave");
    EXPECT_EQ(modes->GetCurSel(), 1);
    EXPECT_EQ(Find<skin::CSliderUI>("deng_light_slider")->GetMaxValue(), 24);
    EXPECT_EQ(Find<skin::CSliderUI>("deng_speed_slider")->GetMaxValue(), 5);
    EXPECT_EQ(Find<skin::CSliderUI>("deng_light_slider")->GetValue(), 20);
    EXPECT_EQ(Find<skin::CSliderUI>("deng_speed_slider")->GetValue(), 3);
    EXPECT_EQ(Find<skin::CControlUI>("deng_edit_R")->GetText(), "255");
    EXPECT_EQ(Find<skin::CControlUI>("deng_edit_G")->GetText(), "0");
    EXPECT_TRUE(Selected("deng_7color_check"));
    EXPECT_TRUE(Selected("deng_FXR_check"));
    EXPECT_EQ(Find<skin::CColorPaletteUI>("deng_Color_Pallet")->GetSelectColor(), 0xFFFF0000u);
    EXPECT_EQ(Find<skin::CControlUI>("deng_colordp_btn")->GetBkColor(), 0xFFFF0000u);
    EXPECT_EQ(SettingsBlock()[1], 1);
}

// Every mode of the keyboard's rule table: the byte reaches the profile and
// the keyboard, and the groups follow the table.
TEST_F(LightPanel, EveryModeWritesBackAndAppliesItsRuleRow) {
    struct Group {
        const char* name;
        GroupChange LightingGroupChanges::*change;
    };
    const Group groups[] = {
        {"deng_7color_check", &LightingGroupChanges::multiColourCheck},
        {"deng_color_layout", &LightingGroupChanges::colourLayout},
        {"colorpallet_layout", &LightingGroupChanges::palette},
        {"deng_light_layout", &LightingGroupChanges::brightness},
        {"deng_speed_layout", &LightingGroupChanges::speed},
        {"deng_fx_layout", &LightingGroupChanges::direction},
        {"lightcustom_layout", &LightingGroupChanges::customLayout},
        {"deng_on_or_off", &LightingGroupChanges::onOffLayout},
    };
    for (int mode = 0; mode < 25; ++mode) {
        SCOPED_TRACE(mode);
        PickMode(mode);
        EXPECT_EQ(Info(CurrentLightInfo(), "SelectItem"), mode);
        EXPECT_EQ(SettingsBlock()[1], mode);
        const LightingGroupChanges rules = LightingRules(1, mode, false);
        for (const Group& group : groups) {
            const GroupChange& change = rules.*(group.change);
            skin::CControlUI* control = pm.FindControl(group.name);
            ASSERT_NE(control, nullptr) << group.name;
            if (change.enabled) {
                EXPECT_EQ(control->IsEnabled(), *change.enabled) << group.name;
            }
            if (change.visible) {
                EXPECT_EQ(control->IsOwnVisible(), *change.visible) << group.name;
            }
        }
        EXPECT_FALSE(pm.FindControl("deng_same_mode")->IsOwnVisible());  // one device only
    }
}

TEST_F(LightPanel, SameModeButtonNeedsTwoDevicesAndARowThatShowsIt) {
    PickMode(5);
    EXPECT_FALSE(pm.FindControl("deng_same_mode")->IsOwnVisible());
    Light().SetSynchronisationOffered(true);
    EXPECT_TRUE(pm.FindControl("deng_same_mode")->IsOwnVisible());
    PickMode(7);
    EXPECT_FALSE(pm.FindControl("deng_same_mode")->IsOwnVisible());
    PickMode(23);
    EXPECT_TRUE(pm.FindControl("deng_same_mode")->IsOwnVisible());
    Click("deng_same_mode");
    EXPECT_EQ(panelHost.sameModeStarts, 1);
    Light().SetSynchronisationOffered(false);
    EXPECT_FALSE(pm.FindControl("deng_same_mode")->IsOwnVisible());
}

TEST_F(LightPanel, SlidersWriteBrightnessAndSpeed) {
    keyboard->CommandChannel().SetLightingHold(true);
    Find<skin::CSliderUI>("deng_light_slider")->SetValue(17, true);
    EXPECT_EQ(Info(CurrentLightInfo(), "Light"), 17);
    EXPECT_EQ(SettingsBlock()[2], 17);
    EXPECT_FALSE(keyboard->CommandChannel().LightingHold());

    Find<skin::CSliderUI>("deng_speed_slider")->SetValue(1, true);
    EXPECT_EQ(Info(CurrentLightInfo(), "Speed"), 1);
    EXPECT_EQ(SettingsBlock()[3], 5 - 1);  // speeds travel as 5 - speed
}

TEST_F(LightPanel, TypedComponentsAreClampedAndTheEditRewritten) {
    PickMode(14);  // a mode with the colour group on
    struct Case {
        const char* typed;
        int value;
        const char* shown;
    };
    const Case cases[] = {
        {"300", 255, "255"},
        {"", 0, "0"},
        {"12", 12, "12"},
        {"0077", 77, "77"},
        {"99999999999999999999", 255, "255"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Type("deng_edit_G", c.typed);
        EXPECT_EQ(Find<skin::CControlUI>("deng_edit_G")->GetText(), c.shown);
        EXPECT_EQ(Info(CurrentLightInfo(), "Green"), c.value);
        EXPECT_EQ(Info(CurrentLightInfo(), "MultiColor"), 0);
        EXPECT_EQ(SettingsBlock()[7], c.value);
        EXPECT_EQ(SettingsBlock()[5], 0);
        EXPECT_FALSE(Selected("deng_7color_check"));
        EXPECT_EQ(Find<skin::CControlUI>("deng_colordp_btn")->GetBkColor(),
                  0xFFFF0000u | (static_cast<uint32_t>(c.value) << 8));
    }
}

TEST_F(LightPanel, NegativeOrForeignTextInAnEditCountsAsZero) {
    PickMode(14);
    for (const char* text : {"-5", "12abc", "-99999999999999999999"}) {
        SCOPED_TRACE(text);
        Type("deng_edit_B", "9");
        auto* edit = Find<skin::CEditUI>("deng_edit_B");
        edit->SetText(text);  // pasted or set without the digit filter
        pm.SetFocus(edit);
        pm.SetFocus(nullptr);
        EXPECT_EQ(edit->GetText(), "0");
        EXPECT_EQ(Info(CurrentLightInfo(), "Blue"), 0);
        EXPECT_EQ(SettingsBlock()[8], 0);
    }
}

TEST_F(LightPanel, PaletteColourClearsMultiColourAndFillsTheEdits) {
    PickMode(14);
    ASSERT_TRUE(Selected("deng_7color_check"));
    Find<skin::CColorPaletteUI>("deng_Color_Pallet")->SetSelectColor(0xFF123456, true);
    const uint32_t picked = Find<skin::CColorPaletteUI>("deng_Color_Pallet")->GetSelectColor();
    const ColourComponents c = ComponentsOf(picked);
    const Json::Value info = CurrentLightInfo();
    EXPECT_EQ(Info(info, "Red"), c.red);
    EXPECT_EQ(Info(info, "Green"), c.green);
    EXPECT_EQ(Info(info, "Blue"), c.blue);
    EXPECT_EQ(Info(info, "MultiColor"), 0);
    EXPECT_EQ(SettingsBlock()[6], c.red);
    EXPECT_EQ(SettingsBlock()[8], c.blue);
    EXPECT_EQ(Find<skin::CControlUI>("deng_edit_R")->GetText(), std::to_string(c.red));
    EXPECT_EQ(Find<skin::CControlUI>("deng_edit_B")->GetText(), std::to_string(c.blue));
    EXPECT_FALSE(Selected("deng_7color_check"));
    EXPECT_EQ(Find<skin::CControlUI>("deng_colordp_btn")->GetBkColor(), picked);
}

TEST_F(LightPanel, SwatchSetsTheColourAndLeavesTheHoldAlone) {
    PickMode(14);
    keyboard->CommandChannel().SetLightingHold(true);
    Click("color_option_3");  // #FF00FF00
    const Json::Value info = CurrentLightInfo();
    EXPECT_EQ(Info(info, "Red"), 0);
    EXPECT_EQ(Info(info, "Green"), 255);
    EXPECT_EQ(Info(info, "Blue"), 0);
    EXPECT_EQ(Info(info, "MultiColor"), 0);
    EXPECT_EQ(SettingsBlock()[7], 255);
    EXPECT_TRUE(keyboard->CommandChannel().LightingHold());
    EXPECT_EQ(Find<skin::CControlUI>("deng_edit_G")->GetText(), "255");
    EXPECT_EQ(Find<skin::CColorPaletteUI>("deng_Color_Pallet")->GetSelectColor(), 0xFF00FF00u);
}

TEST_F(LightPanel, MultiColourAndDirectionClicks) {
    PickMode(14);
    Click("deng_7color_check");  // was on: now off
    EXPECT_EQ(Info(CurrentLightInfo(), "MultiColor"), 0);
    EXPECT_EQ(SettingsBlock()[5], 0);
    Click("deng_7color_check");
    EXPECT_EQ(Info(CurrentLightInfo(), "MultiColor"), 1);

    Click("deng_FXL_check");
    EXPECT_EQ(Info(CurrentLightInfo(), "Fx"), 1);
    EXPECT_TRUE(Selected("deng_FXL_check"));
    EXPECT_FALSE(Selected("deng_FXR_check"));
    Click("deng_FXR_check");
    EXPECT_EQ(Info(CurrentLightInfo(), "Fx"), 0);
    EXPECT_TRUE(Selected("deng_FXR_check"));
}

TEST_F(LightPanel, ShowingASettingRaisesNoHandler) {
    const std::string before = ReadFileText(device->GetProfileName());
    const int handled = router.handled;
    const LightSetting shown = LightSetting::FromWords(0x00050A0E, 0x30201000, 0);
    Light().ShowSetting(shown.Word(0), shown.Word(1), shown.Word(2));
    Light().SetSynchronisationOffered(true);
    EXPECT_EQ(router.handled, handled);
    EXPECT_EQ(ReadFileText(device->GetProfileName()), before);
    EXPECT_EQ(Find<skin::CComboUI>("light_combo_modeSelect")->GetCurSel(), 0x0E);
}

TEST_F(LightPanel, LedSwitchWritesTheStatusByte) {
    PickMode(22);
    Click("light_close_btn");
    EXPECT_EQ(Info(CurrentLightInfo(), "LedStaus"), 1);
    EXPECT_EQ(SettingsBlock()[15], 1);
    Click("light_open_btn");
    EXPECT_EQ(Info(CurrentLightInfo(), "LedStaus"), 0);
    EXPECT_EQ(SettingsBlock()[15], 0);
}

size_t LitBits(const std::vector<uint8_t>& bitmap) {
    size_t bits = 0;
    for (uint8_t byte : bitmap) bits += std::bitset<8>(byte).count();
    return bits;
}

TEST_F(LightPanel, AllLitAndAllDarkWithoutACustomSetStoreNothing) {
    PickMode(22);
    ASSERT_EQ(Light().GetSelectedCustomMode(), -1);
    const Json::Value before = ReadJsonFile(device->GetProfileName());
    Click("custom_bright_color_btn");
    EXPECT_EQ(KeyLightBitmap(), std::vector<uint8_t>(21, 0xFF));
    Click("custom_off_color_btn");
    EXPECT_EQ(KeyLightBitmap(), std::vector<uint8_t>(21, 0x00));
    EXPECT_EQ(json::Member(
                  json::Element(json::Member(ReadJsonFile(device->GetProfileName()), "Device"), 0),
                  "CustomLightMode"),
              json::Member(json::Element(json::Member(before, "Device"), 0), "CustomLightMode"));
}

class CustomSets : public KeyboardPageTest {
  protected:
    void SetUp() override {
        KeyboardPageTest::SetUp();
        temp.WriteFile("user/keyboard/tovra_light.config",
                       R"({"LightInfo": [[{"LightName": "Set A"}, {"LightName": "Set B"}]]})");
        BuildPage();
    }
    void Choose(int set) {
        ASSERT_TRUE(Find<skin::CComboUI>("light_combo_custommodeSelect")->SelectItem(set, true));
    }
};

TEST_F(CustomSets, ChosenSetIsStoredAndLoadedOntoTheKeyboard) {
    auto* sets = Find<skin::CComboUI>("light_combo_custommodeSelect");
    ASSERT_EQ(sets->GetCount(), 2);
    EXPECT_EQ(sets->GetItemAt(1)->GetText(), "Set B");
    Find<skin::CComboUI>("light_combo_modeSelect")->SelectItem(22, true);

    Choose(1);
    Click("custom_bright_color_btn");  // stored as set 1
    EXPECT_EQ(keyboard->Profile().GetCustomLightGroup(), 1);
    Choose(0);
    const size_t setZeroBits = LitBits(KeyLightBitmap());
    EXPECT_EQ(keyboard->Profile().GetCustomLightGroup(), 0);
    Choose(1);
    const std::vector<uint8_t> bitmap = KeyLightBitmap();
    EXPECT_GT(LitBits(bitmap), 100u);
    EXPECT_GT(LitBits(bitmap), setZeroBits);
    EXPECT_EQ(
        std::vector<uint8_t>(keyboard->GetKeyBitmap().begin(), keyboard->GetKeyBitmap().end()),
        bitmap);
    EXPECT_EQ(sets->GetCurSel(), 1);

    // The group survives in the file.
    CKeyboardProfiledata reread;
    reread.Load(device->GetProfileName());
    EXPECT_EQ(reread.GetCustomLightGroup(), 1);
}

}  // namespace
}  // namespace kelno::test
