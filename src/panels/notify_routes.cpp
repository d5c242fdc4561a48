#include "panels/notify_routes.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string>

#include "core/ascii_case.h"
#include "core/names.h"

namespace kelno::app {
namespace {

enum class Match : uint8_t { Exact, Prefix, AnyControl };

// Rows of one group are tried in order and the first match wins; a
// "then also" group runs after the primary group whatever it matched.
enum class Group : uint8_t { Primary, ThenAlso };

struct Row {
    const char* type;
    const char* name;  // the control name, or the prefix including its "_"
    Match match;
    Handler handler;
    int number;        // fixed value passed to the handler; -1 for none
    Group group = Group::Primary;
};

constexpr Row kRows[] = {
    {"timer", "", Match::AnyControl, Handler::LogTimer, -1},
    {"windowinit", "", Match::AnyControl, Handler::WindowInit, -1},
    {"windowsize", "root", Match::Exact, Handler::WindowSizeChanged, -1},
    {"colorchanged", "deng_Color_Pallet", Match::Exact, Handler::LightingPaletteColour, -1},
    {"click_select_end", "device_key_light", Match::Exact, Handler::KeyboardKeysSelected, -1},
    {"click_select_end", "mouse_device_key_light", Match::Exact, Handler::MouseKeysSelected, -1},
    {"setfocus", "keyset_keyboard_text_edit", Match::Exact, Handler::StartInputHook, -1},
    {"itemactivate", "macro_action", Match::Exact, Handler::OpenMacroActionMenu, -1},

    {"click", "closebtn", Match::Exact, Handler::CloseButton, -1},
    {"click", "nodevice_ok_btn", Match::Exact, Handler::NoDeviceOk, -1},
    {"click", "control_light_status", Match::Exact, Handler::ToggleLightControl, -1},
    {"click", "minbtn", Match::Exact, Handler::Minimize, -1},
    {"click", "maxbtn", Match::Exact, Handler::Maximize, -1},
    {"click", "restorebtn", Match::Exact, Handler::Restore, -1},
    {"click", "skinbtn", Match::Exact, Handler::OpenSkinPicker, -1},
    {"click", "setbtn", Match::Exact, Handler::OpenSettingsDocked, -1},
    {"click", "key_", Match::Prefix, Handler::KeyButton, -1},
    {"click", "color_option_", Match::Prefix, Handler::ColourSwatch, -1},
    {"click", "default_btn", Match::Exact, Handler::RestoreDefaults, -1},
    {"click", "reset_repeat_btn", Match::Exact, Handler::ResetKeyRepeat, -1},
    {"click", "device_add_btn", Match::Exact, Handler::ProfileButton, -1},
    {"click", "device_sub_btn", Match::Exact, Handler::ProfileButton, -1},
    {"click", "device_export_btn", Match::Exact, Handler::ProfileButton, -1},
    {"click", "device_import_btn", Match::Exact, Handler::ProfileButton, -1},
    {"click", "device_copy_btn", Match::Exact, Handler::ProfileButton, -1},
    {"click", "device_reset_btn", Match::Exact, Handler::ProfileButton, -1},
    {"click", "device_profile_edit_save_btn", Match::Exact, Handler::ProfileButton, -1},
    {"click", "profile_fun_spread_btn", Match::Exact, Handler::ProfileButton, -1},
    {"click", "key_butt_keysave", Match::Exact, Handler::KeyAssignmentButton, -1},
    {"click", "key_butt_keydefalut", Match::Exact, Handler::KeyAssignmentButton, -1},
    {"click", "key_butt_keycancel", Match::Exact, Handler::KeyAssignmentButton, -1},
    {"click", "key_butt_prosave", Match::Exact, Handler::KeyAssignmentButton, -1},
    {"click", "macro_btn_starredio", Match::Exact, Handler::MacroRecording, -1},
    {"click", "macro_btn_stopredio", Match::Exact, Handler::MacroRecording, -1},
    {"click", "macro_btn_name_add", Match::Exact, Handler::MacroEditorButton, -1},
    {"click", "macro_btn_name_sub", Match::Exact, Handler::MacroEditorButton, -1},
    {"click", "macro_btn_name_edit", Match::Exact, Handler::MacroEditorButton, -1},
    {"click", "macro_btn_save", Match::Exact, Handler::MacroEditorButton, -1},
    {"click", "macro_btn_cancel", Match::Exact, Handler::MacroEditorButton, -1},
    {"click", "macro_btn_export", Match::Exact, Handler::MacroEditorButton, -1},
    {"click", "macro_btn_import", Match::Exact, Handler::MacroEditorButton, -1},
    {"click", "macro_btn_up", Match::Exact, Handler::MacroEditorButton, -1},
    {"click", "macro_btn_down", Match::Exact, Handler::MacroEditorButton, -1},
    {"click", "macro_btn_uptop", Match::Exact, Handler::MacroEditorButton, -1},
    {"click", "macro_btn_downbottom", Match::Exact, Handler::MacroEditorButton, -1},
    {"click", "macro_btn_delete", Match::Exact, Handler::MacroEditorButton, -1},
    {"click", "macro_btn_deleteall", Match::Exact, Handler::MacroEditorButton, -1},
    {"click", "macro_inset_moveleftkey_btn", Match::Exact, Handler::MacroInsertCursorStep, -1},
    {"click", "macro_inset_moverightkey_btn", Match::Exact, Handler::MacroInsertCursorStep, -1},
    {"click", "macro_inset_moveupkey_btn", Match::Exact, Handler::MacroInsertCursorStep, -1},
    {"click", "macro_inset_movedownkey_btn", Match::Exact, Handler::MacroInsertCursorStep, -1},
    {"click", "shootdate_reset_btn", Match::Exact, Handler::RecoilButton, -1},
    {"click", "bullet_selected_prev", Match::Exact, Handler::RecoilButton, -1},
    {"click", "bullet_selected_next", Match::Exact, Handler::RecoilButton, -1},
    {"click", "custom_bright_color_btn", Match::Exact, Handler::LightingPanelButton, -1},
    {"click", "custom_off_color_btn", Match::Exact, Handler::LightingPanelButton, -1},
    {"click", "deng_same_mode", Match::Exact, Handler::LightingPanelButton, -1},
    {"click", "light_close_btn", Match::Exact, Handler::LightingPanelButton, -1},
    {"click", "light_open_btn", Match::Exact, Handler::LightingPanelButton, -1},
    {"click", "hs_EQ_btn_save", Match::Exact, Handler::EqualiserButton, -1},
    {"click", "hs_EQ_btn_delete", Match::Exact, Handler::EqualiserButton, -1},

    {"selectchanged", "DPI_enable_check_", Match::Prefix, Handler::MouseOption, -1},
    {"selectchanged", "polling_rate_option_", Match::Prefix, Handler::MouseOption, -1},
    {"selectchanged", "mouse_device_seting_option_", Match::Prefix, Handler::MouseOption, -1},
    {"selectchanged", "pointer_precision_check", Match::Exact, Handler::MouseSystemOption, -1},
    {"selectchanged", "scrolls_page_check", Match::Exact, Handler::MouseSystemOption, -1},
    {"selectchanged", "repeat_delay_check_", Match::Prefix, Handler::KeyboardRepeatDelay, -1},
    {"selectchanged", "winlockflag_option", Match::Exact, Handler::KeyboardFlag, -1},
    {"selectchanged", "wflag_option", Match::Exact, Handler::KeyboardFlag, -1},
    {"selectchanged", "6flag_option", Match::Exact, Handler::KeyboardFlag, -1},
    {"selectchanged", "shoot_gun_op_", Match::Prefix, Handler::RecoilOption, -1},
    {"selectchanged", "bullet_op_", Match::Prefix, Handler::RecoilOption, -1},
    {"selectchanged", "bullet_x_check", Match::Exact, Handler::RecoilOption, -1},
    {"selectchanged", "bullet_y_check", Match::Exact, Handler::RecoilOption, -1},
    {"selectchanged", "magic_option_", Match::Prefix, Handler::VoiceChangerOption, -1},
    {"selectchanged", "magic_enable_option", Match::Exact, Handler::VoiceChangerOption, -1},
    {"selectchanged", "6533_eq_option_", Match::Prefix, Handler::EqualiserOption, -1},
    {"selectchanged", "6533_MicIn_option", Match::Exact, Handler::EqualiserOption, -1},
    {"selectchanged", "6533_MicMoniter_option", Match::Exact, Handler::EqualiserOption, -1},
    {"selectchanged", "key_ComBox_check_", Match::Prefix, Handler::KeyAssignmentCheck, -1},
    {"selectchanged", "device_select", Match::Exact, Handler::DeviceTabSelected, -1},
    {"selectchanged", "deng_Op_tab", Match::Exact, Handler::ShowDeviceSubPage, 1},
    {"selectchanged", "key_Op_tab", Match::Exact, Handler::ShowDeviceSubPage, 2},
    {"selectchanged", "macro_Op_tab", Match::Exact, Handler::ShowDeviceSubPage, 3},
    {"selectchanged", "system_Op_tab", Match::Exact, Handler::ShowDeviceSubPage, 4},
    {"selectchanged", "cursor_Op_tab", Match::Exact, Handler::ShowDeviceSubPage, 5},
    {"selectchanged", "6533_voice_Op_tab", Match::Exact, Handler::ShowDeviceSubPage, 6},
    {"selectchanged", "magic_Op_tab", Match::Exact, Handler::ShowDeviceSubPage, 7},
    {"selectchanged", "deng_FXL_check", Match::Exact, Handler::LightingOption, -1},
    {"selectchanged", "deng_FXR_check", Match::Exact, Handler::LightingOption, -1},
    {"selectchanged", "deng_7color_check", Match::Exact, Handler::LightingOption, -1},

    {"valuechanged", "DPI_slider_", Match::Prefix, Handler::DpiSlider, -1},
    {"valuechanged", "pointer_speed_slider", Match::Exact, Handler::SystemSettingSlider, -1},
    {"valuechanged", "scroll_speed_slider", Match::Exact, Handler::SystemSettingSlider, -1},
    {"valuechanged", "double_click_slider", Match::Exact, Handler::SystemSettingSlider, -1},
    {"valuechanged", "repeat_rate_slider", Match::Exact, Handler::SystemSettingSlider, -1},
    {"valuechanged", "deng_light_slider", Match::Exact, Handler::LightingSlider, -1},
    {"valuechanged", "deng_speed_slider", Match::Exact, Handler::LightingSlider, -1},
    {"valuechanged", "6533_eq_hz_slider_", Match::Prefix, Handler::EqualiserSlider, -1},
    {"valuechanged", "6533_MicIn_slider", Match::Exact, Handler::EqualiserSlider, -1},
    {"valuechanged", "6533_MicMoniter_slider", Match::Exact, Handler::EqualiserSlider, -1},
    {"movevaluechanged", "DPI_slider_", Match::Prefix, Handler::DpiSliderMoving, -1},

    {"itemselect", "device_profile_combo", Match::Exact, Handler::ProfileComboSelected, -1},
    {"itemselect", "light_combo_modeSelect", Match::Exact, Handler::LightingList, -1},
    {"itemselect", "light_combo_custommodeSelect", Match::Exact, Handler::LightingList, -1},
    {"itemselect", "keyset_function_combo", Match::Exact, Handler::KeyAssignmentList, -1},
    {"itemselect", "keyset_macro_over_combo", Match::Exact, Handler::KeyAssignmentList, -1},
    {"itemselect", "macro_name_list", Match::Exact, Handler::MacroNameList, -1},
    {"itemselect", "custom_eq_name_combo", Match::Exact, Handler::CustomEqList, -1},
    {"itemselect", "keyset_function_combo", Match::Exact, Handler::KeyAssignmentPendingChange, -1, Group::ThenAlso},
    {"itemselect", "keyset_mousekey_combo", Match::Exact, Handler::KeyAssignmentPendingChange, -1, Group::ThenAlso},
    {"itemselect", "keyset_mouseswing_combo", Match::Exact, Handler::KeyAssignmentPendingChange, -1, Group::ThenAlso},
    {"itemselect", "keyset_mousewheel_combo", Match::Exact, Handler::KeyAssignmentPendingChange, -1, Group::ThenAlso},
    {"itemselect", "keyset_mousedpi_combo", Match::Exact, Handler::KeyAssignmentPendingChange, -1, Group::ThenAlso},
    {"itemselect", "keyset_media_combo", Match::Exact, Handler::KeyAssignmentPendingChange, -1, Group::ThenAlso},
    {"itemselect", "keyset_system_combo", Match::Exact, Handler::KeyAssignmentPendingChange, -1, Group::ThenAlso},
    {"itemselect", "keyset_macro_combo", Match::Exact, Handler::KeyAssignmentPendingChange, -1, Group::ThenAlso},
    {"itemselect", "keyset_macro_over_combo", Match::Exact, Handler::KeyAssignmentPendingChange, -1, Group::ThenAlso},
    {"itemselect", "keyset_gunkey_combo", Match::Exact, Handler::KeyAssignmentPendingChange, -1, Group::ThenAlso},
    {"itemselect", "keyset_combokey_combo", Match::Exact, Handler::KeyAssignmentPendingChange, -1, Group::ThenAlso},
    {"itemselect", "Language_combox", Match::Exact, Handler::LanguageSelected, -1, Group::ThenAlso},

    {"killfocus", "DPI_edit_", Match::Prefix, Handler::DpiEdit, -1},
    {"killfocus", "deng_edit_R", Match::Exact, Handler::LightingColourEdit, -1},
    {"killfocus", "deng_edit_G", Match::Exact, Handler::LightingColourEdit, -1},
    {"killfocus", "deng_edit_B", Match::Exact, Handler::LightingColourEdit, -1},
    {"killfocus", "keyset_keyboard_text_edit", Match::Exact, Handler::StopInputHook, -1},
    {"killfocus", "bullet_x_eidt", Match::Exact, Handler::RecoilEdit, -1},
    {"killfocus", "bullet_y_eidt", Match::Exact, Handler::RecoilEdit, -1},
    {"killfocus", "bullet_delay_eidt", Match::Exact, Handler::RecoilEdit, -1},
    {"killfocus", "macro_delay", Match::Exact, Handler::MacroDelayEdited, -1},
    {"killfocus", "keyset_mouseswing_num_edit", Match::Exact, Handler::KeyAssignmentPendingChange, -1},
    {"killfocus", "keyset_mouseswing_delay_edit", Match::Exact, Handler::KeyAssignmentPendingChange, -1},
    {"killfocus", "keyset_mouseswing_speed_edit", Match::Exact, Handler::KeyAssignmentPendingChange, -1},
    {"killfocus", "keyset_mousewheel_num_edit", Match::Exact, Handler::KeyAssignmentPendingChange, -1},
    {"killfocus", "keyset_mousewheel_delay_edit", Match::Exact, Handler::KeyAssignmentPendingChange, -1},
    {"killfocus", "keyset_mousewheel_speed_edit", Match::Exact, Handler::KeyAssignmentPendingChange, -1},
    {"killfocus", "keyset_mousefire_interval_edit", Match::Exact, Handler::KeyAssignmentPendingChange, -1},
    {"killfocus", "keyset_mousefire_num_edit", Match::Exact, Handler::KeyAssignmentPendingChange, -1},
    {"killfocus", "keyset_macro_cycle_edit", Match::Exact, Handler::KeyAssignmentPendingChange, -1},
};

// These notifications end the handling: the skin library's own handling
// does not run after them.
constexpr std::string_view kFinalTypes[] = {"click_wpremove", "click_wpedit"};

// The route a row gives for a control name, if it matches.
std::optional<Route> MatchRow(const Row& row, std::string_view name) {
    switch (row.match) {
        case Match::AnyControl:
            return Route{row.handler, row.number};
        case Match::Exact:
            if (EqualsNoCase(row.name, name)) return Route{row.handler, row.number};
            return std::nullopt;
        case Match::Prefix: {
            std::string prefix;
            int number = -1;
            if (SplitIndexedName(name, prefix, number) && EqualsNoCase(row.name, prefix))
                return Route{row.handler, number};
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace

Routing RouteNotification(std::string_view type, std::string_view controlName) {
    Routing routing;
    for (std::string_view final : kFinalTypes)
        if (type == final) routing.runDefaultHandling = false;

    for (const Group group : {Group::Primary, Group::ThenAlso}) {
        for (const Row& row : kRows) {
            if (row.group != group || type != row.type) continue;
            if (auto route = MatchRow(row, controlName)) {
                routing.routes.push_back(*route);
                break;
            }
        }
    }
    return routing;
}

const char* HandlerName(Handler handler) {
    static constexpr std::array kNames = {
        "LogTimer", "WindowInit", "WindowSizeChanged", "LightingPaletteColour",
        "KeyboardKeysSelected", "MouseKeysSelected", "StartInputHook", "OpenMacroActionMenu",
        "CloseButton", "NoDeviceOk", "ToggleLightControl", "Minimize", "Maximize", "Restore",
        "OpenSkinPicker", "OpenSettingsDocked", "KeyButton", "ColourSwatch", "RestoreDefaults",
        "ResetKeyRepeat", "ProfileButton", "KeyAssignmentButton", "MacroRecording",
        "MacroEditorButton", "MacroInsertCursorStep", "RecoilButton", "LightingPanelButton",
        "EqualiserButton", "MouseOption", "MouseSystemOption", "KeyboardRepeatDelay",
        "KeyboardFlag", "RecoilOption", "VoiceChangerOption", "EqualiserOption",
        "KeyAssignmentCheck", "DeviceTabSelected", "ShowDeviceSubPage", "LightingOption",
        "DpiSlider", "DpiSliderMoving", "SystemSettingSlider", "LightingSlider", "EqualiserSlider",
        "ProfileComboSelected", "LightingList", "KeyAssignmentList", "MacroNameList",
        "CustomEqList", "KeyAssignmentPendingChange", "LanguageSelected", "DpiEdit",
        "LightingColourEdit", "StopInputHook", "RecoilEdit", "MacroDelayEdited"};
    static_assert(kNames.size() == static_cast<size_t>(Handler::MacroDelayEdited) + 1);
    return kNames[static_cast<size_t>(handler)];
}

}  // namespace kelno::app
