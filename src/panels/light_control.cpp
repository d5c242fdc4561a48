#include "panels/light_control.h"

#include <algorithm>

#include "devices/models/page_lookup.h"
#include "panels/light_rules.h"
#include "skin/controls/button.h"
#include "skin/controls/color_palette.h"
#include "skin/controls/combo.h"
#include "skin/controls/edit.h"
#include "skin/controls/progress.h"
#include "skin/core/attribute_values.h"

namespace kelno {
namespace {

void ApplyGroup(skin::CControlUI* control, const GroupChange& change) {
    if (!control) return;
    if (change.enabled) control->SetEnabled(*change.enabled);
    if (change.visible) control->SetVisible(*change.visible);
}

void SelectOption(skin::CControlUI* control, bool selected) {
    auto* option =
        control ? static_cast<skin::COptionUI*>(control->GetInterface("Option")) : nullptr;
    if (option) option->Selected(selected, false);
}

}  // namespace

std::string CLightControlUI::GetClass() const {
    return "LightControlUI";
}

void* CLightControlUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    if (skin::EqualsNoCase(name, kDevicePanelInterface)) return static_cast<IDevicePanel*>(this);
    return CHorizontalLayoutUI::GetInterface(name);
}

CLightControlUI* CLightControlUI::Of(CZembravaUSBDevice& device) {
    return PanelOnPage<CLightControlUI>(device, kItemName, kElementName);
}

void CLightControlUI::BindDevice(CZembravaUSBDevice* device) {
    device_ = device;
    if (!device) return;
    const int tableIndex = LightTableIndexForKind(device->GetDeviceKind());
    SetType(device->GetDeviceKind());
    const LightMaxima maxima = LightMaximaForKind(device->GetDeviceKind());
    Setup(ReadLightModeNames(device->DefaultDataFolder() / "default_light.json", tableIndex),
          maxima.brightness, maxima.speed);
    SetCustomModes(ReadCustomLightNames(
        device->UserFolder() / (device->GetLightConfigName() + ".config"), tableIndex));
}

void CLightControlUI::RefreshFromDevice() {
    if (!device_) return;
    const LightSetting setting = device_->GetLightSettings();
    ShowSetting(setting.Word(0), setting.Word(1), setting.Word(2));
}

void CLightControlUI::Setup(const std::vector<LightModeName>& modes, int brightnessMax,
                            int speedMax) {
    UpdateScope scope(updating_);
    if (auto* list = FindAs<skin::CComboUI>("light_combo_modeSelect", "Combo")) {
        list->RemoveAll();
        for (const LightModeName& mode : modes) {
            if (skin::CControlUI* item = AppendListItem(*list, mode.name)) {
                item->SetResourceText(true);  // the names are language text ids
                item->SetVisible(mode.visible);
            }
        }
    }
    if (auto* slider = FindAs<skin::CSliderUI>("deng_light_slider", "Slider")) {
        slider->SetMaxValue(brightnessMax);
    }
    if (auto* slider = FindAs<skin::CSliderUI>("deng_speed_slider", "Slider")) {
        slider->SetMaxValue(speedMax);
    }
}

void CLightControlUI::SetCustomModes(const std::vector<std::string>& names) {
    UpdateScope scope(updating_);
    auto* list = FindAs<skin::CComboUI>("light_combo_custommodeSelect", "Combo");
    if (!list) return;
    list->RemoveAll();
    for (const std::string& name : names) AppendListItem(*list, name);
}

void CLightControlUI::ShowSetting(uint32_t word0, uint32_t word1, uint32_t word2) {
    UpdateScope scope(updating_);
    const LightSetting setting = LightSetting::FromWords(word0, word1, word2);
    SelectMode(setting[LightSetting::kMode]);
    SetBrightness(setting[LightSetting::kBrightness]);
    SetSpeed(setting[LightSetting::kSpeed]);
    const ColourComponents colour{setting[LightSetting::kRed], setting[LightSetting::kGreen],
                                  setting[LightSetting::kBlue]};
    ShowComponents(colour);
    SetColour(PaletteColour(colour.red, colour.green, colour.blue));
    SetMultiColour(setting[LightSetting::kMultiColor] != 0);
    SetDirection(setting[LightSetting::kDirection] != 0);
    ApplyRules(setting[LightSetting::kMode]);
}

void CLightControlUI::ShowComponents(ColourComponents colour) {
    SetRed(std::to_string(colour.red));
    SetGreen(std::to_string(colour.green));
    SetBlue(std::to_string(colour.blue));
}

void CLightControlUI::SelectMode(int index) {
    UpdateScope scope(updating_);
    if (auto* list = FindAs<skin::CComboUI>("light_combo_modeSelect", "Combo")) {
        list->SelectItem(index, false);
    }
    ApplyRules(index);
}

