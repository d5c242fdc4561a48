// The program's layout files: each builds with the program's tags and
// offers the controls the code looks for; the keyboard picture has its 126
// keys, labelled from the default key table and laid out without overlaps.

#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "core/debug_output.h"
#include "devices/models/keyboard_wire.h"
#include "keys/key_names.h"
#include "skin/core/attribute_values.h"
#include "skin/core/container.h"
#include "skin_fixture.h"

namespace kelno::app::test {
namespace {

struct LayoutCase {
    const char* file;
    const char* rootTag;  // "" when the root is a library control
    std::vector<const char*> names;
};

const std::vector<LayoutCase>& Layouts() {
    static const std::vector<LayoutCase> cases = {
        {"XML_MAIN",
         "",
         {"root", "closebtn", "minbtn", "maxbtn", "restorebtn", "skinbtn", "setbtn",
          "Language_combox", "control_light_status", "device_select_layout", "device_switch",
          "device_power_switch", "No_device_Link", "nodevice_ok_btn", "setting_progress"}},
        {"setwnd.xml",
         "",
         {"closebtn", "maxbtn", "restorebtn", "minbtn", "menubtn", "laterbtn",
          "device_update_list_info", "Language_combox_info", "homepage_btn",
          "set_in_update_wnd_btn", "update_tishi_layout", "update_fw_and_ap",
          "get_update_tab_layout", "update_OK_btn", "update_status_ring", "Update_Status_text",
          "update_status_image"}},
        {"XML\\CustomControlXML\\device_Update_list_item.xml",
         "UpdateInfoListItem",
         {"updateRev", "OldRev", "check_name_select", "update_status_text", "update_status_ing",
          "update_progress_value", "update_status_ok"}},
        {"XML_MSG", "", {"MessageTitle", "MessageText", "confirm_btn", "cancel_btn", "closebtn"}},
        {"menu.xml", "Menu", {"exit"}},
        {"XML\\CustomControlXML\\DeviceOption.xml",
         "DeviceOption",
         {"device_select", "synchro_device_select", "device_select_name"}},
        {"XML\\CustomControlXML\\MpDevicePower.xml",
         "MpDevicePower",
         {"device_power_Layout", "device_power_value", "device_wuxian_logo",
          "device_Power_progress", "device_power_status", "device_phone_type"}},
        {"XML\\DeviceXml\\keyboarddevice.xml",
         "ZembravaKeyboardDevice",
         {"keyboard_device_key_light", "device_function_switch", "device_key_function_switch",
          "LightControlItem", "DeviceProfileItem", "KeySetControlItem", "MacroControlItem",
          "text_test", "polling_rate_option_0", "polling_rate_option_3", "winlockflag_option",
          "wflag_option", "6flag_option", "repeat_rate_slider", "repeat_delay_check_0",
          "repeat_delay_check_3", "repeat_delay_time_label1", "repeat_input_richedit",
          "reset_repeat_btn"}},
        {"XML\\DeviceXml\\mousedevice.xml",
         "ZembravaMouseDevice",
         {"mouse_device_seting_layout",
          "mouse_device_key_light",
          "mouse_option_layout",
          "device_function_switch",
          "device_key_function_switch",
          "LightControlItem",
          "DeviceProfileItem",
          "KeySetControlItem",
          "MacroControlItem",
          "ShootControlItem",
          "device_tishi_info",
          "logo",
          "text_test",
          "DPI_layout_4",
          "DPI_enable_check_4",
          "DPI_slider_4",
          "DPI_edit_4",
          "polling_rate_option_3",
          "pointer_speed_slider",
          "pointer_precision_check",
          "scrolls_page_check",
          "scroll_speed_slider",
          "double_click_slider"}},
        {"XML\\CustomControlXML\\KeySetControl.xml",
         "KeySetControl",
         {"keyset_layout",
          "keyset_function_combo",
          "function_switch_tablayout",
          "keyset_mousekey_combo",
          "keyset_mouseswing_combo",
          "keyset_mouseswing_num_edit",
          "keyset_mouseswing_delay_edit",
          "keyset_mouseswing_speed_edit",
          "keyset_mousewheel_combo",
          "keyset_mousewheel_num_edit",
          "keyset_mousewheel_delay_edit",
          "keyset_mousewheel_speed_edit",
          "keyset_mousedpi_combo",
          "keyset_mousefire_interval_edit",
          "keyset_mousefire_num_edit",
          "keyset_keyboard_text_edit",
          "key_ComBox_check_0",
          "key_ComBox_check_1",
          "key_ComBox_check_2",
          "key_ComBox_check_3",
          "key_ComBox_check_4",
          "keyset_media_combo",
          "keyset_system_combo",
          "keyset_macro_combo",
          "keyset_macro_over_combo",
          "keyset_macro_cycle_layout",
          "keyset_macro_cycle_edit",
          "keyset_gunkey_combo",
          "keyset_combokey_combo",
          "key_butt_keydefalut",
          "key_butt_keysave",
          "key_butt_keycancel",
          "key_butt_prosave"}},
        {"XML\\CustomControlXML\\MacroControl.xml",
         "MacroControl",
         {"macro_name_list",
          "macro_action_list",
          "macro_action_layout",
          "macro_edit_macroname",
          "macro_name_tab",
          "macro_tab_macroaction_edit",
          "macro_tab_macrodelay_edit",
          "macro_check_time",
          "macro_fixed_time_edit",
          "mouse_x_left_edit",
          "mouse_x_right_edit",
          "mouse_y_up_edit",
          "mouse_y_down_edit",
          "macro_btn_starredio",
          "macro_btn_stopredio",
          "macro_btn_name_add",
          "macro_btn_name_sub",
          "macro_btn_name_edit",
          "macro_btn_save",
          "macro_btn_cancel",
          "macro_btn_export",
          "macro_btn_import",
          "macro_btn_up",
          "macro_btn_down",
          "macro_btn_uptop",
          "macro_btn_downbottom",
          "macro_btn_delete",
          "macro_btn_deleteall",
          "macro_inset_moveleftkey_btn",
          "macro_inset_moverightkey_btn",
          "macro_inset_moveupkey_btn",
          "macro_inset_movedownkey_btn"}},
        {"XML\\CustomControlXML\\ShootControl.xml",
         "ShootControl",
         {"shoot_gun_op_0",
          "shoot_gun_op_3",
          "shoot_image_display_switch",
          "bullet_op_0",
          "bullet_op_29",
          "bullet_select_index",
          "bullet_selected_prev",
          "bullet_selected_next",
          "bullet_x_check",
          "bullet_y_check",
          "bullet_x_eidt",
          "bullet_y_eidt",
          "bullet_delay_eidt",
          "bullet_edit_layout",
          "shootdate_reset_btn"}},
        {"XML\\Menus\\macro_action_menu.xml",
         "Menu",
         {"redio_previous_record_time",
          "redio_previous_constant_time",
          "redio_previous_ignore_time",
          "redio_later_record_time",
          "redio_later_constant_time",
          "redio_later_ignore_time",
          "macro_action_edit",
          "left_down",
          "left_up",
          "left_click",
          "middle_down",
          "middle_up",
          "middle_click",
          "right_down",
          "right_up",
          "right_click",
          "forward_down",
          "forward_up",
          "forward_click",
          "back_down",
          "back_up",
          "back_click"}},
        {"XML\\DeviceXml\\mousepaddevice.xml",
         "ZembravaMousePadDevice",
         {"mousepad_device_key_light", "device_function_switch", "device_key_function_switch",
          "LightControlItem", "DeviceProfileItem", "text_test"}},
        {"XML\\DeviceXml\\hs6533device.xml",
         "ZembravaHS6533Device",
         {"hs6533_device_key_light", "device_function_switch", "device_key_function_switch",
          "LightControlItem", "DeviceProfileItem", "MagicControlItem", "Voice6533ControlItem",
          "text_test"}},
    };
    return cases;
}

skin::CControlUI* FindIn(skin::CControlUI* root, const std::string& name) {
    for (skin::CControlUI* c : AllControls(root))
        if (skin::EqualsNoCase(c->GetName(), name)) return c;
    return nullptr;
}

class LayoutTest : public ::testing::Test {
  protected:
    void SetUp() override { LoadProgramSkin(); }
    TestElementFactory factory_;
};

TEST_F(LayoutTest, EveryLayoutBuildsWithItsControls) {
    for (const LayoutCase& c : Layouts()) {
        SCOPED_TRACE(c.file);
        ScopedDebugCapture debug;
        std::string error;
        // A factory per layout: a freed control's address may come back.
        TestElementFactory factory;
        std::unique_ptr<skin::CControlUI> root(BuildLayout(c.file, factory, &error));
        ASSERT_NE(root, nullptr) << error;
        EXPECT_EQ(factory.TagOf(root.get()), c.rootTag);
        for (const char* name : c.names) EXPECT_NE(FindIn(root.get(), name), nullptr) << name;
        for (const std::string& line : debug.Lines())
            EXPECT_EQ(line.find("skin:"), std::string::npos) << line;
    }
}

// The settings button's fore image is the update marker, which "up to
// date" clears: the gear must be another image.
TEST_F(LayoutTest, TheUpdateMarkerIsTheSettingsButtonsOnlyForeImage) {
    std::unique_ptr<skin::CControlUI> root(BuildLayout("XML_MAIN", factory_));
    ASSERT_NE(root, nullptr);
    skin::CControlUI* settings = FindIn(root.get(), "setbtn");
    ASSERT_NE(settings, nullptr);
    EXPECT_NE(settings->GetForeImage().find("update_mark.png"), std::string::npos);
    EXPECT_NE(settings->GetBkImage().find("set.png"), std::string::npos);
}

TEST_F(LayoutTest, DevicePowerPanelsAndPagesUseTheirClasses) {
    std::unique_ptr<skin::CControlUI> power(
        BuildLayout("XML\\CustomControlXML\\MpDevicePower.xml", factory_));
    ASSERT_NE(power, nullptr);
    EXPECT_NE(power->GetInterface("PowerStatusView"), nullptr);

    std::unique_ptr<skin::CControlUI> page(
        BuildLayout("XML\\DeviceXml\\hs6533device.xml", factory_));
    ASSERT_NE(page, nullptr);
    // The panels are built by their tags, not by the names of their classes.
    EXPECT_EQ(factory_.TagOf(FindIn(page.get(), "LightControlItem")), "LightSetControlUI");
    EXPECT_EQ(factory_.TagOf(FindIn(page.get(), "DeviceProfileItem")), "DeviceProfileUI");
}

// Pictures of device LEDs: every LED n of a page's selection panel is a
// DeviceKeyButton child named or marked "light_" n.
TEST_F(LayoutTest, LedPicturesHoldEveryLed) {
    struct LedCase {
        const char* file;
        const char* panel;
        int leds;
    };
    for (const LedCase& c :
         {LedCase{"XML\\DeviceXml\\mousedevice.xml", "mouse_device_key_light", 6},
          LedCase{"XML\\DeviceXml\\mousepaddevice.xml", "mousepad_device_key_light", 15},
          LedCase{"XML\\DeviceXml\\hs6533device.xml", "hs6533_device_key_light", 13}}) {
        SCOPED_TRACE(c.file);
        std::unique_ptr<skin::CControlUI> page(BuildLayout(c.file, factory_));
        ASSERT_NE(page, nullptr);
        auto* panel = static_cast<skin::CContainerUI*>(
            FindIn(page.get(), c.panel)->GetInterface("Container"));
        ASSERT_NE(panel, nullptr);
        std::set<std::string> leds;
        for (int i = 0; i < panel->GetCount(); ++i)
            if (panel->GetItemAt(i)->GetInterface("DeviceKeyButton"))
                leds.insert(panel->GetItemAt(i)->GetUserData());
        EXPECT_EQ(leds.size(), static_cast<size_t>(c.leds));
        for (int n = 0; n < c.leds; ++n) EXPECT_TRUE(leds.count("light_" + std::to_string(n))) << n;
    }
}

class KeyboardPageTest : public LayoutTest {
  protected:
    void SetUp() override {
        LayoutTest::SetUp();
        page_.reset(BuildLayout("XML\\DeviceXml\\keyboarddevice.xml", factory_));
        ASSERT_NE(page_, nullptr);
        auto* panelControl = FindIn(page_.get(), "keyboard_device_key_light");
        ASSERT_NE(panelControl, nullptr);
        ASSERT_NE(panelControl->GetInterface("SelectPanel"), nullptr);
        panel_ = static_cast<skin::CContainerUI*>(panelControl->GetInterface("Container"));
        // Lay the page out at the size the main window gives it.
        page_->SetPos({0, 0, 798, 447});
        for (int i = 0; i < panel_->GetCount(); ++i) {
            skin::CControlUI* child = panel_->GetItemAt(i);
            if (factory_.TagOf(child) == "DeviceKeyButton") keys_.push_back(child);
        }
    }
    std::unique_ptr<skin::CControlUI> page_;
    skin::CContainerUI* panel_ = nullptr;
    std::vector<skin::CControlUI*> keys_;
};

TEST_F(KeyboardPageTest, HasTheKeysInOrderWithTheirLights) {
    ASSERT_EQ(keys_.size(), static_cast<size_t>(keyboard::kPageKeyCount));
    for (int i = 0; i < keyboard::kPageKeyCount; ++i) {
        EXPECT_EQ(keys_[i]->GetName(), "key_" + std::to_string(i));
        EXPECT_EQ(keys_[i]->GetUserData(), "light_" + std::to_string(i));
    }
}

TEST_F(KeyboardPageTest, KeysCarryTheNameOfTheirDefaultCode) {
    for (int i = 0; i < keyboard::kPageKeyCount; ++i) {
        SCOPED_TRACE(keys_[i]->GetName());
        const keyboard::KeyCode& code = keyboard::kDefaultKeyCodes[static_cast<size_t>(i)];
        const std::vector<std::string> ids = keyboard::KeyCodeTextIds(code[0], code[1], code[2]);
        if (ids.size() == 1) {
            EXPECT_EQ(keys_[i]->GetTextId(), ids[0]);
        } else if (keys_[i]->IsVisible()) {
            // A key the table does not name still shows a caption of its own.
            EXPECT_FALSE(keys_[i]->GetTextId().empty());
        }
    }
}

TEST_F(KeyboardPageTest, VisibleKeysFitThePictureWithoutOverlapping) {
    const skin::Rect picture = panel_->GetPos();
    std::vector<skin::CControlUI*> shown;
    for (skin::CControlUI* key : keys_)
        if (key->IsVisible()) shown.push_back(key);
    // A full-size board (104 keys) plus the five macro keys, the media and
    // function keys.
    EXPECT_GE(shown.size(), 112u);
    for (size_t a = 0; a < shown.size(); ++a) {
        const skin::Rect rc = shown[a]->GetPos();
        SCOPED_TRACE(shown[a]->GetName());
        EXPECT_GE(rc.right - rc.left, 16);
        EXPECT_GE(rc.bottom - rc.top, 16);
        EXPECT_EQ(rc.Intersect(picture), rc) << "outside the picture";
        for (size_t b = a + 1; b < shown.size(); ++b)
            EXPECT_TRUE(rc.Intersect(shown[b]->GetPos()).IsEmpty())
                << "overlaps " << shown[b]->GetName();
    }
}

}  // namespace
}  // namespace kelno::app::test
