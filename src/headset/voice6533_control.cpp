#include "headset/voice6533_control.h"

#include "headset/eq_presets.h"
#include "headset/panel_controls.h"
#include "panels/message_texts.h"
#include "panels/panel_host.h"
#include "panels/update_scope.h"
#include "skin/controls/combo.h"
#include "skin/core/attribute_values.h"

namespace kelno {
namespace {

using Settings = HeadsetSystemSettings;
using namespace headset_controls;

const std::string kPresetPrefix = "6533_eq_option_";
const std::string kBandPrefix = "6533_eq_hz_slider_";
constexpr const char* kCustomLayout = "custom_eq_option_layout";
constexpr const char* kNameList = "custom_eq_name_combo";
constexpr const char* kNameEdit = "custom_eq_name_edit";
constexpr const char* kSaveButton = "hs_EQ_btn_save";
constexpr const char* kDeleteButton = "hs_EQ_btn_delete";
constexpr const char* kMicSwitch = "6533_MicIn_option";
constexpr const char* kMicSlider = "6533_MicIn_slider";
constexpr const char* kMonitorSwitch = "6533_MicMoniter_option";
constexpr const char* kMonitorSlider = "6533_MicMoniter_slider";

bool Is(const std::string& name, std::string_view expected) {
    return skin::EqualsNoCase(name, expected);
}

bool IsBand(int band) {
    return band >= 0 && band < kEqBandCount;
}

}  // namespace

std::string CVoice6533ControlUI::GetClass() const {
    return "Voice6533ControlUI";
}

void* CVoice6533ControlUI::GetInterface(std::string_view name) {
    if (skin::EqualsNoCase(name, kElementName)) return this;
    return CHeadsetAudioPanel::GetInterface(name);
}

CVoice6533ControlUI* CVoice6533ControlUI::Of(CZembravaUSBDevice& device) {
    return PanelOnPage<CVoice6533ControlUI>(device, kItemName, kElementName);
}

// --- View operations -------------------------------------------------------------------

void CVoice6533ControlUI::SelectPreset(int preset) {
    UpdateScope scope(updating_);
    SelectOneOf(children_, kPresetPrefix, kFirstEqPreset, CHs6533Profiledata::kCustomEqType,
                preset);
}

void CVoice6533ControlUI::EnableCustom(bool enabled) {
    headset_controls::SetEnabled(children_, kCustomLayout, enabled);
}

void CVoice6533ControlUI::SetBand(int band, int gain) {
    UpdateScope scope(updating_);
    if (IsBand(band)) SetSliderValue(children_, kBandPrefix + std::to_string(band), gain);
}

std::optional<int> CVoice6533ControlUI::GetBand(int band) {
    if (!IsBand(band)) return std::nullopt;
    return SliderValue(children_, kBandPrefix + std::to_string(band));
}

EqGains CVoice6533ControlUI::ShownBands() {
    EqGains gains{};
    for (int band = 0; band < kEqBandCount; ++band)
        gains[static_cast<size_t>(band)] = GetBand(band).value_or(0);
    return gains;
}

skin::CComboUI* CVoice6533ControlUI::NameList() {
    return children_.FindAs<skin::CComboUI>(kNameList, "Combo");
}

void CVoice6533ControlUI::ClearCustomNames() {
    UpdateScope scope(updating_);
    if (skin::CComboUI* list = NameList()) list->RemoveAll();
}

void CVoice6533ControlUI::AddCustomName(const std::string& name) {
    UpdateScope scope(updating_);
    if (skin::CComboUI* list = NameList()) AppendListItem(*list, name);
}

int CVoice6533ControlUI::GetSelectedCustom() {
    skin::CComboUI* list = NameList();
    return list ? list->GetCurSel() : -1;
}

int CVoice6533ControlUI::GetCustomCount() {
    skin::CComboUI* list = NameList();
    return list ? list->GetCount() : 0;
}

std::string CVoice6533ControlUI::GetCustomName(int index) {
    skin::CComboUI* list = NameList();
    skin::CControlUI* item = list ? list->GetItemAt(index) : nullptr;
    return item ? item->GetText() : std::string();
}

void CVoice6533ControlUI::SelectCustom(int index) {
    UpdateScope scope(updating_);
    skin::CComboUI* list = NameList();
    if (!list) return;
    list->SelectItem(index >= 0 && index < list->GetCount() ? index : -1);
}

std::string CVoice6533ControlUI::GetCustomNameText() {
    skin::CControlUI* edit = children_.Find(kNameEdit);
    return edit ? edit->GetText() : std::string();
}

void CVoice6533ControlUI::SetMicOn(bool on) {
    UpdateScope scope(updating_);
    SetSelected(children_, kMicSwitch, on);
}

void CVoice6533ControlUI::SetMonitorOn(bool on) {
    UpdateScope scope(updating_);
    SetSelected(children_, kMonitorSwitch, on);
}

void CVoice6533ControlUI::SetMicVolume(int value) {
    UpdateScope scope(updating_);
    SetSliderValue(children_, kMicSlider, value);
}

int CVoice6533ControlUI::GetMicVolume() {
    return SliderValue(children_, kMicSlider).value_or(-1);
}

void CVoice6533ControlUI::SetMonitorVolume(int value) {
    UpdateScope scope(updating_);
    SetSliderValue(children_, kMonitorSlider, value);
}

int CVoice6533ControlUI::GetMonitorVolume() {
    return SliderValue(children_, kMonitorSlider).value_or(-1);
}

void CVoice6533ControlUI::ShowFrom(const IHeadsetAudioActions& actions) {
    UpdateScope scope(updating_);
    const Settings settings = actions.AudioSettings();
    const auto value = [&settings](Settings::Index index) { return settings.values[index]; };
    SetMicOn(value(Settings::kMicInSelect) != 0);
    SetMicVolume(value(Settings::kMicInValue));
    SetMonitorOn(value(Settings::kMicMonitorSelect) != 0);
    SetMonitorVolume(value(Settings::kMicMonitorValue));
    const int preset = value(Settings::kEqType);
    SelectPreset(preset);
    ClearCustomNames();
    for (const std::string& name : actions.CustomCurveNames()) AddCustomName(name);
    SelectCustom(value(Settings::kCustomEqIndex));
    EnableCustom(preset == CHs6533Profiledata::kCustomEqType);
    const EqGains gains = actions.BandsInUse();
    for (int band = 0; band < kEqBandCount; ++band) SetBand(band, gains[static_cast<size_t>(band)]);
}

// --- Events ----------------------------------------------------------------------------

bool CVoice6533ControlUI::OnRoutedNotify(const app::Route& route, const skin::TNotifyUI& notify,
                                         CZembravaUSBDevice& device) {
    IHeadsetAudioActions* actions = ActionsFor(notify, device);
    if (!actions) return false;
    const std::string name = notify.pSender->GetName();
    switch (route.handler) {
        case app::Handler::EqualiserOption:
            OnOption(name, route.number, *actions);
            return true;
        case app::Handler::EqualiserSlider:
            OnSlider(name, route.number, *actions);
            return true;
        case app::Handler::EqualiserButton:
            OnButton(name, *actions);
            return true;
        case app::Handler::CustomEqList:
            if (GetSelectedCustom() >= 0) {
                actions->ApplyCustomCurve(GetSelectedCustom());
                ShowFrom(*actions);
            }
            return true;
        default:
            return false;
    }
}

void CVoice6533ControlUI::OnOption(const std::string& name, int number,
                                   IHeadsetAudioActions& actions) {
    const bool selected = IsSelected(children_, name);
    const Settings stored = actions.AudioSettings();
    if (Is(name, kMicSwitch)) {
        if (!actions.SetMicOn(selected)) SetMicOn(stored.values[Settings::kMicInSelect] != 0);
    } else if (Is(name, kMonitorSwitch)) {
        if (!actions.SetMonitorOn(selected))
            SetMonitorOn(stored.values[Settings::kMicMonitorSelect] != 0);
    } else if (selected && number >= kFirstEqPreset &&
               number <= CHs6533Profiledata::kCustomEqType) {
        // The group also reports the option it cleared; only the chosen
        // one acts. Success or not, the panel shows what is stored now.
        actions.ChoosePreset(number);
        ShowFrom(actions);
    }
}

void CVoice6533ControlUI::OnSlider(const std::string& name, int number,
                                   IHeadsetAudioActions& actions) {
    // Read the slider: the notification's parameter carries no sign.
    const int value = SliderValue(children_, name).value_or(0);
    const Settings stored = actions.AudioSettings();
    if (Is(name, kMicSlider)) {
        if (!actions.SetMicVolume(value)) SetMicVolume(stored.values[Settings::kMicInValue]);
    } else if (Is(name, kMonitorSlider)) {
        if (!actions.SetMonitorVolume(value))
            SetMonitorVolume(stored.values[Settings::kMicMonitorValue]);
    } else if (IsBand(number)) {
        OnBandMoved(number, actions);
    }
}

void CVoice6533ControlUI::OnBandMoved(int band, IHeadsetAudioActions& actions) {
    if (!actions.SetBand(band, GetBand(band).value_or(0))) {
        ShowFrom(actions);
        return;
    }
    // The page is on the custom setting now, with no named curve.
    SelectPreset(CHs6533Profiledata::kCustomEqType);
    SelectCustom(-1);
    EnableCustom(true);
}

void CVoice6533ControlUI::OnButton(const std::string& name, IHeadsetAudioActions& actions) {
    if (Is(name, kSaveButton)) {
        SaveCurve(actions);
    } else if (Is(name, kDeleteButton) && GetSelectedCustom() >= 0) {
        actions.DeleteCustomCurve();
        ShowFrom(actions);
    }
}

void CVoice6533ControlUI::SaveCurve(IHeadsetAudioActions& actions) {
    switch (actions.SaveCustomCurve(GetCustomNameText(), ShownBands())) {
        case SaveCurveResult::Nothing:
            return;
        case SaveCurveResult::Full:
            if (host_) host_->ShowMessage(texts::kEqCurvesFull, IPanelHost::Buttons::Ok);
            return;
        case SaveCurveResult::Duplicate:
            if (host_) host_->ShowMessage(texts::kNameTaken, IPanelHost::Buttons::Ok);
            return;
        case SaveCurveResult::Saved:
            if (skin::CControlUI* edit = children_.Find(kNameEdit)) edit->SetText("");
            ShowFrom(actions);
            return;
        case SaveCurveResult::Failed:
            if (host_) host_->ShowMessage(texts::kEqCurveNotSaved, IPanelHost::Buttons::Ok);
            ShowFrom(actions);
            return;
    }
}

}  // namespace kelno