int CLightControlUI::GetSelectedMode() {
    auto* list = FindAs<skin::CComboUI>("light_combo_modeSelect", "Combo");
    return list ? list->GetCurSel() : -1;
}

void CLightControlUI::SelectCustomMode(int index) {
    UpdateScope scope(updating_);
    if (auto* list = FindAs<skin::CComboUI>("light_combo_custommodeSelect", "Combo")) {
        list->SelectItem(index, false);
    }
}

int CLightControlUI::GetSelectedCustomMode() {
    auto* list = FindAs<skin::CComboUI>("light_combo_custommodeSelect", "Combo");
    return list ? list->GetCurSel() : -1;
}

void CLightControlUI::SetBrightness(int value) {
    UpdateScope scope(updating_);
    if (auto* slider = FindAs<skin::CSliderUI>("deng_light_slider", "Slider"))
        slider->SetValue(value, false);
}

int CLightControlUI::GetBrightness() {
    auto* slider = FindAs<skin::CSliderUI>("deng_light_slider", "Slider");
    return slider ? slider->GetValue() : 0;
}

void CLightControlUI::SetSpeed(int value) {
    UpdateScope scope(updating_);
    if (auto* slider = FindAs<skin::CSliderUI>("deng_speed_slider", "Slider"))
        slider->SetValue(value, false);
}

int CLightControlUI::GetSpeed() {
    auto* slider = FindAs<skin::CSliderUI>("deng_speed_slider", "Slider");
    return slider ? slider->GetValue() : 0;
}

void CLightControlUI::SetEditText(const std::string& name, const std::string& text) {
    UpdateScope scope(updating_);
    if (auto* edit = FindAs<skin::CEditUI>(name, "Edit")) edit->SetText(text, false);
}

std::string CLightControlUI::EditText(const std::string& name) {
    skin::CControlUI* edit = Find(name);
    return edit ? edit->GetText() : std::string();
}

void CLightControlUI::SetColour(uint32_t colour) {
    UpdateScope scope(updating_);
    if (auto* palette = FindAs<skin::CColorPaletteUI>("deng_Color_Pallet", "ColorPalette")) {
        palette->SetSelectColor(colour, false);
    }
    SetColourDisplay(colour);
}

uint32_t CLightControlUI::GetColour() {
    auto* palette = FindAs<skin::CColorPaletteUI>("deng_Color_Pallet", "ColorPalette");
    return palette ? palette->GetSelectColor() : 0xFF000000u;
}

void CLightControlUI::SetColourDisplay(uint32_t colour) {
    if (skin::CControlUI* display = Find("deng_colordp_btn")) display->SetBkColor(colour);
}

uint32_t CLightControlUI::GetSwatchColour(int n) {
    skin::CControlUI* swatch = Find("color_option_" + std::to_string(n));
    return swatch ? swatch->GetBkColor() : 0;
}

void CLightControlUI::SetMultiColour(bool on) {
    UpdateScope scope(updating_);
    SelectOption(Find("deng_7color_check"), on);
}

bool CLightControlUI::GetMultiColour() {
    auto* check = FindAs<skin::COptionUI>("deng_7color_check", "Option");
    return check && check->IsSelected();
}

void CLightControlUI::SetDirection(bool left) {
    UpdateScope scope(updating_);
    SelectOption(Find("deng_FXL_check"), left);
    SelectOption(Find("deng_FXR_check"), !left);
}

void CLightControlUI::ShowSameMode(bool show) {
    if (skin::CControlUI* button = Find("deng_same_mode")) {
        button->SetVisible(show && synchronisationOffered_);
    }
}

void CLightControlUI::SetSynchronisationOffered(bool offered) {
    synchronisationOffered_ = offered;
    ApplyRules(GetSelectedMode());
}

void CLightControlUI::ApplyRules(int mode) {
    UpdateScope scope(updating_);
    const LightingGroupChanges changes = LightingRules(type_, mode, synchronisationOffered_);
    ApplyGroup(Find("deng_7color_check"), changes.multiColourCheck);
    ApplyGroup(Find("deng_color_layout"), changes.colourLayout);
    ApplyGroup(Find("colorpallet_layout"), changes.palette);
    ApplyGroup(Find("deng_light_layout"), changes.brightness);
    ApplyGroup(Find("deng_speed_layout"), changes.speed);
    ApplyGroup(Find("deng_fx_layout"), changes.direction);
    ApplyGroup(Find("lightcustom_layout"), changes.customLayout);
    ApplyGroup(Find("deng_on_or_off"), changes.onOffLayout);
    if (changes.sameModeButton) ShowSameMode(*changes.sameModeButton);
}

}  // namespace kelno
