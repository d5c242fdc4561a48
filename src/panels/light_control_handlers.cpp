// The lighting panel's user events: each change is patched into the
// device's light setting, stored in the profile, saved, taken back into the
// device state and written to the hardware (the common write-back).

#include <algorithm>
#include <vector>

#include "core/json_file.h"
#include "core/names.h"
#include "devices/models/keyboard_device.h"
#include "devices/models/light_button.h"
#include "panels/light_control.h"
#include "panels/message_texts.h"
#include "panels/panel_host.h"
#include "skin/controls/button.h"
#include "skin/core/attribute_values.h"
#include "skin/core/container.h"

namespace kelno {
namespace {

bool Is(const std::string& name, std::string_view expected) {
    return skin::EqualsNoCase(name, expected);
}

CZembravaKeyboardDevice* AsKeyboard(CZembravaUSBDevice& device) {
    return static_cast<CZembravaKeyboardDevice*>(device.GetInterface("ZembravaKeyboardDevice"));
}

bool IsSelected(skin::CControlUI* control) {
    auto* option = static_cast<skin::COptionUI*>(control->GetInterface("Option"));
    return option && option->IsSelected();
}

// Every descendant of `root` whose name or user data is "light_" + n, for
// n in 0..count-1 (the first one found wins).
std::vector<skin::CControlUI*> LightButtonsUnder(skin::CControlUI* root, int count) {
    std::vector<skin::CControlUI*> buttons(static_cast<size_t>(count), nullptr);
    std::vector<skin::CControlUI*> pending{root};
    while (!pending.empty()) {
        skin::CControlUI* control = pending.back();
        pending.pop_back();
        for (const std::string* label : {&control->GetName(), &control->GetUserData()}) {
            std::string prefix;
            int number = -1;
            if (SplitIndexedName(*label, prefix, number) && skin::EqualsNoCase(prefix, "light_") &&
                number < count && !buttons[static_cast<size_t>(number)]) {
                buttons[static_cast<size_t>(number)] = control;
            }
        }
        if (auto* container =
                static_cast<skin::CContainerUI*>(control->GetInterface("Container"))) {
            for (int i = container->GetCount() - 1; i >= 0; --i)
                pending.push_back(container->GetItemAt(i));
        }
    }
    return buttons;
}

}  // namespace

bool CLightControlUI::OnRoutedNotify(const app::Route& route, const skin::TNotifyUI& notify,
                                     CZembravaUSBDevice& device) {
    if (updating_ > 0 || !notify.pSender) return false;
    const std::string& name = notify.pSender->GetName();
    switch (route.handler) {
        case app::Handler::KeyboardKeysSelected:
            return true;  // the keyboard's key selection changes nothing here
        case app::Handler::MouseKeysSelected:
            OnMouseSelection(notify, device);
            return true;
        default:
            break;
    }
    if (!children_.Owns(notify.pSender)) return false;
    switch (route.handler) {
        case app::Handler::LightingList:
            if (Is(name, "light_combo_modeSelect")) {
                OnModeChanged(device);
            } else if (Is(name, "light_combo_custommodeSelect")) {
                if (CZembravaKeyboardDevice* keyboard = AsKeyboard(device))
                    OnCustomSetChosen(*keyboard);
            } else {
                return false;
            }
            return true;
        case app::Handler::LightingSlider:
            if (notify.sType != skin::notify::kValueChanged) return true;  // still dragging
            OnSliderChanged(name, device);
            return true;
        case app::Handler::LightingPaletteColour:
            OnPaletteColour(device);
            return true;
        case app::Handler::LightingColourEdit:
            if (Is(name, "deng_edit_R"))
                OnComponentTyped(LightSetting::kRed, device);
            else if (Is(name, "deng_edit_G"))
                OnComponentTyped(LightSetting::kGreen, device);
            else if (Is(name, "deng_edit_B"))
                OnComponentTyped(LightSetting::kBlue, device);
            else
                return false;
            return true;
        case app::Handler::ColourSwatch:
            if (route.number < 0) return false;
            OnSwatch(route.number, device);
            return true;
        case app::Handler::LightingOption:
            if (Is(name, "deng_7color_check"))
                OnMultiColour(device);
            else if (Is(name, "deng_FXL_check"))
                OnDirection(notify, true, device);
            else if (Is(name, "deng_FXR_check"))
                OnDirection(notify, false, device);
            else
                return false;
            return true;
        case app::Handler::LightingPanelButton:
            return OnButton(name, device);
        default:
            return false;
    }
}

bool CLightControlUI::WriteBack(CZembravaUSBDevice& device, bool clearHold,
                                const std::function<void(LightSetting&)>& patch) {
    LightSetting setting = device.GetLightSettings();
    patch(setting);
    return device.CommitLightSetting(setting, clearHold, [this](CommitResult result) {
        if (result == CommitResult::Stored) return;
        // What is stored stays: the panel shows it again.
        RefreshFromDevice();
        if (result == CommitResult::NotSaved && host_)
            host_->ShowMessage(texts::kSaveFailed, IPanelHost::Buttons::Ok);
    });
}

void CLightControlUI::OnModeChanged(CZembravaUSBDevice& device) {
    const int index = GetSelectedMode();
    if (index < 0 || index > 0xFF) return;
    SelectMode(index);
    WriteBack(device, true,
              [&](LightSetting& s) { s[LightSetting::kMode] = static_cast<uint8_t>(index); });
}

void CLightControlUI::OnSliderChanged(const std::string& name, CZembravaUSBDevice& device) {
    const bool brightness = Is(name, "deng_light_slider");
    if (!brightness && !Is(name, "deng_speed_slider")) return;
    const int value = std::clamp(brightness ? GetBrightness() : GetSpeed(), 0, 0xFF);
    if (brightness)
        SetBrightness(value);
    else
        SetSpeed(value);
    const int byte = brightness ? LightSetting::kBrightness : LightSetting::kSpeed;
    WriteBack(device, true, [&](LightSetting& s) { s[byte] = static_cast<uint8_t>(value); });
}

void CLightControlUI::OnDirection(const skin::TNotifyUI& notify, bool leftControl,
                                  CZembravaUSBDevice& device) {
    // In an option pair both options report the change; the one that was
    // just selected (or the other one when the user cleared it) decides.
    const bool left = leftControl == IsSelected(notify.pSender);
    SetDirection(left);
    WriteBack(device, true, [&](LightSetting& s) { s[LightSetting::kDirection] = left ? 1 : 0; });
}

void CLightControlUI::OnMultiColour(CZembravaUSBDevice& device) {
    const bool on = GetMultiColour();
    SetMultiColour(on);
    WriteBack(device, true, [&](LightSetting& s) { s[LightSetting::kMultiColor] = on ? 1 : 0; });
}

void CLightControlUI::OnPaletteColour(CZembravaUSBDevice& device) {
    TakeColour(device, GetColour(), true);
}

void CLightControlUI::TakeColour(CZembravaUSBDevice& device, uint32_t colour, bool fromPalette) {
    const ColourComponents c = ComponentsOf(colour);
    // A swatch leaves the hold of the same-mode synchronisation in place.
    const bool saved = WriteBack(device, fromPalette, [&](LightSetting& s) {
        s[LightSetting::kRed] = c.red;
        s[LightSetting::kGreen] = c.green;
        s[LightSetting::kBlue] = c.blue;
        s[LightSetting::kMultiColor] = 0;
    });
    if (!saved) return;
    ShowComponents(c);
    SetMultiColour(false);
    if (fromPalette)
        SetColourDisplay(colour);
    else
        SetColour(colour);
}

void CLightControlUI::OnComponentTyped(int byte, CZembravaUSBDevice& device) {
    const std::string edit = byte == LightSetting::kRed     ? "deng_edit_R"
                             : byte == LightSetting::kGreen ? "deng_edit_G"
                                                            : "deng_edit_B";
    const TypedComponent typed = ReadTypedComponent(EditText(edit));
    if (EditText(edit) != typed.text) SetEditText(edit, typed.text);
    const bool saved = WriteBack(device, true, [&](LightSetting& s) {
        s[byte] = typed.value;
        s[LightSetting::kMultiColor] = 0;
    });
    if (!saved) return;
    const LightSetting s = device.GetLightSettings();
    SetMultiColour(false);
    SetColour(
        PaletteColour(s[LightSetting::kRed], s[LightSetting::kGreen], s[LightSetting::kBlue]));
}

void CLightControlUI::OnSwatch(int n, CZembravaUSBDevice& device) {
    TakeColour(device, GetSwatchColour(n), false);
}

void CLightControlUI::OnCustomSetChosen(CZembravaKeyboardDevice& keyboard) {
    const int set = GetSelectedCustomMode();
    if (set < 0) return;  // nothing chosen: no set to load
    keyboard.LoadCustomLightSet(set);
    SelectCustomMode(set);
}

bool CLightControlUI::OnButton(const std::string& name, CZembravaUSBDevice& device) {
    if (Is(name, "deng_same_mode")) {
        if (host_) host_->StartSameModeSynchronisation();
        return true;
    }
    CZembravaKeyboardDevice* keyboard = AsKeyboard(device);
    const bool allLit = Is(name, "custom_bright_color_btn");
    if (allLit || Is(name, "custom_off_color_btn")) {
        // -1 (no set chosen) stores nothing.
        if (keyboard) keyboard->SetAllKeysLit(allLit, GetSelectedCustomMode());
        return true;
    }
    const bool open = Is(name, "light_open_btn");
    if (open || Is(name, "light_close_btn")) {
        // The keyboard's LED status byte: 0 lights the keyboard, 1 darkens it.
        if (keyboard) keyboard->SetLedStatus(!open);
        return true;
    }
    return false;
}

void CLightControlUI::OnMouseSelection(const skin::TNotifyUI& notify, CZembravaUSBDevice& device) {
    const int count = device.GetLedCount();
    if (count <= 0) return;
    bool anySelected = false;
    for (skin::CControlUI* button : LightButtonsUnder(notify.pSender, count)) {
        if (!button) return;
        if (!button->IsVisible()) continue;  // a hidden button counts as selected
        auto* light = static_cast<ILightButton*>(button->GetInterface(kLightButtonInterface));
        if (!light || !light->IsKeySelected()) return;
        anySelected = true;
    }
    if (!anySelected) return;
    std::filesystem::path profile = device.GetProfileName();
    if (profile.empty()) return;
    if (profile.extension() != ".Json")
        profile = device.UserFolder() / (profile.string() + ".Json");
    if (ReadJsonFile(profile).isNull()) return;
    device.LoadProfile();
    device.RefreshPanels();
    const ScreenSize screen = host_ ? host_->GetScreenSize() : ScreenSize{};
    device.WriteSettings(0, 0, 1, screen.width, screen.height);
    device.RefreshUi();
}

}  // namespace kelno
