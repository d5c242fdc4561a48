#include "panels/shoot_control.h"

#include <algorithm>
#include <string>

#include "core/json_file.h"
#include "keys/key_assignment_codec.h"
#include "panels/message_texts.h"
#include "panels/panel_host.h"
#include "skin/controls/button.h"
#include "skin/core/attribute_values.h"
#include "skin/layout/layouts.h"

namespace kelno {
namespace {

const std::string kPresetPrefix = "shoot_gun_op_";
const std::string kShotPrefix = "bullet_op_";
constexpr const char* kHorizontalToggle = "bullet_x_check";
constexpr const char* kVerticalToggle = "bullet_y_check";

skin::COptionUI* AsOption(skin::CControlUI* control) {
    return control ? static_cast<skin::COptionUI*>(control->GetInterface("Option")) : nullptr;
}

// The text naming a toggle's direction: selected is left or up.
const char* DirectionText(const char* toggle, bool selected) {
    if (std::string_view(toggle) == kHorizontalToggle)
        return selected ? "mouse_move_to_left_text" : "mouse_move_to_right_text";
    return selected ? "mouse_move_to_up_text" : "mouse_move_to_down_text";
}

}  // namespace

std::string CShootControlUI::GetClass() const {
    return "ShootControlUI";
}

void* CShootControlUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    if (skin::EqualsNoCase(name, kDevicePanelInterface)) return static_cast<IDevicePanel*>(this);
    return CHorizontalLayoutUI::GetInterface(name);
}

CShootControlUI* CShootControlUI::Of(CZembravaUSBDevice& device) {
    return PanelOnPage<CShootControlUI>(device, kItemName, kElementName);
}

void CShootControlUI::BindDevice(CZembravaUSBDevice* device) {
    if (!device) return;
    SetUserDirectory(device->UserFolder());
    SetDefaultDirectory(device->DefaultDataFolder());
    SelectPreset(0);
    SelectShot(0);
}

void CShootControlUI::SelectOnly(const std::string& prefix, int count, int selected) {
    UpdateScope scope(updating_);
    for (int i = 0; i < count; ++i)
        if (skin::COptionUI* option = AsOption(Find(prefix + std::to_string(i))))
            option->Selected(i == selected);
}

void CShootControlUI::SelectPreset(int preset) {
    preset_ = std::clamp(preset, 0, RecoilLimits::kPresets - 1);
    SelectOnly(kPresetPrefix, RecoilLimits::kPresets, preset_);
    if (skin::CControlUI* pictures = Find("shoot_image_display_switch"))
        if (auto* tabs = static_cast<skin::CTabLayoutUI*>(pictures->GetInterface("TabLayout")))
            tabs->SelectItem(preset_);
}

void CShootControlUI::SelectShot(int shot) {
    shot_ = std::clamp(shot, 0, RecoilLimits::kShots - 1);
    SelectOnly(kShotPrefix, RecoilLimits::kShots, shot_);
    if (skin::CControlUI* index = Find("bullet_select_index"))
        index->SetText(std::to_string(shot_ + 1));
    ShowShot();
}

void CShootControlUI::ShowShot() {
    if (shot_ < 0 || userFolder_.empty()) return;
    ShowValues(ReadRecoilShot(ReadJsonFile(RecoilFilePath(userFolder_, preset_)), shot_));
}

void CShootControlUI::ShowValues(const RecoilShot& shot) {
    UpdateScope scope(updating_);
    ShowDirection(kHorizontalToggle, shot.left);
    ShowDirection(kVerticalToggle, shot.up);
    for (const auto& [name, value] :
         {std::pair{"bullet_x_eidt", shot.horizontal}, std::pair{"bullet_y_eidt", shot.vertical},
          std::pair{"bullet_delay_eidt", shot.delay}})
        if (skin::CControlUI* edit = Find(name)) edit->SetText(std::to_string(value));
}

void CShootControlUI::ShowDirection(const char* toggle, bool selected) {
    UpdateScope scope(updating_);
    skin::COptionUI* option = AsOption(Find(toggle));
    if (!option) return;
    option->Selected(selected);
    option->SetTextId(DirectionText(toggle, selected));
}

bool CShootControlUI::IsSelected(const char* toggle) {
    skin::COptionUI* option = AsOption(Find(toggle));
    return option && option->IsSelected();
}

RecoilShot CShootControlUI::ReadEdits() {
    const auto number = [this](const char* name) {
        skin::CControlUI* edit = Find(name);
        return edit ? keyassign::ReadEditNumber(edit->GetText()) : 0;
    };
    return {IsSelected(kHorizontalToggle), number("bullet_x_eidt"), IsSelected(kVerticalToggle),
            number("bullet_y_eidt"), number("bullet_delay_eidt")};
}

void CShootControlUI::SaveShot() {
    if (shot_ < 0 || userFolder_.empty()) return;
    const RecoilShot typed = ReadEdits();
    const RecoilFileResult result = SaveRecoilShot(userFolder_, preset_, shot_, typed);
    Report(result);
    // The edits show what the file holds: clamped values, or the old ones
    // when nothing could be written.
    ShowShot();
}

void CShootControlUI::ResetPreset() {
    if (userFolder_.empty()) return;
    Report(ResetRecoilPreset(userFolder_, defaultFolder_, preset_));
    SelectShot(shot_);
}

void CShootControlUI::Report(RecoilFileResult result) {
    if (!host_) return;
    switch (result) {
        case RecoilFileResult::Done:
            return;
        case RecoilFileResult::DefaultMissing:
            host_->ShowMessage(texts::kRecoilDefaultMissing, IPanelHost::Buttons::Ok);
            return;
        case RecoilFileResult::NotReplaced:
        case RecoilFileResult::WriteFailed:
            host_->ShowMessage(texts::kRecoilNotSaved, IPanelHost::Buttons::Ok);
            return;
    }
}

bool CShootControlUI::OnRoutedNotify(const app::Route& route, const skin::TNotifyUI& notify,
                                     CZembravaUSBDevice&) {
    if (updating_ > 0 || !notify.pSender || !children_.Owns(notify.pSender)) return false;
    const std::string name = notify.pSender->GetName();
    switch (route.handler) {
        case app::Handler::RecoilOption:
            if (name == kHorizontalToggle || name == kVerticalToggle) {
                // Shown now, stored with the next edit that loses the focus.
                ShowDirection(name == kHorizontalToggle ? kHorizontalToggle : kVerticalToggle,
                              IsSelected(name.c_str()));
            } else if (route.number >= 0 && IsSelected(name.c_str())) {
                // Option groups also notify the choice that was cleared.
                if (name.starts_with(kPresetPrefix)) {
                    SelectPreset(route.number);
                    ShowShot();
                } else {
                    SelectShot(route.number);
                }
            }
            return true;
        case app::Handler::RecoilButton:
            if (name == "bullet_selected_prev") SelectShot(shot_ - 1);
            if (name == "bullet_selected_next") SelectShot(shot_ + 1);
            if (name == "shootdate_reset_btn") ResetPreset();
            return true;
        case app::Handler::RecoilEdit:
            SaveShot();
            return true;
        default:
            return false;
    }
}

}  // namespace kelno
