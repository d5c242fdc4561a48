#include "panels/notify_routes.h"

#include <gtest/gtest.h>

namespace kelno::app {
namespace {

struct Case {
    const char* type;
    const char* name;
    std::vector<Route> routes;
};

std::string Describe(const std::vector<Route>& routes) {
    std::string text;
    for (const auto& route : routes)
        text += std::string(HandlerName(route.handler)) + "(" + std::to_string(route.number) + ") ";
    return text.empty() ? "nothing" : text;
}

TEST(RouteNotification, Table) {
    const Case cases[] = {
        // Type-level rows.
        {"timer", "anything", {{Handler::LogTimer}}},
        {"windowinit", "", {{Handler::WindowInit}}},
        {"windowsize", "root", {{Handler::WindowSizeChanged}}},
        {"windowsize", "other", {}},
        {"colorchanged", "deng_Color_Pallet", {{Handler::LightingPaletteColour}}},
        {"click_select_end", "device_key_light", {{Handler::KeyboardKeysSelected}}},
        {"click_select_end", "mouse_device_key_light", {{Handler::MouseKeysSelected}}},
        {"setfocus", "keyset_keyboard_text_edit", {{Handler::StartInputHook}}},
        {"killfocus", "keyset_keyboard_text_edit", {{Handler::StopInputHook}}},
        {"itemactivate", "macro_action", {{Handler::OpenMacroActionMenu}}},
        {"msenter", "closebtn", {}},
        {"textchanged", "deng_edit_R", {}},
        // Clicks, names without regard to case.
        {"click", "closebtn", {{Handler::CloseButton}}},
        {"click", "CLOSEBTN", {{Handler::CloseButton}}},
        {"click", "minbtn", {{Handler::Minimize}}},
        {"click", "setbtn", {{Handler::OpenSettingsDocked}}},
        {"click", "key_12", {{Handler::KeyButton, 12}}},
        {"click", "KEY_0", {{Handler::KeyButton, 0}}},
        {"click", "color_option_3", {{Handler::ColourSwatch, 3}}},
        {"click", "default_btn", {{Handler::RestoreDefaults}}},
        {"click", "device_copy_btn", {{Handler::ProfileButton}}},
        {"click", "key_butt_keysave", {{Handler::KeyAssignmentButton}}},
        {"click", "macro_btn_deleteall", {{Handler::MacroEditorButton}}},
        {"click", "macro_inset_movedownkey_btn", {{Handler::MacroInsertCursorStep}}},
        {"click", "shootdate_save_btn", {}},
        {"click", "deng_same_mode", {{Handler::LightingPanelButton}}},
        {"click", "hs_EQ_btn_delete", {{Handler::EqualiserButton}}},
        // Numbered names must carry a plain decimal number.
        {"click", "key_", {}},
        {"click", "key_abc", {}},
        {"click", "key_-1", {}},
        {"click", "key_99999999999", {}},
        {"click", "key_butt_unknown", {}},
        // Selection.
        {"selectchanged", "DPI_enable_check_2", {{Handler::MouseOption, 2}}},
        {"selectchanged", "polling_rate_option_1", {{Handler::MouseOption, 1}}},
        {"selectchanged", "repeat_delay_check_3", {{Handler::KeyboardRepeatDelay, 3}}},
        {"selectchanged", "6flag_option", {{Handler::KeyboardFlag}}},
        {"selectchanged", "shoot_gun_op_1", {{Handler::RecoilOption, 1}}},
        {"selectchanged", "6533_eq_option_13", {{Handler::EqualiserOption, 13}}},
        {"selectchanged", "device_select", {{Handler::DeviceTabSelected}}},
        {"selectchanged", "synchro_device_select", {}},
        {"selectchanged", "deng_Op_tab", {{Handler::ShowDeviceSubPage, 1}}},
        {"selectchanged", "magic_Op_tab", {{Handler::ShowDeviceSubPage, 7}}},
        {"selectchanged", "deng_7color_check", {{Handler::LightingOption}}},
        // Values.
        {"valuechanged", "DPI_slider_4", {{Handler::DpiSlider, 4}}},
        {"movevaluechanged", "DPI_slider_4", {{Handler::DpiSliderMoving, 4}}},
        {"movevaluechanged", "deng_light_slider", {}},
        {"valuechanged", "repeat_rate_slider", {{Handler::SystemSettingSlider}}},
        {"valuechanged", "6533_eq_hz_slider_9", {{Handler::EqualiserSlider, 9}}},
        // Items: one primary handler, then the key assignment group as well.
        {"itemselect", "device_profile_combo", {{Handler::ProfileComboSelected}}},
        {"itemselect",
         "keyset_function_combo",
         {{Handler::KeyAssignmentList}, {Handler::KeyAssignmentPendingChange}}},
        {"itemselect", "keyset_mousekey_combo", {{Handler::KeyAssignmentPendingChange}}},
        {"itemselect",
         "keyset_macro_over_combo",
         {{Handler::KeyAssignmentList}, {Handler::KeyAssignmentPendingChange}}},
        {"itemselect", "Language_combox", {{Handler::LanguageSelected}}},
        // Focus.
        {"killfocus", "DPI_edit_0", {{Handler::DpiEdit, 0}}},
        {"killfocus", "deng_edit_b", {{Handler::LightingColourEdit}}},
        {"killfocus", "keyset_macro_cycle_edit", {{Handler::KeyAssignmentPendingChange}}},
        {"killfocus", "macro_delay", {{Handler::MacroDelayEdited}}},
    };
    for (const auto& c : cases) {
        const Routing routing = RouteNotification(c.type, c.name);
        EXPECT_EQ(routing.routes, c.routes)
            << c.type << " " << c.name << ": got " << Describe(routing.routes);
        EXPECT_TRUE(routing.runDefaultHandling) << c.type << " " << c.name;
    }
}

TEST(RouteNotification, OnlyRemoveAndEditEndTheHandling) {
    EXPECT_FALSE(RouteNotification("click_wpremove", "x").runDefaultHandling);
    EXPECT_FALSE(RouteNotification("click_wpedit", "x").runDefaultHandling);
    EXPECT_TRUE(RouteNotification("click_wpadd", "x").runDefaultHandling);
    EXPECT_TRUE(RouteNotification("click_wpselect", "x").runDefaultHandling);
}

}  // namespace
}  // namespace kelno::app
